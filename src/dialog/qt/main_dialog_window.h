// SPDX-License-Identifier: MIT
// MainDialogWindow: the main dialog as a Qt Widgets window. It lays the controls out at their
// template places, forwards every click, key and drop to CQUILLONDlg and implements the
// DialogView that CQUILLONDlg drives.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "dialog/dialog_template.h"
#include "dialog/dialog_view.h"
#include "dialog/export_choice.h"
#include "dialog/quillon_dlg.h"

class QAbstractButton;
class QLineEdit;
class QPlainTextEdit;
class QTabBar;
class QLabel;
class QMimeData;
class QTimer;

namespace quillon {

class Kinetics;
class MapPanel;
class SpectrumPanel;
class TracePanel;

// The window's nested modal dialogs. The program uses the standard ones; tests replace them
// so that no test ever waits for a person.
struct WindowPrompts {
    std::function<void(QWidget* parent, const QString& text)> message;
    std::function<bool(QWidget* parent, const QString& text)> askYesNo;
    std::function<std::optional<QString>(QWidget* parent, const OpenFileRequest& request)>
        chooseFile;
    std::function<void(QWidget* parent)> about;
    // The save dialog for a picture of the plot: PNG or SVG, starting at `suggested`; the
    // chosen path, or nothing when the user cancelled.
    std::function<std::optional<QString>(QWidget* parent, const QString& suggested)> choosePlotFile;
    // The save dialog for the trace's table (CSV), starting at `suggested`.
    std::function<std::optional<QString>(QWidget* parent, const QString& suggested)>
        chooseTableFile;
    // The export dialog: the choices for the outputs of the file in `inputFolder`, for the
    // scans `scope` names; nothing when the user cancelled.
    std::function<std::optional<ExportChoice>(QWidget* parent, const QString& inputFolder,
                                              const QString& scope)>
        chooseExport;

    // Message boxes, the open-file, save and export dialogs of Qt; the About box is left to
    // the caller.
    static WindowPrompts Standard();
};

// The font the dialog is laid out with: the application's font at 8 points.
QFont DialogFont();
// The dialog base units of a font.
DialogBaseUnits BaseUnitsOf(const QFont& font);

class MainDialogWindow : public QDialog, public DialogView {
    Q_OBJECT

  public:
    explicit MainDialogWindow(WindowPrompts prompts, QWidget* parent = nullptr);
    ~MainDialogWindow() override;

    CQUILLONDlg& Dialog() { return m_Dlg; }
    DialogBaseUnits BaseUnits() const { return m_Units; }
    // The widget of a control, for the accessibility layer and tests.
    QWidget* ControlWidget(Control control) const;
    // The spectrum plot to the right of the controls.
    SpectrumPanel* Panel() const { return m_pPanel; }
    // The Trace and Map views beside the spectrum, the tabs above them and their state.
    TracePanel* TraceView() const { return m_pTraceView; }
    MapPanel* MapView() const { return m_pMapView; }
    QTabBar* ViewTabs() const { return m_pViewTabs; }
    Kinetics& KineticsState() { return *m_pKinetics; }
    // "Save plot..." and "Export trace..." of the Trace view, "Save plot..." of the Map view.
    void SaveTracePlot();
    void ExportTrace();
    void SaveMapPlot();
    // Loads a file named on the command line, as ">>" loads a chosen one.
    void OpenFile(const QString& path);
    // "Save plot...": asks for a file and writes the picture; a failure is shown.
    void SavePlot();
    // "Export...": asks for the export choices and writes the exports.
    void Export();

    // DialogView
    std::string Text(Control control) const override;
    void SetText(Control control, const std::string& text) override;
    void AppendText(Control control, const std::string& text) override;
    bool IsChecked(Control control) const override;
    void SetChecked(Control control, bool checked) override;
    void Enable(Control control, bool enabled) override;
    void PaintNow() override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    std::optional<std::string> ChooseFile(const OpenFileRequest& request) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void Pause(int milliseconds) override;
    void AcceptDroppedFiles() override;
    void AddAboutCommand(const std::string& caption) override;
    void ShowAboutBox() override;
    void EndDialog(int result) override;
    void FileLoaded() override;
    void ShowNewestScan() override;
    void FileReleasing() override;
    void SetTicking(bool ticking) override;

  public slots:
    // Enter, Esc, the "Close" button and the close box all end the dialog the same way.
    void accept() override;
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateControls();
    void ConnectControls();
    void CreatePanel();
    // The panel fills the window to the right of the controls, from the top of the "SDF File"
    // box to the bottom of "Close" (and with the window's bottom edge as it grows).
    void PlacePanel();
    void CreateKineticsViews();
    // Shows one of the views: 0 the spectrum, 1 the trace, 2 the map.
    void ShowView(int index);
    // Asks for a picture's file and writes it with `save`; a failure is shown.
    void SavePictureOf(const QString& suggested,
                       const std::function<std::optional<QString>(const QString&)>& save);
    // Runs a handler; anything that escapes it is shown instead of crossing the event loop.
    void Run(const std::function<void()>& handler);
    bool AcceptsDrag(const QMimeData* mime) const;

    WindowPrompts m_Prompts;
    DialogBaseUnits m_Units;
    std::map<Control, QWidget*> m_Controls;
    QAbstractButton* m_pCloseButton = nullptr;
    QPlainTextEdit* m_pLog = nullptr;
    QString m_strAboutCaption;
    bool m_bAcceptDrops = false;
    // When the window was last painted from inside a handler.
    QElapsedTimer m_LastPaint;
    static constexpr qint64 kPaintIntervalMs = 15;

    // The exact bytes last shown in each line edit, so that reading an unchanged control
    // gives back the same bytes even for a path that is not valid UTF-8.
    std::map<Control, std::pair<std::string, QString>> m_ShownTexts;
    // The log as bytes, as long as the user has not typed into it.
    std::string m_strLogBytes;

    SpectrumPanel* m_pPanel = nullptr;
    // Ticks the dialog while it follows a folder.
    QTimer* m_pFollowTimer = nullptr;

    // The kinetics views: their state, the tabs that choose the view, and the timer that
    // polls the passes filling them.
    std::unique_ptr<Kinetics> m_pKinetics;
    QTabBar* m_pViewTabs = nullptr;
    TracePanel* m_pTraceView = nullptr;
    MapPanel* m_pMapView = nullptr;
    QTimer* m_pKineticsTimer = nullptr;

    CQUILLONDlg m_Dlg;
};

}  // namespace quillon
