// SPDX-License-Identifier: MIT
// MainDialogWindow: builds the main dialog's controls from its template and connects them.
#include "dialog/qt/main_dialog_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <exception>
#include <tuple>

#include "dialog/kinetics.h"
#include "dialog/qt/export_dialog.h"
#include "dialog/qt/kinetics_panels.h"
#include "dialog/qt/spectrum_panel.h"

namespace quillon {

namespace {

// Where the spectrum panel stands, in dialog units: beside the controls, from the top of the
// "SDF File" box down to 7 units above the window's bottom edge (the bottom of "Close" in the
// template's size), 380 units wide at first.
constexpr int kPanelWidth = 380;
// How often a followed folder is looked at, in milliseconds.
constexpr int kFollowTickMs = 250;
// How often the kinetics views take what their passes have read.
constexpr int kKineticsTickMs = 100;
constexpr int kPanelTop = 19;
constexpr int kPanelRightMargin = 10;
constexpr int kPanelBottomMargin = 7;

// Log lines end with CR LF; the log widget keeps lines apart by itself.
QString LogToDisplay(const std::string& text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

std::string LogFromDisplay(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace("\n", "\r\n");
    return bytes.toStdString();
}

QString FromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The open-file dialog's type list in Qt's "Description(patterns)" form. "*.*" means every
// file, also one whose name has no dot, so it becomes "*" here.
QStringList QtFilters(const OpenFileRequest& request) {
    QStringList filters;
    for (const FileFilter& filter : request.filters) {
        QString description = FromBytes(filter.description);
        const qsizetype open = description.indexOf(QLatin1Char('('));
        if (open >= 0) {
            description.truncate(open);
        }
        const QString pattern =
            filter.pattern == "*.*" ? QStringLiteral("*") : FromBytes(filter.pattern);
        filters << description + QLatin1Char('(') + pattern + QLatin1Char(')');
    }
    return filters;
}

}  // namespace

WindowPrompts WindowPrompts::Standard() {
    WindowPrompts prompts;
    prompts.message = [](QWidget* parent, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text,
                        QMessageBox::Ok, parent);
        box.exec();
    };
    prompts.askYesNo = [](QWidget* parent, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text,
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    };
    prompts.chooseFile = [](QWidget* parent,
                            const OpenFileRequest& request) -> std::optional<QString> {
        QFileDialog dialog(parent, QObject::tr("Open"),
                           QFile::decodeName(request.initialFolder.c_str()));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(FromBytes(request.defaultExtension));
        const QStringList filters = QtFilters(request);
        dialog.setNameFilters(filters);
        if (!filters.isEmpty()) {
            dialog.selectNameFilter(filters.front());
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().front();
    };
    prompts.choosePlotFile = [](QWidget* parent,
                                const QString& suggested) -> std::optional<QString> {
        QFileDialog dialog(parent, QObject::tr("Save plot"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        const QStringList filters = {QObject::tr("PNG image (*.png)"),
                                     QObject::tr("SVG image (*.svg)")};
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(QStringLiteral("png"));
        // A name typed without an extension gets the one of the type chosen.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, filters](const QString& filter) {
                             dialog.setDefaultSuffix(filter == filters.back()
                                                         ? QStringLiteral("svg")
                                                         : QStringLiteral("png"));
                         });
        dialog.selectFile(suggested);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().front();
    };
    prompts.chooseTableFile = [](QWidget* parent,
                                 const QString& suggested) -> std::optional<QString> {
        QFileDialog dialog(parent, QObject::tr("Export trace"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        const QStringList filters = {QObject::tr("CSV table (*.csv)"),
                                     QObject::tr("HDF5 file (*.h5)"),
                                     QObject::tr("Excel workbook (*.xlsx)")};
        const QStringList suffixes = {QStringLiteral("csv"), QStringLiteral("h5"),
                                      QStringLiteral("xlsx")};
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(suffixes.front());
        // A name typed without an extension gets the one of the type chosen.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, filters, suffixes](const QString& filter) {
                             dialog.setDefaultSuffix(suffixes.value(filters.indexOf(filter)));
                         });
        dialog.selectFile(suggested);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().front();
    };
    prompts.chooseExport = [](QWidget* parent, const QString& inputFolder,
                              const QString& scope) -> std::optional<ExportChoice> {
        ExportDialog dialog(
            inputFolder, scope,
            [](QWidget* owner, const QString& start) -> std::optional<QString> {
                const QString folder =
                    QFileDialog::getExistingDirectory(owner, QObject::tr("Output folder"), start);
                if (folder.isEmpty()) {
                    return std::nullopt;
                }
                return folder;
            },
            parent);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.Accepted();
    };
    return prompts;
}

QFont DialogFont() {
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return BaseUnitsFromFont(letters, metrics.height());
}

MainDialogWindow::MainDialogWindow(WindowPrompts prompts, QWidget* parent)
    : QDialog(parent), m_Prompts(std::move(prompts)), m_Dlg(*this) {
    // A title bar with the close box and a sizing border; no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kMainDialogCaption));
    setFont(DialogFont());
    m_Units = BaseUnitsOf(font());
    const PixelRect client = MapDialogRect({0, 0, kMainDialogWidth, kMainDialogHeight}, m_Units);
    resize(client.width, client.height);

    CreateControls();
    ConnectControls();
    CreatePanel();
    m_Dlg.OnInitDialog();
    // The first control in the tab order, "Close", starts with the focus.
    m_pCloseButton->setFocus(Qt::OtherFocusReason);
}

MainDialogWindow::~MainDialogWindow() {
    // The passes read the dialog's file, which goes before the views do.
    if (m_pKinetics) {
        m_pKinetics->ReleaseFile();
    }
}

void MainDialogWindow::CreateControls() {
    QWidget* previous = nullptr;
    for (const ControlTemplate& item : kMainDialogControls) {
        const QString caption = QString::fromLatin1(item.caption);
        QWidget* widget = nullptr;
        switch (item.kind) {
            case ControlKind::DefaultPushButton: {
                auto* button = new QPushButton(caption, this);
                button->setDefault(true);
                widget = button;
                break;
            }
            case ControlKind::PushButton:
                widget = new QPushButton(caption, this);
                break;
            case ControlKind::GroupBox: {
                // The frame line runs through the middle of the title, which interrupts it,
                // so the frame's top edge stands where the template puts the box.
                auto* group = new QGroupBox(caption, this);
                group->setStyleSheet(
                    QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px;"
                                   " margin-top: 0.5em; }"
                                   "QGroupBox::title { subcontrol-origin: margin; left: 6px;"
                                   " padding: 0 2px; }"));
                widget = group;
                break;
            }
            case ControlKind::ReadOnlyEdit: {
                auto* edit = new QLineEdit(this);
                edit->setReadOnly(true);
                widget = edit;
                break;
            }
            case ControlKind::Edit:
                widget = new QLineEdit(this);
                break;
            case ControlKind::LogEdit: {
                auto* log = new QPlainTextEdit(this);
                log->setLineWrapMode(QPlainTextEdit::NoWrap);
                log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                // Tab moves on to the next control, as in every dialog.
                log->setTabChangesFocus(true);
                m_pLog = log;
                widget = log;
                break;
            }
            case ControlKind::CheckBox:
                widget = new QCheckBox(caption, this);
                break;
            case ControlKind::RadioButton:
                widget = new QRadioButton(caption, this);
                break;
            case ControlKind::Label: {
                auto* label = new QLabel(caption, this);
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                widget = label;
                break;
            }
        }
        const PixelRect rect = MapDialogRect(item.rect, m_Units);
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
        if (item.kind == ControlKind::GroupBox) {
            // A group box only frames the controls placed over it.
            widget->lower();
            continue;
        }
        widget->setObjectName(QStringLiteral("control%1").arg(item.id));
        m_Controls[static_cast<Control>(item.id)] = widget;
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous != nullptr) {
                setTabOrder(previous, widget);
            }
            previous = widget;
        }
    }
    // Following the loaded file's folder, under the log beside "Close", after the documented
    // controls in the tab order.
    for (const auto& [control, rect, caption] :
         {std::tuple{Control::FollowFolder, kFollowFolderRect, kFollowFolderCaption},
          std::tuple{Control::ConvertEachNew, kConvertEachNewRect, kConvertEachNewCaption}}) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), this);
        const PixelRect place = MapDialogRect(rect, m_Units);
        box->setGeometry(place.x, place.y, place.width, place.height);
        box->setObjectName(QStringLiteral("control%1").arg(static_cast<int>(control)));
        box->setEnabled(false);
        m_Controls[control] = box;
        setTabOrder(previous, box);
        previous = box;
    }
    m_pCloseButton = static_cast<QAbstractButton*>(m_Controls.at(Control::Close));

    // Controls without a visible label of their own get a name for screen readers.
    m_Controls.at(Control::FilePath)->setAccessibleName(tr("SDF file path"));
    m_Controls.at(Control::Selection)->setAccessibleName(tr("Selected scans"));
    m_Controls.at(Control::Log)->setAccessibleName(tr("Log"));
    // ">>" read out letter by letter says nothing; tell what it does.
    m_Controls.at(Control::Browse)->setAccessibleName(tr("Browse for an SDF file"));

    // Files dropped on the edits go to the window, not into their text.
    for (Control edit : {Control::FilePath, Control::Selection, Control::Log}) {
        m_Controls.at(edit)->installEventFilter(this);
    }
    m_pLog->viewport()->installEventFilter(this);
}

