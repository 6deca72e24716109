// SPDX-License-Identifier: MIT
// The spectrum panel of the Qt window, offscreen: the lines hold exactly the values the export
// layer computes, for every quantity and scan; the choosers follow the loaded file; a failed
// load keeps the plot; files without pixels or scans; zoom, legend, readout, pictures of the
// plot, accessible names, and the panel's place beside the documented controls.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <limits>

#include "dialog/qt/main_dialog_window.h"
#include "dialog/qt/spectrum_panel.h"
#include "export/quantities.h"
#include "platform/log_sink.h"
#include "render/spectrum_tables.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"

using quillon::Control;
using quillon::Curve;
using quillon::MainDialogWindow;
using quillon::Quantity;
using quillon::SpectrumPanel;
using quillon::StyleOf;
using quillon::WindowPrompts;

namespace {

class NoLog : public quillon::LogSink {
  public:
    void Append(std::string_view) override {}
};

// The panel's widgets, found as a user finds them: by their names.
template <typename Widget>
Widget* Child(const SpectrumPanel& panel, const QString& name) {
    auto* widget = panel.findChild<Widget*>(name);
    if (widget == nullptr) {
        qFatal("the panel has no %s", qPrintable(name));
    }
    return widget;
}
QSpinBox* ScanChooser(const SpectrumPanel& panel) {
    return Child<QSpinBox>(panel, QStringLiteral("scanChooser"));
}
QComboBox* QuantityChooser(const SpectrumPanel& panel) {
    return Child<QComboBox>(panel, QStringLiteral("quantityChooser"));
}
QLabel* ScanTexts(const SpectrumPanel& panel) {
    return Child<QLabel>(panel, QStringLiteral("scanTexts"));
}
QLabel* Readout(const SpectrumPanel& panel) {
    return Child<QLabel>(panel, QStringLiteral("readout"));
}
QCheckBox* CurveBox(const SpectrumPanel& panel, Curve curve) {
    return Child<QCheckBox>(panel, QStringLiteral("show") + QLatin1String(StyleOf(curve).name));
}
QPushButton* Button(const SpectrumPanel& panel, const char* name) {
    return Child<QPushButton>(panel, QLatin1String(name));
}
QChartView* ChartView(const SpectrumPanel& panel) {
    return Child<QChartView>(panel, QStringLiteral("spectrumPlot"));
}
QChart* Chart(const SpectrumPanel& panel) {
    return ChartView(panel)->chart();
}
// The axis drawn along one side of the plot.
QValueAxis* AxisAt(const SpectrumPanel& panel, Qt::Alignment side) {
    for (QAbstractAxis* axis : Chart(panel)->axes()) {
        if (axis->alignment() == side) {
            return qobject_cast<QValueAxis*>(axis);
        }
    }
    qFatal("no axis on that side");
}
QValueAxis* XAxis(const SpectrumPanel& panel) {
    return AxisAt(panel, Qt::AlignBottom);
}
QValueAxis* QuantityAxis(const SpectrumPanel& panel) {
    return AxisAt(panel, Qt::AlignLeft);
}
QValueAxis* CountsAxis(const SpectrumPanel& panel) {
    return AxisAt(panel, Qt::AlignRight);
}
// The lines that draw a curve, in pixel order: one per run of defined values.
QList<QLineSeries*> CurveLines(const SpectrumPanel& panel, Curve curve) {
    QList<QLineSeries*> lines;
    for (QAbstractSeries* series : Chart(panel)->series()) {
        auto* line = qobject_cast<QLineSeries*>(series);
        if (line != nullptr && line->name() == QLatin1String(StyleOf(curve).name) &&
            line->count() > 0) {
            lines.append(line);
        }
    }
    return lines;
}
// The points of all lines of a curve, in order.
QList<QPointF> PointsOf(const SpectrumPanel& panel, Curve curve) {
    QList<QPointF> points;
    for (QLineSeries* line : CurveLines(panel, curve)) {
        points += line->points();
    }
    return points;
}
// A point of the plot area, given as fractions of its width and height, in the view's
// coordinates.
QPoint AtPlot(const SpectrumPanel& panel, double fx, double fy) {
    const QRectF area = Chart(panel)->plotArea();
    return ChartView(panel)->mapFromScene(Chart(panel)->mapToScene(
        QPointF(area.left() + fx * area.width(), area.top() + fy * area.height())));
}

// What a curve must show: (x, value) of each pixel whose value is defined, and how many runs
// of consecutive defined pixels there are (each drawn as one line).
struct Expected {
    QList<QPointF> points;
    int runs = 0;
};

Expected ExpectedCurve(const std::vector<float>& axis, const std::vector<double>& values) {
    Expected expected;
    bool inRun = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const bool defined = std::isfinite(values[i]);
        if (defined) {
            expected.points.append(QPointF(axis[i], values[i]));
            if (!inRun) {
                ++expected.runs;
            }
        }
        inRun = defined;
    }
    return expected;
}

