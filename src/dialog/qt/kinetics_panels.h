// SPDX-License-Identifier: MIT
// The Trace and Map views of the Qt window, beside the spectrum: TracePanel follows chosen
// wavelengths across the scans (add one by typing it or Ctrl+clicking the spectrum, remove
// one, click a point to show that scan), MapPanel shows every scan at once as it fills, with
// a Cancel button. Both draw the toolkit-free pictures (kinetics_picture.h) through a
// PainterCanvas and send the pointer, the wheel and the keys to the models of Kinetics.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "dialog/kinetics.h"
#include "dialog/kinetics_picture.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRubberBand;

namespace quillon {

// A widget that draws a picture and reports the pointer: moves, clicks (with the keys held),
// rectangles dragged with the left button, right clicks, the wheel and the zoom keys, in its
// own coordinates. It zooms nothing itself.
class PictureWidget : public QWidget {
    Q_OBJECT

  public:
    explicit PictureWidget(QWidget* parent = nullptr);
    // Draws the picture onto a canvas of the widget's size.
    std::function<void(PlotCanvas& canvas, double width, double height)> draw;

  signals:
    void pointerMoved(QPointF at);
    void pointerLeft();
    void clicked(QPointF at, Qt::KeyboardModifiers modifiers);
    void rectangleDragged(QRectF rectangle);
    void zoomOutClicked();
    void wheelTurned(QPointF at, double steps);
    void plotKeyPressed(quillon::PlotKey key);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QRubberBand* m_pBand = nullptr;
    QPoint m_PressedAt;
    bool m_bPressed = false;
};

// Writes a picture drawn by `draw` at `width` x `height` to `path`: SVG for a name ending in
// ".svg", PNG (at twice the size) otherwise; black on white. A failure leaves no file behind
// and gives the reason.
std::optional<QString> SavePicture(const QString& path, double width, double height,
                                   const QFont& font,
                                   const std::function<void(PlotCanvas&, double, double)>& draw);

class TracePanel : public QWidget {
    Q_OBJECT

  public:
    TracePanel(Kinetics& kinetics, QWidget* parent = nullptr);

    // Adds a wavelength (the spectrum's Ctrl+click); false (and the reason shown) when not.
    bool AddWavelength(double wavelength);
    // Shows the kinetics' trace as it is now (after a load, a poll).
    void Refresh();
    // The plot's area in the widget's coordinates, as last laid out.
    PlotArea Area() const;
    QString SuggestedPictureName() const;
    std::optional<QString> SavePicture(const QString& path) const;
    // Writes the table of the trace; the reason when it could not be written.
    std::optional<QString> ExportTable(const QString& path) const;
    QString SuggestedTableName() const;

  signals:
    // A point of the trace was clicked: show this scan (from 1) in the spectrum.
    void scanPicked(int number);
    void savePlotRequested();
    void exportTableRequested();
    // Enter pressed in the wavelength field.
    void wavelengthEntered();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TraceLayout Layout() const;
    void ApplyList();
    // The readout for the pointer where it rests; the hint away from the plot.
    void ShowReadout();

    Kinetics& m_Kinetics;
    QLineEdit* m_pWavelength = nullptr;
    QPushButton* m_pAdd = nullptr;
    QComboBox* m_pTraced = nullptr;
    QPushButton* m_pRemove = nullptr;
    QComboBox* m_pQuantity = nullptr;
    PictureWidget* m_pPlot = nullptr;
    QLabel* m_pReadout = nullptr;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pResetZoom = nullptr;
    QPushButton* m_pSavePlot = nullptr;
    QPushButton* m_pExport = nullptr;
    std::optional<QPointF> m_Pointer;
};

class MapPanel : public QWidget {
    Q_OBJECT

  public:
    MapPanel(Kinetics& kinetics, QWidget* parent = nullptr);

    // Shows the kinetics' map as it is now: the picture, the progress and Cancel.
    void Refresh();
    PlotArea Area() const;
    // The point last picked with a click, marked on the map.
    std::optional<MapPick> Picked() const { return m_Picked; }
    QString SuggestedPictureName() const;
    std::optional<QString> SavePicture(const QString& path) const;

  signals:
    // A click picked a scan (from 1) and a wavelength; `trace` when Ctrl was held (the
    // wavelength is to be traced).
    void pointPicked(int scanNumber, double wavelength, bool trace);
    void savePlotRequested();

  private:
    MapLayout Layout() const;
    void ShowReadout();

    Kinetics& m_Kinetics;
    QComboBox* m_pQuantity = nullptr;
    QComboBox* m_pRows = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pCancel = nullptr;
    QLabel* m_pStatus = nullptr;
    PictureWidget* m_pMap = nullptr;
    QLabel* m_pReadout = nullptr;
    QPushButton* m_pResetZoom = nullptr;
    QPushButton* m_pSavePlot = nullptr;
    std::optional<MapPick> m_Picked;
    std::optional<QPointF> m_Pointer;
};

}  // namespace quillon