void MainDialogWindow::ConnectControls() {
    auto button = [this](Control control) {
        return static_cast<QAbstractButton*>(m_Controls.at(control));
    };
    connect(button(Control::Close), &QAbstractButton::clicked, this, [this] { accept(); });
    connect(button(Control::Browse), &QAbstractButton::clicked, this,
            [this] { Run([this] { m_Dlg.OnBrowse(); }); });
    connect(button(Control::Convert), &QAbstractButton::clicked, this,
            [this] { Run([this] { m_Dlg.OnConvert(); }); });
    for (Control option : {Control::WithWavelength, Control::WithPixel}) {
        connect(button(option), &QAbstractButton::clicked, this,
                [this] { Run([this] { m_Dlg.OnSaveOptionChanged(); }); });
    }
    connect(button(Control::OneFile), &QAbstractButton::clicked, this,
            [this] { Run([this] { m_Dlg.OnOneFileClicked(); }); });
    connect(button(Control::ConvertAll), &QAbstractButton::clicked, this,
            [this] { Run([this] { m_Dlg.OnConvertAllClicked(); }); });
    connect(button(Control::ConvertSelected), &QAbstractButton::clicked, this,
            [this] { Run([this] { m_Dlg.OnConvertSelectedClicked(); }); });
    connect(button(Control::FollowFolder), &QAbstractButton::clicked, this,
            [this] { Run([this] { m_Dlg.OnFollowClicked(); }); });
    connect(button(Control::ConvertEachNew), &QAbstractButton::clicked, this,
            [this] { Run([this] { m_Dlg.OnConvertEachNewClicked(); }); });
    m_pFollowTimer = new QTimer(this);
    m_pFollowTimer->setObjectName(QStringLiteral("followTimer"));
    m_pFollowTimer->setInterval(kFollowTickMs);
    connect(m_pFollowTimer, &QTimer::timeout, this,
            [this] { Run([this] { m_Dlg.OnFollowTick(); }); });
}