// Compares point lists bit for bit (QPointF's == is fuzzy).
bool SameBits(const QList<QPointF>& a, const QList<QPointF>& b, QString* why) {
    if (a.size() != b.size()) {
        *why = QStringLiteral("%1 points, expected %2").arg(a.size()).arg(b.size());
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(QPointF)) != 0) {
            *why = QStringLiteral("point %1 is (%2, %3), expected (%4, %5)")
                       .arg(i)
                       .arg(a[i].x(), 0, 'g', 17)
                       .arg(a[i].y(), 0, 'g', 17)
                       .arg(b[i].x(), 0, 'g', 17)
                       .arg(b[i].y(), 0, 'g', 17);
            return false;
        }
    }
    return true;
}

}  // namespace

class SpectrumPanelTest : public QObject {
    Q_OBJECT

  private:
    WindowPrompts ScriptedPrompts() {
        WindowPrompts prompts;
        prompts.message = [this](QWidget*, const QString& text) { m_Messages << text; };
        prompts.askYesNo = [](QWidget*, const QString&) { return false; };
        prompts.chooseFile = [](QWidget*,
                                const quillon::OpenFileRequest&) -> std::optional<QString> {
            return std::nullopt;
        };
        prompts.choosePlotFile = [this](QWidget*,
                                        const QString& suggested) -> std::optional<QString> {
            m_Suggested << suggested;
            if (m_strPlotFile.isEmpty()) {
                return std::nullopt;
            }
            return m_strPlotFile;
        };
        return prompts;
    }

    // Six pixels on a rising calibration, a dark and reference with the edge cases of the
    // quantities (R = D at pixel 3, a dark that is not a number at pixel 5), three scans.
    quillon::testing::SdfBuilder EdgeFile() {
        quillon::testing::SdfBuilder sdf(6);
        sdf.ccd.fCal[0] = 350.25f;
        sdf.ccd.fCal[1] = 0.75f;
        sdf.ccd.fCal[2] = 1.5e-3f;
        sdf.dark = {100.5f, 100.0f, 100.0f, 90.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f};
        sdf.ref = {2100.0f, 1100.0f, 100.0f, 4000.0f, 5000.0f, 65535.0f};
        sdf.AddScan({"Hg lamp", "fibre 2", "2024-03-01 10:15:02", {600, 50, 300, 90, 7, 0}, 0});
        sdf.AddScan({"", "", "", {2100, 1100, 100, 4000, 5000, 65535}, 0});
        sdf.AddScan({"third", "", "", {-5, 2147483647, -2147483647 - 1, 100, 100, 1}, 0});
        return sdf;
    }

    QString Write(const QString& name, const quillon::testing::SdfBuilder& sdf) {
        const QString path = m_Dir.filePath(name);
        sdf.WriteTo(QFile::encodeName(path).toStdString());
        return path;
    }

