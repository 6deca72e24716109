// SPDX-License-Identifier: MIT
// SpectrumPanel: the plot beside the main dialog's controls. It shows the dark, the reference
// and one chosen scan of the loaded file against wavelength (or pixel number) with Qt Charts:
// a scan chooser with the scan's texts beside it, a quantity chooser, zoom by a dragged
// rectangle, wheel and keys, a readout of the values under the pointer, curves shown or hidden
// from the legend or their check boxes, and the buttons "Save plot..." and "Export...". What
// the plot shows is held and computed by SpectrumPlot (dialog/spectrum_plot.h).
#pragma once

#include <QChartView>
#include <QString>
#include <QWidget>
#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "dialog/spectrum_plot.h"
#include "scanfile/scan_file.h"

class QChart;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineSeries;
class QPushButton;
class QRubberBand;
class QSpinBox;
class QStackedWidget;
class QValueAxis;

namespace quillon {

// The plot's view: it draws the chart and turns the pointer, the wheel and the keys into
// requests to the plot model (a dragged rectangle, a right click, the wheel about the pointer,
// + - and the arrows), in chart coordinates. It zooms nothing itself.
class SpectrumChartView : public QChartView {
    Q_OBJECT

  public:
    explicit SpectrumChartView(QChart* chart, QWidget* parent = nullptr);

  signals:
    // The pointer is over the plot at this position of the chart; or it left the plot.
    void pointerMoved(QPointF chartPosition);
    void pointerLeft();
    // A rectangle dragged inside the plot with the left button, in chart coordinates.
    void rectangleDragged(QRectF chartRectangle);
    // A right click on the plot.
    void zoomOutClicked();
    // A left click with Ctrl held on the plot, in chart coordinates.
    void ctrlClicked(QPointF chartPosition);
    // The wheel turned by `steps` notches (forward > 0) at this position of the chart.
    void wheelTurned(QPointF chartPosition, double steps);
    void plotKeyPressed(quillon::PlotKey key);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QPointF ChartPoint(QPoint viewPoint) const;

    QRubberBand* m_pBand = nullptr;
    QPoint m_BandOrigin;
};

// The panel applies the plot model (SpectrumPlot) to its widgets, with their signals blocked
// while it does, and sends the user's input to the model; it keeps no state of the plot of
// its own.
class SpectrumPanel : public QWidget {
    Q_OBJECT

  public:
    explicit SpectrumPanel(QWidget* parent = nullptr);
    ~SpectrumPanel() override;

    // Shows a newly loaded file from its first scan, in the quantity chosen, zoom reset. The
    // file must outlive the panel or the next ShowFile.
    void ShowFile(const ScanFile& file);
    bool HasFile() const { return m_Plot.HasFile(); }

    // Shows scan `number` (from 1) of the file, keeping the zoom.
    void ShowScan(int number);
    // Shows the scan as another quantity.
    void ShowQuantity(Quantity quantity);
    void SetCurveVisible(Curve curve, bool visible);
    // Back to the whole file: all pixels and all values of the visible curves.
    void ResetZoom();

    // What the plot shows: the curves, axes, zoom and legend the chart is drawn from.
    const SpectrumPlot& Plot() const { return m_Plot; }

    // Writes the plot as it is shown to `path`: SVG for a name ending in ".svg", PNG
    // otherwise, at twice the window's pixels at least. A failure leaves no file behind and
    // gives the reason.
    std::optional<QString> SavePlot(const QString& path) const;
    // A name for the picture of what is shown: "<base>_scan<k>_<quantity>.png".
    QString SuggestedPlotName() const;

    // Shows a note where the readout stands until the pointer moves again.
    void ShowReadoutNote(const QString& text);

  signals:
    void savePlotRequested();
    void exportRequested();
    // Ctrl+click on the plot: the wavelength (or pixel number) of the pixel under the pointer.
    void wavelengthPicked(double wavelength);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The lines that draw one curve, one per run of defined values; the first carries the
    // legend entry. Lines beyond `used` are empty and hidden.
    struct CurveLine {
        std::vector<QLineSeries*> pieces;
        std::size_t used = 0;
        QValueAxis* yAxis = nullptr;
    };

    static std::size_t Index(Curve curve) { return static_cast<std::size_t>(curve); }
    void CreateControls();
    QHBoxLayout* CreateScanRow(QWidget* page);
    QHBoxLayout* CreateQuantityRow(QWidget* page);
    QHBoxLayout* CreateButtonRow(QWidget* page);
    void CreateChart();
    QLineSeries* AddPiece(Curve curve);
    PlotArea Area() const;

    // Each applies one part of the model to the widgets.
    void ApplyCurve(Curve curve);
    void ApplyVisibility();
    void ApplyAxes();
    void ApplyChoosers();
    void ApplyTexts();
    // Shows the marker of each curve's first line only, dimmed while the curve is hidden.
    void SyncLegend();
    void SyncLegendNow();
    void ShowReadoutAt(QPointF chartPosition);

    SpectrumPlot m_Plot;
    bool m_bLegendSyncPending = false;

    QStackedWidget* m_pPages = nullptr;
    QSpinBox* m_pScanChooser = nullptr;
    QLabel* m_pScanTexts = nullptr;
    QComboBox* m_pQuantityChooser = nullptr;
    std::array<QCheckBox*, kCurveCount> m_CurveBoxes{};
    QPushButton* m_pResetZoom = nullptr;
    QPushButton* m_pSavePlot = nullptr;
    QPushButton* m_pExport = nullptr;
    QLabel* m_pReadout = nullptr;

    QChart* m_pChart = nullptr;
    SpectrumChartView* m_pView = nullptr;
    QValueAxis* m_pXAxis = nullptr;
    // One per value axis of the model: left the scan's quantity, right dark and reference.
    std::array<QValueAxis*, 2> m_ValueAxes{};
    std::array<CurveLine, kCurveCount> m_Lines;
};

}  // namespace quillon