void MainDialogWindow::CreatePanel() {
    m_pPanel = new SpectrumPanel(this);
    m_pPanel->setObjectName(QStringLiteral("spectrumPanel"));
    connect(m_pPanel, &SpectrumPanel::savePlotRequested, this,
            [this] { Run([this] { SavePlot(); }); });
    connect(m_pPanel, &SpectrumPanel::exportRequested, this, [this] { Run([this] { Export(); }); });
    // The window grows to the right by the panel's width, less where the screen is narrower
    // (never below the controls' own width).
    const PixelRect client = MapDialogRect({0, 0, kMainDialogWidth, kMainDialogHeight}, m_Units);
    const PixelRect grown = MapDialogRect(
        {0, 0, kMainDialogWidth + kPanelWidth + kPanelRightMargin, kMainDialogHeight}, m_Units);
    int width = grown.width;
    if (const QScreen* display = screen()) {
        width = std::max(client.width, std::min(width, display->availableGeometry().width()));
    }
    resize(width, client.height);
    CreateKineticsViews();
    PlacePanel();
}

void MainDialogWindow::CreateKineticsViews() {
    // The rows of a map: as many as the screen has device pixels up and down.
    std::size_t rows = kDefaultMapRows;
    if (const QScreen* display = screen()) {
        rows = static_cast<std::size_t>(
            std::max(256.0, display->geometry().height() * display->devicePixelRatio()));
    }
    m_pKinetics = std::make_unique<Kinetics>(rows);
    m_pViewTabs = new QTabBar(this);
    m_pViewTabs->setObjectName(QStringLiteral("viewTabs"));
    m_pViewTabs->setAccessibleName(tr("View"));
    m_pViewTabs->addTab(tr("Spectrum"));
    m_pViewTabs->addTab(tr("Trace"));
    m_pViewTabs->addTab(tr("Map"));
    m_pViewTabs->setDrawBase(false);
    m_pTraceView = new TracePanel(*m_pKinetics, this);
    m_pTraceView->setObjectName(QStringLiteral("tracePanel"));
    m_pMapView = new MapPanel(*m_pKinetics, this);
    m_pMapView->setObjectName(QStringLiteral("mapPanel"));
    ShowView(0);
    connect(m_pViewTabs, &QTabBar::currentChanged, this, [this](int index) { ShowView(index); });

    // A Ctrl+click on the spectrum traces the wavelength under the pointer.
    connect(m_pPanel, &SpectrumPanel::wavelengthPicked, this, [this](double wavelength) {
        if (m_pTraceView->AddWavelength(wavelength)) {
            m_pPanel->ShowReadoutNote(
                tr("%1 is traced: see the Trace view.")
                    .arg(QString::fromUtf8(m_pKinetics->Trace().WavelengthLabel(
                        m_pKinetics->Trace().Wavelengths().size() - 1))));
        }
    });
    connect(m_pTraceView, &TracePanel::scanPicked, this, [this](int number) {
        m_pPanel->ShowScan(number);
        ShowView(0);
    });
    connect(m_pMapView, &MapPanel::pointPicked, this,
            [this](int number, double wavelength, bool trace) {
                m_pPanel->ShowScan(number);
                if (trace) {
                    m_pTraceView->AddWavelength(wavelength);
                } else {
                    ShowView(0);
                }
            });
    connect(m_pTraceView, &TracePanel::savePlotRequested, this,
            [this] { Run([this] { SaveTracePlot(); }); });
    connect(m_pTraceView, &TracePanel::exportTableRequested, this,
            [this] { Run([this] { ExportTrace(); }); });
    connect(m_pMapView, &MapPanel::savePlotRequested, this,
            [this] { Run([this] { SaveMapPlot(); }); });

    m_pKineticsTimer = new QTimer(this);
    m_pKineticsTimer->setObjectName(QStringLiteral("kineticsTimer"));
    m_pKineticsTimer->setInterval(kKineticsTickMs);
    connect(m_pKineticsTimer, &QTimer::timeout, this, [this] {
        if (m_pKinetics->Poll()) {
            m_pTraceView->Refresh();
            m_pMapView->Refresh();
        }
    });
}