    // A window of a size that leaves the plot room whatever the offscreen screen's size.
    static void Open(MainDialogWindow& window) {
        window.resize(1400, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    static void Load(MainDialogWindow& window, const QString& path) {
        window.Dialog().OnDropFiles({QFile::encodeName(path).toStdString()});
    }

    static quillon::ScanFile LoadDirectly(const QString& path) {
        NoLog log;
        return quillon::LoadScanFile(QFile::encodeName(path).toStdString(), log);
    }

    QTemporaryDir m_Dir;
    QStringList m_Messages;
    QStringList m_Suggested;
    QString m_strPlotFile;

  private slots:
    void init() {
        QVERIFY(m_Dir.isValid());
        m_Messages.clear();
        m_Suggested.clear();
        m_strPlotFile.clear();
    }

    void theLinesHoldExactlyTheExportLayersValuesForEveryQuantityAndScan() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        const quillon::ScanFile file = LoadDirectly(path);
        const std::vector<float> axis = quillon::WavelengthAxis(file);
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        QVERIFY(m_Messages.isEmpty());

        // The dark and the reference stay raw whatever the quantity; the NaN dark is a gap.
        const std::vector<double> dark(file.m_pDarkData.begin(), file.m_pDarkData.end());
        const std::vector<double> ref(file.m_pRefData.begin(), file.m_pRefData.end());
        QString why;
        for (auto [curve, values] :
             {std::pair{Curve::kDark, dark}, std::pair{Curve::kReference, ref}}) {
            const Expected expected = ExpectedCurve(axis, values);
            QVERIFY2(SameBits(PointsOf(panel, curve), expected.points, &why), qPrintable(why));
            QCOMPARE(static_cast<int>(CurveLines(panel, curve).size()), expected.runs);
        }

        int undefinedSeen = 0;
        for (int q = 0; q < 4; ++q) {
            QuantityChooser(panel)->setCurrentIndex(q);
            const Quantity quantity = quillon::kPlotQuantities[q];
            for (int scan = 1; scan <= 3; ++scan) {
                ScanChooser(panel)->setValue(scan);
                std::vector<double> values(6);
                undefinedSeen += static_cast<int>(quillon::ComputeQuantity(
                    quantity, file, static_cast<std::size_t>(scan - 1), values));
                const Expected expected = ExpectedCurve(axis, values);
                const QString where = QStringLiteral("quantity %1, scan %2: ").arg(q).arg(scan);
                QVERIFY2(SameBits(PointsOf(panel, Curve::kScan), expected.points, &why),
                         qPrintable(where + why));
                QVERIFY2(static_cast<int>(CurveLines(panel, Curve::kScan).size()) == expected.runs,
                         qPrintable(where + QStringLiteral("line count")));
            }
        }
        // The table above did meet undefined values, so the gaps were exercised.
        QVERIFY(undefinedSeen > 0);
        QCOMPARE(XAxis(panel)->titleText(), QStringLiteral("Wavelength (nm)"));
        QCOMPARE(QuantityAxis(panel)->titleText(), QStringLiteral("Absorbance"));
        QVERIFY(CountsAxis(panel)->isVisible());
    }

    void countsShareOneScaleWithTheSpectraAndOtherQuantitiesGetTheirOwn() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        for (int q : {0, 1}) {
            QuantityChooser(panel)->setCurrentIndex(q);
            QVERIFY(!CountsAxis(panel)->isVisible());
            QCOMPARE(CountsAxis(panel)->min(), QuantityAxis(panel)->min());
            QCOMPARE(CountsAxis(panel)->max(), QuantityAxis(panel)->max());
        }
        QCOMPARE(QuantityAxis(panel)->titleText(),
                 QStringLiteral("Dark-subtracted intensity (counts)"));
        QuantityChooser(panel)->setCurrentIndex(2);
        QCOMPARE(QuantityAxis(panel)->titleText(), QStringLiteral("Transmittance"));
        QVERIFY(CountsAxis(panel)->isVisible());
        QCOMPARE(CountsAxis(panel)->titleText(), QStringLiteral("Dark and reference (counts)"));
        // The reference reaches 65535 counts; transmittances of scan 1 stay below 1.
        QVERIFY(CountsAxis(panel)->max() >= 65535.0);
        QVERIFY(QuantityAxis(panel)->max() < 2.0);
    }

