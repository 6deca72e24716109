// SPDX-License-Identifier: MIT
// SpectrumPanel: the plot beside the main dialog's controls. It shows the dark, the reference
// and one chosen scan of the loaded file against wavelength (or pixel number) with Qt Charts:
// a scan chooser with the scan's texts beside it, a quantity chooser, zoom by rubber band,
// wheel and keys, a readout of the values under the pointer, curves shown or hidden from the
// legend or their check boxes, and the buttons "Save plot..." and "Export...".
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

class QAbstractButton;
class QChart;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineSeries;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QValueAxis;

namespace quillon {

// The plot's view: zooms with the rubber band (right click zooms out), the wheel (about the
// pointer) and the keys + and - (arrows scroll), and reports where the pointer is.
class SpectrumChartView : public QChartView {
    Q_OBJECT

  public:
    explicit SpectrumChartView(QChart* chart, QWidget* parent = nullptr);

    // Zooms by `factor` (below 1 magnifies) about a point of the plot area, in chart
    // coordinates.
    void ZoomAbout(QPointF at, double factor);

  signals:
    // The pointer is over the plot at this position of the chart; or it left the plot.
    void pointerMoved(QPointF chartPosition);
    void pointerLeft();

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

class SpectrumPanel : public QWidget {
    Q_OBJECT

  public:
    explicit SpectrumPanel(QWidget* parent = nullptr);
    ~SpectrumPanel() override;

    // Shows a newly loaded file from its first scan, in the quantity chosen, zoom reset. The
    // file must outlive the panel or the next ShowFile.
    void ShowFile(const ScanFile& file);
    bool HasFile() const { return m_pFile != nullptr; }

    // Shows scan `number` (from 1) of the file, keeping the zoom.
    void ShowScan(int number);
    // Shows the scan as another quantity.
    void ShowQuantity(Quantity quantity);
    void SetCurveVisible(Curve curve, bool visible);
    bool IsCurveVisible(Curve curve) const;
    // Back to the whole file: all pixels and all values of the visible curves.
    void ResetZoom();
    bool IsZoomed() const { return m_bZoomed; }

    // Writes the plot as it is shown to `path`: SVG for a name ending in ".svg", PNG
    // otherwise, at twice the window's pixels at least. A failure leaves no file behind and
    // gives the reason.
    std::optional<QString> SavePlot(const QString& path) const;
    // A name for the picture of what is shown: "<base>_scan<k>_<quantity>.png".
    QString SuggestedPlotName() const;

    const SpectrumCurves& Curves() const { return m_Curves; }
    // The lines that draw a curve, in pixel order: one per run of defined values.
    std::vector<QLineSeries*> CurveLines(Curve curve) const;

    QChart* Chart() const { return m_pChart; }
    SpectrumChartView* ChartView() const { return m_pView; }
    QValueAxis* XAxis() const { return m_pXAxis; }
    QValueAxis* QuantityAxis() const { return m_pQuantityAxis; }
    QValueAxis* CountsAxis() const { return m_pCountsAxis; }
    QSpinBox* ScanChooser() const { return m_pScanChooser; }
    QLabel* ScanTexts() const { return m_pScanTexts; }
    QComboBox* QuantityChooser() const { return m_pQuantityChooser; }
    QCheckBox* CurveBox(Curve curve) const { return m_CurveBoxes[Index(curve)]; }
    QPushButton* ResetZoomButton() const { return m_pResetZoom; }
    QPushButton* SavePlotButton() const { return m_pSavePlot; }
    QPushButton* ExportButton() const { return m_pExport; }
    QLabel* Readout() const { return m_pReadout; }

    // The readout for a position of the chart (the pointer's).
    void ShowReadoutAt(QPointF chartPosition);

  signals:
    void savePlotRequested();
    void exportRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // One curve: its lines (the first carries the legend entry), its axis and whether shown.
    struct CurveLine {
        std::vector<QLineSeries*> pieces;
        std::size_t used = 0;
        QValueAxis* yAxis = nullptr;
        bool visible = true;
    };

    static std::size_t Index(Curve curve) { return static_cast<std::size_t>(curve); }
    void CreateControls();
    QHBoxLayout* CreateScanRow(QWidget* page);
    QHBoxLayout* CreateQuantityRow(QWidget* page);
    QHBoxLayout* CreateButtonRow(QWidget* page);
    void CreateChart();
    QLineSeries* AddPiece(Curve curve);
    // Puts the values of a curve into its lines, one line per run of defined values.
    void FillCurve(Curve curve, const std::vector<double>& values);
    void FillAllCurves();
    // Shows the marker of each curve's first line only, dimmed while the curve is hidden.
    void SyncLegend();
    void SyncLegendNow();
    void UpdateScanTexts();
    // Sets the value axes to the visible curves' values over the x range shown.
    void FitValues(double xLow, double xHigh);
    ValueRange FullXRange() const;
    void SetRange(QValueAxis* axis, ValueRange range);
    void UpdateTicks(QValueAxis* axis);
    void SetTicks(QValueAxis* axis, ValueRange range);
    void UpdateAxisTitles();
    void UpdateDescription();

    const ScanFile* m_pFile = nullptr;
    SpectrumCurves m_Curves;
    std::vector<PixelRun> m_Runs;
    bool m_bZoomed = false;
    bool m_bSettingRanges = false;
    bool m_bLegendSyncPending = false;

    QStackedWidget* m_pPages = nullptr;
    QSpinBox* m_pScanChooser = nullptr;
    QLabel* m_pScanTexts = nullptr;
    QComboBox* m_pQuantityChooser = nullptr;
    std::array<QCheckBox*, 3> m_CurveBoxes{};
    QPushButton* m_pResetZoom = nullptr;
    QPushButton* m_pSavePlot = nullptr;
    QPushButton* m_pExport = nullptr;
    QLabel* m_pReadout = nullptr;

    QChart* m_pChart = nullptr;
    SpectrumChartView* m_pView = nullptr;
    QValueAxis* m_pXAxis = nullptr;
    QValueAxis* m_pQuantityAxis = nullptr;  // left: the scan
    QValueAxis* m_pCountsAxis = nullptr;    // right: dark and reference
    std::array<CurveLine, 3> m_Lines;
};

}  // namespace quillon