void MainDialogWindow::ShowView(int index) {
    if (m_pViewTabs->currentIndex() != index) {
        const QSignalBlocker block(m_pViewTabs);
        m_pViewTabs->setCurrentIndex(index);
    }
    m_pPanel->setVisible(index == 0);
    m_pTraceView->setVisible(index == 1);
    m_pMapView->setVisible(index == 2);
}

void MainDialogWindow::PlacePanel() {
    if (m_pPanel == nullptr) {
        return;
    }
    const PixelRect top = MapDialogRect({kMainDialogWidth, kPanelTop, 0, 0}, m_Units);
    const PixelRect margins = MapDialogRect({0, 0, kPanelRightMargin, kPanelBottomMargin}, m_Units);
    const int panelWidth = std::max(0, width() - top.x - margins.width);
    int panelTop = top.y;
    if (m_pViewTabs != nullptr) {
        // The tabs that choose the view stand above it.
        const int tabsHeight = m_pViewTabs->sizeHint().height();
        m_pViewTabs->setGeometry(top.x, top.y, panelWidth, tabsHeight);
        panelTop += tabsHeight;
    }
    const QRect place(top.x, panelTop, panelWidth,
                      std::max(0, height() - panelTop - margins.height));
    m_pPanel->setGeometry(place);
    if (m_pTraceView != nullptr) {
        m_pTraceView->setGeometry(place);
        m_pMapView->setGeometry(place);
    }
}

void MainDialogWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlacePanel();
}

void MainDialogWindow::FileLoaded() {
    m_pPanel->ShowFile(m_Dlg.File());
    m_pKinetics->ShowFile(m_Dlg.File());
    m_pTraceView->Refresh();
    m_pMapView->Refresh();
    m_pKineticsTimer->start();
}

void MainDialogWindow::FileReleasing() {
    if (m_pKinetics) {
        m_pKinetics->ReleaseFile();
    }
}

void MainDialogWindow::SavePictureOf(
    const QString& suggested, const std::function<std::optional<QString>(const QString&)>& save) {
    if (m_Dlg.IsBusy() || m_Dlg.LoadedPath().empty() || !m_Prompts.choosePlotFile) {
        return;
    }
    const std::optional<QString> path = m_Prompts.choosePlotFile(this, suggested);
    if (!path) {
        return;
    }
    if (const std::optional<QString> reason = save(*path)) {
        ShowMessage(tr("Could not save %1: %2").arg(*path, *reason).toUtf8().toStdString());
    }
}

void MainDialogWindow::SaveTracePlot() {
    SavePictureOf(m_pTraceView->SuggestedPictureName(),
                  [this](const QString& path) { return m_pTraceView->SavePicture(path); });
}

void MainDialogWindow::SaveMapPlot() {
    SavePictureOf(m_pMapView->SuggestedPictureName(),
                  [this](const QString& path) { return m_pMapView->SavePicture(path); });
}

void MainDialogWindow::ExportTrace() {
    if (m_Dlg.IsBusy() || m_Dlg.LoadedPath().empty() || !m_Prompts.chooseTableFile) {
        return;
    }
    const std::optional<QString> path =
        m_Prompts.chooseTableFile(this, m_pTraceView->SuggestedTableName());
    if (!path) {
        return;
    }
    if (const std::optional<QString> reason = m_pTraceView->ExportTable(*path)) {
        ShowMessage(tr("Could not save %1: %2").arg(*path, *reason).toUtf8().toStdString());
    }
}

void MainDialogWindow::ShowNewestScan() {
    m_pPanel->ShowScan(static_cast<int>(m_Dlg.File().ScanCount()));
}

void MainDialogWindow::SetTicking(bool ticking) {
    if (ticking) {
        m_pFollowTimer->start();
    } else {
        m_pFollowTimer->stop();
    }
}

void MainDialogWindow::OpenFile(const QString& path) {
    const std::string bytes = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
    Run([this, &bytes] { m_Dlg.OnOpenFile(bytes); });
}