    void theScanChooserFollowsTheLoadedFileAndStartsAtOneOnANewFile() {
        quillon::testing::SdfBuilder five(4);
        five.AddScans(5);
        quillon::testing::SdfBuilder two(4);
        two.AddScans(2);
        const QString first = Write(QStringLiteral("five.sdf"), five);
        const QString second = Write(QStringLiteral("two.sdf"), two);
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        SpectrumPanel& panel = *window.Panel();
        QVERIFY(!panel.HasFile());

        Load(window, first);
        QCOMPARE(ScanChooser(panel)->minimum(), 1);
        QCOMPARE(ScanChooser(panel)->maximum(), 5);
        QCOMPARE(ScanChooser(panel)->value(), 1);
        ScanChooser(panel)->setValue(4);
        QCOMPARE(panel.Plot().Curves().scanNumber, 4u);
        QCOMPARE(ScanTexts(panel)->text(),
                 QStringLiteral("Scan title 4 \u2014 Subtitle 4 \u2014 2026-12-07 08:00:04"));
        QVERIFY(ScanTexts(panel)->accessibleName().startsWith(QStringLiteral("Scan 4 of 5: ")));
        QCOMPARE(PointsOf(panel, Curve::kScan).front().y(), 4.0);

        Load(window, second);
        QCOMPARE(ScanChooser(panel)->maximum(), 2);
        QCOMPARE(ScanChooser(panel)->value(), 1);
        QCOMPARE(panel.Plot().Curves().scanNumber, 1u);
        QCOMPARE(PointsOf(panel, Curve::kScan).front().y(), 1.0);
        QCOMPARE(ScanTexts(panel)->text(),
                 QStringLiteral("Scan title 1 \u2014 Subtitle 1 \u2014 2026-12-07 08:00:01"));
        // Beyond the file's scans the chooser does not go.
        ScanChooser(panel)->setValue(5);
        QCOMPARE(ScanChooser(panel)->value(), 2);
    }

    void aFailedLoadLeavesThePlotOfTheFileStillLoaded() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        ScanChooser(panel)->setValue(3);
        const QList<QPointF> before = PointsOf(panel, Curve::kScan);
        const QList<QPointF> darkBefore = PointsOf(panel, Curve::kDark);

        // A file too short for its records ends early but loads; a missing one fails.
        Load(window, m_Dir.filePath(QStringLiteral("missing.sdf")));
        QCOMPARE(m_Messages.size(), 1);
        QVERIFY(m_Messages.front().contains(QStringLiteral("missing.sdf")));

