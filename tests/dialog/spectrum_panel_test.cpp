// SPDX-License-Identifier: MIT
// The spectrum panel of the Qt window, offscreen: the lines hold exactly the values the export
// layer computes, for every quantity and scan; the choosers follow the loaded file; a failed
// load keeps the plot; files without pixels or scans; zoom, legend, readout, pictures of the
// plot, accessible names, and the panel's place beside the documented controls.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
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
using quillon::WindowPrompts;

namespace {

class NoLog : public quillon::LogSink {
  public:
    void Append(std::string_view) override {}
};

// The points of all lines of a curve, in order.
QList<QPointF> PointsOf(const SpectrumPanel& panel, Curve curve) {
    QList<QPointF> points;
    for (QLineSeries* line : panel.CurveLines(curve)) {
        points += line->points();
    }
    return points;
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
            QCOMPARE(static_cast<int>(panel.CurveLines(curve).size()), expected.runs);
        }

        int undefinedSeen = 0;
        for (int q = 0; q < 4; ++q) {
            panel.QuantityChooser()->setCurrentIndex(q);
            const Quantity quantity = quillon::kPlotQuantities[q];
            for (int scan = 1; scan <= 3; ++scan) {
                panel.ScanChooser()->setValue(scan);
                std::vector<double> values(6);
                undefinedSeen += static_cast<int>(quillon::ComputeQuantity(
                    quantity, file, static_cast<std::size_t>(scan - 1), values));
                const Expected expected = ExpectedCurve(axis, values);
                const QString where = QStringLiteral("quantity %1, scan %2: ").arg(q).arg(scan);
                QVERIFY2(SameBits(PointsOf(panel, Curve::kScan), expected.points, &why),
                         qPrintable(where + why));
                QVERIFY2(static_cast<int>(panel.CurveLines(Curve::kScan).size()) == expected.runs,
                         qPrintable(where + QStringLiteral("line count")));
            }
        }
        // The table above did meet undefined values, so the gaps were exercised.
        QVERIFY(undefinedSeen > 0);
        QCOMPARE(panel.XAxis()->titleText(), QStringLiteral("Wavelength (nm)"));
        QCOMPARE(panel.QuantityAxis()->titleText(), QStringLiteral("Absorbance"));
        QVERIFY(panel.CountsAxis()->isVisible());
    }

    void countsShareOneScaleWithTheSpectraAndOtherQuantitiesGetTheirOwn() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        for (int q : {0, 1}) {
            panel.QuantityChooser()->setCurrentIndex(q);
            QVERIFY(!panel.CountsAxis()->isVisible());
            QCOMPARE(panel.CountsAxis()->min(), panel.QuantityAxis()->min());
            QCOMPARE(panel.CountsAxis()->max(), panel.QuantityAxis()->max());
        }
        QCOMPARE(panel.QuantityAxis()->titleText(),
                 QStringLiteral("Dark-subtracted intensity (counts)"));
        panel.QuantityChooser()->setCurrentIndex(2);
        QCOMPARE(panel.QuantityAxis()->titleText(), QStringLiteral("Transmittance"));
        QVERIFY(panel.CountsAxis()->isVisible());
        QCOMPARE(panel.CountsAxis()->titleText(), QStringLiteral("Dark and reference (counts)"));
        // The reference reaches 65535 counts; transmittances of scan 1 stay below 1.
        QVERIFY(panel.CountsAxis()->max() >= 65535.0);
        QVERIFY(panel.QuantityAxis()->max() < 2.0);
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
        QCOMPARE(panel.ScanChooser()->minimum(), 1);
        QCOMPARE(panel.ScanChooser()->maximum(), 5);
        QCOMPARE(panel.ScanChooser()->value(), 1);
        panel.ScanChooser()->setValue(4);
        QCOMPARE(panel.Curves().scanNumber, 4u);
        QCOMPARE(panel.ScanTexts()->text(),
                 QStringLiteral("Scan title 4 \u2014 Subtitle 4 \u2014 2026-12-07 08:00:04"));
        QVERIFY(panel.ScanTexts()->accessibleName().startsWith(QStringLiteral("Scan 4 of 5: ")));
        QCOMPARE(PointsOf(panel, Curve::kScan).front().y(), 4.0);

        Load(window, second);
        QCOMPARE(panel.ScanChooser()->maximum(), 2);
        QCOMPARE(panel.ScanChooser()->value(), 1);
        QCOMPARE(panel.Curves().scanNumber, 1u);
        QCOMPARE(PointsOf(panel, Curve::kScan).front().y(), 1.0);
        QCOMPARE(panel.ScanTexts()->text(),
                 QStringLiteral("Scan title 1 \u2014 Subtitle 1 \u2014 2026-12-07 08:00:01"));
        // Beyond the file's scans the chooser does not go.
        panel.ScanChooser()->setValue(5);
        QCOMPARE(panel.ScanChooser()->value(), 2);
    }

    void aFailedLoadLeavesThePlotOfTheFileStillLoaded() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        panel.ScanChooser()->setValue(3);
        const QList<QPointF> before = PointsOf(panel, Curve::kScan);
        const QList<QPointF> darkBefore = PointsOf(panel, Curve::kDark);

        // A file too short for its records ends early but loads; a missing one fails.
        Load(window, m_Dir.filePath(QStringLiteral("missing.sdf")));
        QCOMPARE(m_Messages.size(), 1);
        QVERIFY(m_Messages.front().contains(QStringLiteral("missing.sdf")));

        QVERIFY(panel.HasFile());
        QCOMPARE(panel.ScanChooser()->maximum(), 3);
        QCOMPARE(panel.ScanChooser()->value(), 3);
        QString why;
        QVERIFY2(SameBits(PointsOf(panel, Curve::kScan), before, &why), qPrintable(why));
        QVERIFY2(SameBits(PointsOf(panel, Curve::kDark), darkBefore, &why), qPrintable(why));
        // And the plot still works on that file.
        panel.ScanChooser()->setValue(2);
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

        panel.ScanChooser()->setValue(3);

        QVERIFY(PointsOf(panel, Curve::kScan).isEmpty());
        QVERIFY2(panel.ScanTexts()->text().startsWith(QStringLiteral("Scan 3 could not be read: ") +
                                                      path + QStringLiteral(": ")),
                 qPrintable(panel.ScanTexts()->text()));
        // The scans still in the file show as before.
        panel.ScanChooser()->setValue(2);
        QCOMPARE(PointsOf(panel, Curve::kScan).size(), 4096);
        QCOMPARE(panel.ScanTexts()->text(),
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
        QCOMPARE(panel.ScanChooser()->maximum(), 3);
        panel.ScanChooser()->setValue(3);
        panel.QuantityChooser()->setCurrentIndex(3);
        QVERIFY(std::isfinite(panel.XAxis()->min()) && std::isfinite(panel.XAxis()->max()));
        QVERIFY(panel.XAxis()->min() < panel.XAxis()->max());
        QVERIFY(!window.grab().isNull());

        Load(window, Write(QStringLiteral("k0.sdf"), noScans));
        QVERIFY(m_Messages.isEmpty());
        QVERIFY(!panel.ScanChooser()->isEnabled());
        QCOMPARE(panel.ScanChooser()->text(), QStringLiteral("none"));
        QCOMPARE(panel.ScanTexts()->text(), QStringLiteral("This file holds no scans."));
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
        QCOMPARE(panel.XAxis()->titleText(), QStringLiteral("Pixel"));
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
        const double fullLow = panel.XAxis()->min();
        const double fullHigh = panel.XAxis()->max();
        QCOMPARE(fullLow, static_cast<double>(panel.Curves().x.front()));
        QCOMPARE(fullHigh, static_cast<double>(panel.Curves().x.back()));

        // Wheel forward with the pointer a quarter of the way across the plot.
        QChartView* view = panel.ChartView();
        const QRectF area = panel.Chart()->plotArea();
        const QPoint atView = view->mapFromScene(panel.Chart()->mapToScene(
            QPointF(area.left() + area.width() / 4.0, area.center().y())));
        const QPointF atChart = panel.Chart()->mapFromScene(view->mapToScene(atView));
        const double fraction = (atChart.x() - area.left()) / area.width();
        const double xUnder = fullLow + fraction * (fullHigh - fullLow);
        QWheelEvent wheel(atView, view->mapToGlobal(atView), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &wheel);

        QVERIFY(panel.IsZoomed());
        const double low = panel.XAxis()->min();
        const double high = panel.XAxis()->max();
        QVERIFY(low > fullLow && high < fullHigh);
        // One wheel step magnifies by 1.25, and the wavelength under the pointer stays there.
        QVERIFY(std::abs((fullHigh - fullLow) / (high - low) - 1.25) < 1e-9);
        QVERIFY(std::abs((xUnder - low) / (high - low) - fraction) < 1e-9);

        // Another scan keeps the zoom; Reset zoom returns to the whole file.
        panel.ScanChooser()->setValue(2);
        QCOMPARE(panel.XAxis()->min(), low);
        QTest::mouseClick(panel.ResetZoomButton(), Qt::LeftButton);
        QVERIFY(!panel.IsZoomed());
        QCOMPARE(panel.XAxis()->min(), fullLow);
        QCOMPARE(panel.XAxis()->max(), fullHigh);
    }

    void theKeysZoomAboutTheMiddleAndScrollThePlot() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        const double fullLow = panel.XAxis()->min();
        const double fullHigh = panel.XAxis()->max();
        const double middle = (fullLow + fullHigh) / 2.0;

        QTest::keyClick(panel.ChartView(), Qt::Key_Plus);
        QVERIFY(panel.IsZoomed());
        const double low = panel.XAxis()->min();
        const double high = panel.XAxis()->max();
        QVERIFY(std::abs((fullHigh - fullLow) / (high - low) - 1.25) < 1e-9);
        QVERIFY(std::abs((low + high) / 2.0 - middle) < 1e-9);

        // Left shows shorter wavelengths by a tenth of the range shown.
        QTest::keyClick(panel.ChartView(), Qt::Key_Left);
        QVERIFY(std::abs(panel.XAxis()->min() - (low - (high - low) / 10.0)) < 1e-9);
        QVERIFY(std::abs(panel.XAxis()->max() - (high - (high - low) / 10.0)) < 1e-9);

        QTest::keyClick(panel.ChartView(), Qt::Key_Minus);
        QVERIFY(panel.XAxis()->max() - panel.XAxis()->min() > high - low);
    }

    void theRubberBandZoomsIntoTheDraggedRectangle() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        const double fullLow = panel.XAxis()->min();
        const double fullHigh = panel.XAxis()->max();
        QChartView* view = panel.ChartView();
        const QRectF area = panel.Chart()->plotArea();
        auto toView = [&](double fx, double fy) {
            return view->mapFromScene(panel.Chart()->mapToScene(
                QPointF(area.left() + fx * area.width(), area.top() + fy * area.height())));
        };
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, toView(0.5, 0.2));
        QTest::mouseMove(view->viewport(), toView(0.6, 0.5));
        QTest::mouseMove(view->viewport(), toView(0.75, 0.8));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, toView(0.75, 0.8));

        QVERIFY(panel.IsZoomed());
        const double span = fullHigh - fullLow;
        // The new range is the dragged half-to-three-quarters, to within a pixel.
        const double pixel = span / area.width();
        QVERIFY(std::abs(panel.XAxis()->min() - (fullLow + 0.5 * span)) < 2 * pixel);
        QVERIFY(std::abs(panel.XAxis()->max() - (fullLow + 0.75 * span)) < 2 * pixel);
    }

    void switchingScansWithoutZoomFitsTheValuesOfTheNewScan() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        panel.CurveBox(Curve::kReference)->setChecked(false);
        panel.CurveBox(Curve::kDark)->setChecked(false);
        // Scan 1 peaks at 600 counts, scan 3 at 2147483647.
        QVERIFY(panel.QuantityAxis()->max() < 1000.0);
        panel.ScanChooser()->setValue(3);
        QVERIFY(panel.QuantityAxis()->max() >= 2147483647.0);
        QVERIFY(panel.QuantityAxis()->min() <= -2147483648.0);
        QVERIFY(!panel.IsZoomed());
    }

    void theLegendAndTheCheckBoxesShowAndHideACurveTogether() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        QLineSeries* reference = panel.CurveLines(Curve::kReference).front();
        const QList<QLegendMarker*> markers = panel.Chart()->legend()->markers(reference);
        QCOMPARE(markers.size(), 1);

        emit markers.front()->clicked();
        QVERIFY(!panel.IsCurveVisible(Curve::kReference));
        QVERIFY(!panel.CurveBox(Curve::kReference)->isChecked());
        QVERIFY(!reference->isVisible());
        // Its entry stays in the legend, so that a click brings it back.
        QApplication::processEvents();
        QVERIFY(markers.front()->isVisible());

        emit markers.front()->clicked();
        QVERIFY(panel.IsCurveVisible(Curve::kReference));
        QVERIFY(reference->isVisible());

        QTest::mouseClick(panel.CurveBox(Curve::kScan), Qt::LeftButton);
        QVERIFY(!panel.IsCurveVisible(Curve::kScan));
        for (QLineSeries* line : panel.CurveLines(Curve::kScan)) {
            QVERIFY(!line->isVisible());
        }
        // A curve broken into several lines has one legend entry.
        panel.QuantityChooser()->setCurrentIndex(3);
        QApplication::processEvents();
        int shownEntries = 0;
        for (QLegendMarker* marker : panel.Chart()->legend()->markers()) {
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
        const QRectF area = panel.Chart()->plotArea();
        const std::vector<double>& x = panel.Curves().x;
        // Over pixel 2 (index 1).
        const double fraction = (x[1] - x.front()) / (x.back() - x.front());
        panel.ShowReadoutAt(QPointF(area.left() + fraction * area.width(), area.center().y()));
        QCOMPARE(panel.Readout()->text(),
                 QStringLiteral("351.00 nm, pixel 2; scan 1 50; dark 100; reference 1100"));
        panel.ShowReadoutAt(QPointF(area.left() - 5.0, area.center().y()));
        QVERIFY(!panel.Readout()->text().contains(QStringLiteral("pixel")));
    }

    void savePlotWritesAPngOrSvgPictureWhereTheUserChooses() {
        const QString path = Write(QStringLiteral("run1.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        panel.ScanChooser()->setValue(2);
        panel.QuantityChooser()->setCurrentIndex(1);

        m_strPlotFile = m_Dir.filePath(QStringLiteral("plot.png"));
        QTest::mouseClick(panel.SavePlotButton(), Qt::LeftButton);
        QCOMPARE(m_Suggested,
                 QStringList{m_Dir.filePath(QStringLiteral("run1_scan2_dark_subtracted.png"))});
        QVERIFY(m_Messages.isEmpty());
        QImage png(m_strPlotFile, "PNG");
        QVERIFY(!png.isNull());
        // At least twice the plot's size on screen, for a sharp picture.
        QVERIFY(png.width() >= 2 * static_cast<int>(panel.Chart()->size().width()));

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
        const QList<QWidget*> controls = {panel.ScanChooser(),
                                          panel.ScanTexts(),
                                          panel.QuantityChooser(),
                                          panel.CurveBox(Curve::kDark),
                                          panel.CurveBox(Curve::kReference),
                                          panel.CurveBox(Curve::kScan),
                                          panel.ChartView(),
                                          panel.Readout(),
                                          panel.ResetZoomButton(),
                                          panel.SavePlotButton(),
                                          panel.ExportButton()};
        for (QWidget* control : controls) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible != nullptr);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                     qPrintable(control->objectName()));
        }
        // The plot tells what it shows, since a screen reader cannot see its lines.
        QVERIFY(panel.ChartView()->accessibleDescription().contains(QStringLiteral("scan 1")));
    }

    void enterInTheScanChooserShowsThatScanAndKeepsTheWindowOpen() {
        const QString path = Write(QStringLiteral("edges.sdf"), EdgeFile());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        SpectrumPanel& panel = *window.Panel();
        panel.ScanChooser()->setKeyboardTracking(false);
        panel.ScanChooser()->setFocus();
        panel.ScanChooser()->selectAll();
        QTest::keyClicks(panel.ScanChooser(), QStringLiteral("3"));
        QTest::keyClick(panel.ScanChooser(), Qt::Key_Return);
        QCOMPARE(panel.Curves().scanNumber, 3u);
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