void MainDialogWindow::SavePlot() {
    if (m_Dlg.IsBusy() || !m_pPanel->HasFile() || !m_Prompts.choosePlotFile) {
        return;
    }
    const std::optional<QString> path =
        m_Prompts.choosePlotFile(this, m_pPanel->SuggestedPlotName());
    if (!path) {
        return;
    }
    if (const std::optional<QString> reason = m_pPanel->SavePlot(*path)) {
        ShowMessage(tr("Could not save %1: %2").arg(*path, *reason).toUtf8().toStdString());
    }
}

void MainDialogWindow::Export() {
    if (m_Dlg.IsBusy() || m_Dlg.LoadedPath().empty() || !m_Prompts.chooseExport) {
        return;
    }
    const QString folder = QFileInfo(QFile::decodeName(m_Dlg.LoadedPath().c_str())).absolutePath();
    const std::optional<ExportChoice> choice =
        m_Prompts.chooseExport(this, folder, FromBytes(m_Dlg.ExportScope()));
    if (choice) {
        m_Dlg.OnExport(*choice);
    }
}

void MainDialogWindow::Run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowMessage(error.what());
    }
}

QWidget* MainDialogWindow::ControlWidget(Control control) const {
    const auto found = m_Controls.find(control);
    return found == m_Controls.end() ? nullptr : found->second;
}

std::string MainDialogWindow::Text(Control control) const {
    QWidget* widget = ControlWidget(control);
    if (widget == nullptr) {
        return {};
    }
    if (widget == m_pLog) {
        if (!m_pLog->document()->isModified()) {
            return m_strLogBytes;
        }
        return LogFromDisplay(m_pLog->toPlainText());
    }
    QString text;
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        text = edit->text();
        const auto shown = m_ShownTexts.find(control);
        if (shown != m_ShownTexts.end() && shown->second.second == text) {
            return shown->second.first;
        }
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        text = button->text();
    }
    return text.toUtf8().toStdString();
}

void MainDialogWindow::SetText(Control control, const std::string& text) {
    QWidget* widget = ControlWidget(control);
    if (widget == nullptr) {
        return;
    }
    if (widget == m_pLog) {
        m_pLog->setPlainText(LogToDisplay(text));
        m_pLog->document()->setModified(false);
        m_strLogBytes = text;
        return;
    }
    const QString shown = FromBytes(text);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // Setting the same text again would move the caret and drop a selection.
        if (edit->text() != shown) {
            edit->setText(shown);
        }
        m_ShownTexts[control] = {text, shown};
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(shown);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(shown);
    }
}

void MainDialogWindow::AppendText(Control control, const std::string& text) {
    QWidget* widget = ControlWidget(control);
    if (widget == nullptr) {
        return;
    }
    if (widget != m_pLog) {
        SetText(control, Text(control) + text);
        return;
    }
    const bool typedInto = m_pLog->document()->isModified();
    QTextCursor end(m_pLog->document());
    end.movePosition(QTextCursor::End);
    end.insertText(LogToDisplay(text));
    if (!typedInto) {
        m_pLog->document()->setModified(false);
        m_strLogBytes += text;
    }
    // Keep the newest line in view.
    m_pLog->verticalScrollBar()->setValue(m_pLog->verticalScrollBar()->maximum());
}

bool MainDialogWindow::IsChecked(Control control) const {
    auto* button = qobject_cast<QAbstractButton*>(ControlWidget(control));
    return button != nullptr && button->isChecked();
}

void MainDialogWindow::SetChecked(Control control, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(ControlWidget(control))) {
        button->setChecked(checked);
    }
}

void MainDialogWindow::Enable(Control control, bool enabled) {
    if (QWidget* widget = ControlWidget(control)) {
        widget->setEnabled(enabled);
    }
}