        QVERIFY(panel.HasFile());
        QCOMPARE(ScanChooser(panel)->maximum(), 3);
        QCOMPARE(ScanChooser(panel)->value(), 3);
        QString why;
        QVERIFY2(SameBits(PointsOf(panel, Curve::kScan), before, &why), qPrintable(why));
        QVERIFY2(SameBits(PointsOf(panel, Curve::kDark), darkBefore, &why), qPrintable(why));
        // And the plot still works on that file.
        ScanChooser(panel)->setValue(2);
        QCOMPARE(PointsOf(panel, Curve::kScan).front().y(), 2100.0);
    }

    void aScanOfAFileCutShorterSinceItWasLoadedShowsWhyItIsMissing() {
        // Scans of 4096 pixels: the third record lies on pages of its own, which the cut
        // removes from the file.
        quillon::testing::SdfBuilder sdf(4096);
        sdf.AddScans(3);
        const QString path = Write(QStringLiteral("long.sdf"), sdf);
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        QVERIFY(QFile::resize(path, 268 + 8 * 4096 + 2 * (196 + 4 * 4096)));

        ScanChooser(panel)->setValue(3);

        QVERIFY(PointsOf(panel, Curve::kScan).isEmpty());
        QVERIFY2(ScanTexts(panel)->text().startsWith(QStringLiteral("Scan 3 could not be read: ") +
                                                     path + QStringLiteral(": ")),
                 qPrintable(ScanTexts(panel)->text()));
        // The scans still in the file show as before.
        ScanChooser(panel)->setValue(2);
        QCOMPARE(PointsOf(panel, Curve::kScan).size(), 4096);
        QCOMPARE(ScanTexts(panel)->text(),
                 QStringLiteral("Scan title 2 \u2014 Subtitle 2 \u2014 2026-12-07 08:00:02"));
    }

    void aFileWithoutPixelsOrWithoutScansShowsAnEmptyPlotWithoutAMessage() {
        quillon::testing::SdfBuilder noPixels(0);
        noPixels.AddScans(3);
        quillon::testing::SdfBuilder noScans(4);
        noScans.dark = {1, 2, 3, 4};
        noScans.ref = {5, 6, 7, 8};
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        SpectrumPanel& panel = *window.Panel();

        Load(window, Write(QStringLiteral("n0.sdf"), noPixels));
        QVERIFY(m_Messages.isEmpty());
        QVERIFY(panel.HasFile());
        for (Curve curve : {Curve::kDark, Curve::kReference, Curve::kScan}) {
            QVERIFY(PointsOf(panel, curve).isEmpty());
        }
        QCOMPARE(ScanChooser(panel)->maximum(), 3);
        ScanChooser(panel)->setValue(3);
        QuantityChooser(panel)->setCurrentIndex(3);
        QVERIFY(std::isfinite(XAxis(panel)->min()) && std::isfinite(XAxis(panel)->max()));
        QVERIFY(XAxis(panel)->min() < XAxis(panel)->max());
        QVERIFY(!window.grab().isNull());

        Load(window, Write(QStringLiteral("k0.sdf"), noScans));
        QVERIFY(m_Messages.isEmpty());
        QVERIFY(!ScanChooser(panel)->isEnabled());
        QCOMPARE(ScanChooser(panel)->text(), QStringLiteral("none"));
        QCOMPARE(ScanTexts(panel)->text(), QStringLiteral("This file holds no scans."));
        QVERIFY(PointsOf(panel, Curve::kScan).isEmpty());
        QCOMPARE(PointsOf(panel, Curve::kDark).size(), 4);
        QVERIFY(!window.grab().isNull());
        QVERIFY(m_Messages.isEmpty());
    }

    void aCalibrationThatDoesNotRiseIsPlottedAgainstPixelNumbers() {
        quillon::testing::SdfBuilder sdf(3);
        sdf.ccd.fCal[0] = 900.0f;
        sdf.ccd.fCal[1] = -1.0f;
        sdf.AddScans(1);
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, Write(QStringLiteral("falling.sdf"), sdf));
        SpectrumPanel& panel = *window.Panel();
        QCOMPARE(XAxis(panel)->titleText(), QStringLiteral("Pixel"));
        const QList<QPointF> points = PointsOf(panel, Curve::kScan);
        QCOMPARE(points.size(), 3);
        QCOMPARE(points[0].x(), 1.0);
        QCOMPARE(points[2].x(), 3.0);
    }

    void theWheelZoomsAboutThePointerAndResetShowsTheWholeFileAgain() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        const double fullLow = XAxis(panel)->min();
        const double fullHigh = XAxis(panel)->max();
        QCOMPARE(fullLow, static_cast<double>(panel.Plot().Curves().x.front()));
        QCOMPARE(fullHigh, static_cast<double>(panel.Plot().Curves().x.back()));

        // Wheel forward with the pointer a quarter of the way across the plot.
        QChartView* view = ChartView(panel);
        const QRectF area = Chart(panel)->plotArea();
        const QPoint atView = view->mapFromScene(
            Chart(panel)->mapToScene(QPointF(area.left() + area.width() / 4.0, area.center().y())));
        const QPointF atChart = Chart(panel)->mapFromScene(view->mapToScene(atView));
        const double fraction = (atChart.x() - area.left()) / area.width();
        const double xUnder = fullLow + fraction * (fullHigh - fullLow);
        QWheelEvent wheel(atView, view->mapToGlobal(atView), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &wheel);

        QVERIFY(panel.Plot().IsZoomed());
        const double low = XAxis(panel)->min();
        const double high = XAxis(panel)->max();
        QVERIFY(low > fullLow && high < fullHigh);
        // One wheel step magnifies by 1.25, and the wavelength under the pointer stays there.
        QVERIFY(std::abs((fullHigh - fullLow) / (high - low) - 1.25) < 1e-9);
        QVERIFY(std::abs((xUnder - low) / (high - low) - fraction) < 1e-9);

        // Another scan keeps the zoom; Reset zoom returns to the whole file.
        ScanChooser(panel)->setValue(2);
        QCOMPARE(XAxis(panel)->min(), low);
        QTest::mouseClick(Button(panel, "resetZoom"), Qt::LeftButton);
        QVERIFY(!panel.Plot().IsZoomed());
        QCOMPARE(XAxis(panel)->min(), fullLow);
        QCOMPARE(XAxis(panel)->max(), fullHigh);
    }

    void eachKeyOfThePlotMovesItsAxesAsThePlotModelSays() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        const std::pair<Qt::Key, quillon::PlotKey> keys[] = {
            {Qt::Key_Plus, quillon::PlotKey::kZoomIn},   {Qt::Key_Equal, quillon::PlotKey::kZoomIn},
            {Qt::Key_Minus, quillon::PlotKey::kZoomOut}, {Qt::Key_Left, quillon::PlotKey::kLeft},
            {Qt::Key_Right, quillon::PlotKey::kRight},   {Qt::Key_Up, quillon::PlotKey::kUp},
            {Qt::Key_Down, quillon::PlotKey::kDown}};
        for (auto [key, plotKey] : keys) {
            quillon::PlotFrame expected = panel.Plot().Frame();
            expected.Key(plotKey);
            QTest::keyClick(ChartView(panel), key);
            QVERIFY(panel.Plot().IsZoomed());
            QCOMPARE(XAxis(panel)->min(), expected.X().range.low);
            QCOMPARE(XAxis(panel)->max(), expected.X().range.high);
            QCOMPARE(QuantityAxis(panel)->min(), expected.Value(0).range.low);
            QCOMPARE(CountsAxis(panel)->max(), expected.Value(1).range.high);
        }
    }

    void theRubberBandZoomsIntoTheDraggedRectangle() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        const double fullLow = XAxis(panel)->min();
        const double fullHigh = XAxis(panel)->max();
        QWidget* viewport = ChartView(panel)->viewport();
        const QRectF area = Chart(panel)->plotArea();
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, AtPlot(panel, 0.5, 0.2));
        QTest::mouseMove(viewport, AtPlot(panel, 0.6, 0.5));
        QTest::mouseMove(viewport, AtPlot(panel, 0.75, 0.8));
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, AtPlot(panel, 0.75, 0.8));

        QVERIFY(panel.Plot().IsZoomed());
        const double span = fullHigh - fullLow;
        // The new range is the dragged half-to-three-quarters, to within a pixel.
        const double pixel = span / area.width();
        QVERIFY(std::abs(XAxis(panel)->min() - (fullLow + 0.5 * span)) < 2 * pixel);
        QVERIFY(std::abs(XAxis(panel)->max() - (fullLow + 0.75 * span)) < 2 * pixel);
        // The axes show the model's ranges, ticks and tick labels.
        for (auto [axis, model] : {std::pair{XAxis(panel), &panel.Plot().XAxis()},
                                   std::pair{QuantityAxis(panel), &panel.Plot().QuantityAxis()},
                                   std::pair{CountsAxis(panel), &panel.Plot().CountsAxis()}}) {
            QCOMPARE(axis->min(), model->range.low);
            QCOMPARE(axis->max(), model->range.high);
            QCOMPARE(axis->tickInterval(), model->step);
            QCOMPARE(axis->labelFormat(), QStringLiteral("%.%1f").arg(model->decimals));
        }

        // A right click zooms out: twice the range about its middle.
        const double low = XAxis(panel)->min();
        const double high = XAxis(panel)->max();
        QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, AtPlot(panel, 0.3, 0.3));
        QVERIFY(std::abs((XAxis(panel)->max() - XAxis(panel)->min()) - 2 * (high - low)) < 1e-9);
        QVERIFY(std::abs((XAxis(panel)->min() + XAxis(panel)->max()) - (low + high)) < 1e-9);
        // A click without a drag zooms nothing.
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, AtPlot(panel, 0.3, 0.3));
        QCOMPARE(XAxis(panel)->max() - XAxis(panel)->min(), 2 * (high - low));
    }

    void switchingScansWithoutZoomFitsTheValuesOfTheNewScan() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        CurveBox(panel, Curve::kReference)->setChecked(false);
        CurveBox(panel, Curve::kDark)->setChecked(false);
        // Scan 1 peaks at 600 counts, scan 3 at 2147483647.
        QVERIFY(QuantityAxis(panel)->max() < 1000.0);
        ScanChooser(panel)->setValue(3);
        QVERIFY(QuantityAxis(panel)->max() >= 2147483647.0);
        QVERIFY(QuantityAxis(panel)->min() <= -2147483648.0);
        QVERIFY(!panel.Plot().IsZoomed());
    }

    void theLegendAndTheCheckBoxesShowAndHideACurveTogether() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        QLineSeries* reference = CurveLines(panel, Curve::kReference).front();
        const QList<QLegendMarker*> markers = Chart(panel)->legend()->markers(reference);
        QCOMPARE(markers.size(), 1);

        emit markers.front()->clicked();
        QVERIFY(!panel.Plot().IsCurveVisible(Curve::kReference));
        QVERIFY(!CurveBox(panel, Curve::kReference)->isChecked());
        QVERIFY(!reference->isVisible());
        // Its entry stays in the legend, so that a click brings it back.
        QApplication::processEvents();
        QVERIFY(markers.front()->isVisible());

        emit markers.front()->clicked();
        QVERIFY(panel.Plot().IsCurveVisible(Curve::kReference));
        QVERIFY(reference->isVisible());

        QTest::mouseClick(CurveBox(panel, Curve::kScan), Qt::LeftButton);
        QVERIFY(!panel.Plot().IsCurveVisible(Curve::kScan));
        for (QLineSeries* line : CurveLines(panel, Curve::kScan)) {
            QVERIFY(!line->isVisible());
        }
        // A curve broken into several lines has one legend entry.
        QuantityChooser(panel)->setCurrentIndex(3);
        QApplication::processEvents();
        int shownEntries = 0;
        for (QLegendMarker* marker : Chart(panel)->legend()->markers()) {
            shownEntries += marker->isVisible() ? 1 : 0;
        }
        QCOMPARE(shownEntries, 3);
    }

    void theReadoutNamesThePixelUnderThePointerAndItsValues() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        const std::vector<double>& x = panel.Plot().Curves().x;
        // Over pixel 2 (index 1).
        const double fraction = (x[1] - x.front()) / (x.back() - x.front());
        QWidget* viewport = ChartView(panel)->viewport();
        QTest::mouseMove(viewport, AtPlot(panel, fraction, 0.5));
        QCOMPARE(Readout(panel)->text(),
                 QStringLiteral("351.00 nm, pixel 2; scan 1 50; dark 100; reference 1100"));
        QTest::mouseMove(viewport, AtPlot(panel, -0.02, 0.5));
        QCOMPARE(Readout(panel)->text(), QLatin1String(quillon::kReadoutHint));
    }

    void savePlotWritesAPngOrSvgPictureWhereTheUserChooses() {
        const QString path = Write(QStringLiteral("run1.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        ScanChooser(panel)->setValue(2);
        QuantityChooser(panel)->setCurrentIndex(1);

        m_strPlotFile = m_Dir.filePath(QStringLiteral("plot.png"));
        QTest::mouseClick(Button(panel, "savePlot"), Qt::LeftButton);
        QCOMPARE(m_Suggested,
                 QStringList{m_Dir.filePath(QStringLiteral("run1_scan2_dark_subtracted.png"))});
        QVERIFY(m_Messages.isEmpty());
        QImage png(m_strPlotFile, "PNG");
        QVERIFY(!png.isNull());
        // At least twice the plot's size on screen, for a sharp picture.
        QVERIFY(png.width() >= 2 * static_cast<int>(Chart(panel)->size().width()));

        m_strPlotFile = m_Dir.filePath(QStringLiteral("plot.svg"));
        window.SavePlot();
        QFile svg(m_strPlotFile);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        QVERIFY(text.contains("<svg"));
        QVERIFY(text.contains("Wavelength (nm)"));
        QVERIFY(m_Messages.isEmpty());
    }

    void aPlotThatCannotBeSavedIsReportedWithItsFileAndReasonAndLeavesNothing() {
        const QString path = Write(QStringLiteral("run1.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        m_strPlotFile = m_Dir.filePath(QStringLiteral("no-such-folder/plot.png"));
        window.SavePlot();
        QCOMPARE(m_Messages.size(), 1);
        QVERIFY2(m_Messages.front().startsWith(QStringLiteral("Could not save ") + m_strPlotFile +
                                               QStringLiteral(": ")),
                 qPrintable(m_Messages.front()));
        QVERIFY(m_Messages.front().size() >
                (QStringLiteral("Could not save : ") + m_strPlotFile).size());
        QVERIFY(!QFile::exists(m_strPlotFile));

        // Cancelling the save dialog writes nothing and says nothing.
        m_Messages.clear();
        m_strPlotFile.clear();
        window.SavePlot();
        QVERIFY(m_Messages.isEmpty());
    }

    void everyControlOfThePanelHasAnAccessibleName() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        const QList<QWidget*> controls = {ScanChooser(panel),
                                          ScanTexts(panel),
                                          QuantityChooser(panel),
                                          CurveBox(panel, Curve::kDark),
                                          CurveBox(panel, Curve::kReference),
                                          CurveBox(panel, Curve::kScan),
                                          ChartView(panel),
                                          Readout(panel),
                                          Button(panel, "resetZoom"),
                                          Button(panel, "savePlot"),
                                          Button(panel, "export")};
        for (QWidget* control : controls) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible != nullptr);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                     qPrintable(control->objectName()));
        }
        // The plot tells what it shows, since a screen reader cannot see its lines.
        QVERIFY(ChartView(panel)->accessibleDescription().contains(QStringLiteral("scan 1")));
    }

    void enterInTheScanChooserShowsThatScanAndKeepsTheWindowOpen() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        ScanChooser(panel)->setKeyboardTracking(false);
        ScanChooser(panel)->setFocus();
        ScanChooser(panel)->selectAll();
        QTest::keyClicks(ScanChooser(panel), QStringLiteral("3"));
        QTest::keyClick(ScanChooser(panel), Qt::Key_Return);
        QCOMPARE(panel.Plot().Curves().scanNumber, 3u);
        QVERIFY(window.isVisible());
        QCOMPARE(window.result(), 0);
    }

    void thePanelStandsRightOfTheControlsAndFollowsTheWindowsSize() {
        MainDialogWindow window(ScriptedPrompts());
        const quillon::PixelRect client =
            quillon::MapDialogRect({0, 0, 477, 367}, window.BaseUnits());
        // The window grows to the right; its height stays the template's.
        QVERIFY(window.width() >= client.width);
        QCOMPARE(window.height(), client.height);
        SpectrumPanel& panel = *window.Panel();
        QVERIFY(panel.geometry().left() >= client.width);
        for (const quillon::ControlTemplate& item : quillon::kMainDialogControls) {
            if (item.id > 0) {
                const QRect control =
                    window.ControlWidget(static_cast<Control>(item.id))->geometry();
                QVERIFY(!control.intersects(panel.geometry()));
            }
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(1600, 900);
        QApplication::processEvents();
        const int rightMargin = 1600 - panel.geometry().right() - 1;
        const int bottomMargin = 900 - panel.geometry().bottom() - 1;
        window.resize(1300, 1000);
        QApplication::processEvents();
        QCOMPARE(1300 - panel.geometry().right() - 1, rightMargin);
        QCOMPARE(1000 - panel.geometry().bottom() - 1, bottomMargin);
        QVERIFY(panel.geometry().left() >= client.width);
        // The documented controls stay where the template puts them.
        const quillon::PixelRect close =
            quillon::MapDialogRect({420, 346, 50, 14}, window.BaseUnits());
        QCOMPARE(window.ControlWidget(Control::Close)->geometry(),
                 QRect(close.x, close.y, close.width, close.height));
    }
};

QTEST_MAIN(SpectrumPanelTest)
#include "spectrum_panel_test.moc"