void MainDialogWindow::PaintNow() {
    // Paints the changed controls at once; no events are processed, so no input arrives.
    // Lines that follow each other faster than a screen frame are painted together: a
    // conversion of thousands of scans would otherwise spend most of its time painting.
    if (!isVisible()) {
        return;
    }
    if (m_LastPaint.isValid() && m_LastPaint.elapsed() < kPaintIntervalMs) {
        return;
    }
    repaint();
    m_LastPaint.restart();
}

void MainDialogWindow::ShowMessage(const std::string& text) {
    if (m_Prompts.message) {
        m_Prompts.message(this, FromBytes(text));
    }
}

bool MainDialogWindow::AskYesNo(const std::string& text) {
    return m_Prompts.askYesNo && m_Prompts.askYesNo(this, FromBytes(text));
}

std::optional<std::string> MainDialogWindow::ChooseFile(const OpenFileRequest& request) {
    if (!m_Prompts.chooseFile) {
        return std::nullopt;
    }
    const std::optional<QString> chosen = m_Prompts.chooseFile(this, request);
    if (!chosen) {
        return std::nullopt;
    }
    return QFile::encodeName(*chosen).toStdString();
}

void MainDialogWindow::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MainDialogWindow::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void MainDialogWindow::Pause(int milliseconds) {
    // Wait while still painting the window, but take no clicks or keys meanwhile.
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void MainDialogWindow::AcceptDroppedFiles() {
    m_bAcceptDrops = true;
    setAcceptDrops(true);
}

void MainDialogWindow::AddAboutCommand(const std::string& caption) {
    m_strAboutCaption = FromBytes(caption);
    if (m_strAboutCaption.isEmpty()) {
        return;
    }
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { Run([this] { m_Dlg.OnAboutCommand(); }); });
}

void MainDialogWindow::ShowAboutBox() {
    if (m_Prompts.about) {
        m_Prompts.about(this);
    }
}

void MainDialogWindow::EndDialog(int result) {
    QDialog::done(result);
}

void MainDialogWindow::accept() {
    Run([this] { m_Dlg.OnCloseCommand(); });
}

void MainDialogWindow::reject() {
    Run([this] { m_Dlg.OnCloseCommand(); });
}

void MainDialogWindow::closeEvent(QCloseEvent* event) {
    // A close request that arrives while a load or a conversion paints waits for it.
    if (m_Dlg.IsBusy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void MainDialogWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (m_strAboutCaption.isEmpty()) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    QAction* about = menu.addAction(m_strAboutCaption);
    about->setShortcut(QKeySequence(Qt::Key_F1));
    connect(about, &QAction::triggered, this, [this] { Run([this] { m_Dlg.OnAboutCommand(); }); });
    menu.exec(event->globalPos());
}

bool MainDialogWindow::AcceptsDrag(const QMimeData* mime) const {
    if (!m_bAcceptDrops || m_Dlg.IsBusy() || mime == nullptr || !mime->hasUrls()) {
        return false;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            return true;
        }
    }
    return false;
}

void MainDialogWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDrag(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainDialogWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDrag(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void MainDialogWindow::dropEvent(QDropEvent* event) {
    if (!AcceptsDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
    }
    event->acceptProposedAction();
    // The load runs once the drop is over, so the file manager that sent it is not held up.
    QTimer::singleShot(0, this,
                       [this, paths] { Run([this, paths] { m_Dlg.OnDropFiles(paths); }); });
}

bool MainDialogWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (drag->mimeData() != nullptr && drag->mimeData()->hasUrls()) {
                if (AcceptsDrag(drag->mimeData())) {
                    drag->acceptProposedAction();
                } else {
                    drag->ignore();
                }
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (drop->mimeData() != nullptr && drop->mimeData()->hasUrls()) {
                dropEvent(drop);
                return true;
            }
            break;
        }
        case QEvent::KeyPress: {
            // Enter in the log ends the dialog like anywhere else; Ctrl+Enter breaks a line.
            auto* key = static_cast<QKeyEvent*>(event);
            if (watched == m_pLog &&
                (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                !(key->modifiers() & Qt::ControlModifier)) {
                m_pCloseButton->click();
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace quillon
