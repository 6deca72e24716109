// SPDX-License-Identifier: MIT
// The Trace and Map views of the Qt window, offscreen, used as a person uses them: Ctrl+click
// on the spectrum traces the wavelength under the pointer with each scan's own value, a
// click on a trace point shows that scan, the table export holds the rows; the map fills with
// rows of several scans reduced as the legend says, coloured along its colour bar, reads out
// and picks under the pointer, saves as SVG; Cancel and loading another file stop its pass.
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "dialog/kinetics.h"
#include "dialog/qt/kinetics_panels.h"
#include "dialog/qt/main_dialog_window.h"
#include "dialog/qt/spectrum_panel.h"
#include "export/quantities.h"
#include "platform/log_sink.h"
#include "scanfile/loader.h"
#include "sdf_builder.h"
#include "sparse_sdf.h"

using quillon::MainDialogWindow;
using quillon::Quantity;
using quillon::WindowPrompts;

namespace {

class NoLog : public quillon::LogSink {
  public:
    void Append(std::string_view) override {}
};

template <typename Widget>
Widget* Find(const QWidget& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(QLatin1String(name));
    if (widget == nullptr) {
        qFatal("no widget %s", name);
    }
    return widget;
}

// A point of a picture's area at data coordinates mapped by the caller, as a widget point.
QPoint At(double x, double y) {
    return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
}

}  // namespace

class KineticsViewsTest : public QObject {
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
        prompts.choosePlotFile = [this](QWidget*, const QString&) -> std::optional<QString> {
            return m_strSaveAs;
        };
        prompts.chooseTableFile = [this](QWidget*,
                                         const QString& suggested) -> std::optional<QString> {
            m_strSuggested = suggested;
            return m_strSaveAs;
        };
        return prompts;
    }

    static void Open(MainDialogWindow& window) {
        window.resize(1400, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    static void Load(MainDialogWindow& window, const QString& path) {
        window.Dialog().OnDropFiles({QFile::encodeName(path).toStdString()});
    }

    // Waits until the passes over the loaded file have ended and the views show their end.
    static void Settle(MainDialogWindow& window) {
        QTRY_VERIFY_WITH_TIMEOUT(!window.KineticsState().IsWorking(), 30000);
        QApplication::processEvents();
    }

    QString Write(const QString& name, const quillon::testing::SdfBuilder& sdf) {
        const QString path = m_Dir.filePath(name);
        sdf.WriteTo(QFile::encodeName(path).toStdString());
        return path;
    }

    // Eight pixels from 400 nm in steps of 10 nm; a dark and reference with R - D > 0; five
    // scans taken 2 s apart whose counts differ at every pixel, so that a trace taken at the
    // wrong pixel or scan shows.
    static quillon::testing::SdfBuilder TimeSeries() {
        quillon::testing::SdfBuilder sdf(8);
        sdf.ccd.fCal[0] = 400.0f;
        sdf.ccd.fCal[1] = 10.0f;
        sdf.dark = {100, 100, 100, 100, 100, 100, 100, 100};
        sdf.ref = {4100, 4200, 4300, 4400, 4500, 4600, 4700, 4800};
        for (int k = 0; k < 5; ++k) {
            std::vector<std::int32_t> counts;
            for (int p = 0; p < 8; ++p) {
                counts.push_back(200 + 100 * p + 37 * k * (p + 1));
            }
            sdf.AddScan({"scan", "", "2026-12-07 09:00:0" + std::to_string(2 * k), counts, 0});
        }
        return sdf;
    }

    // `scans` scans of four pixels whose counts all equal the scan's index (from 0), so that
    // a map row's mean, least and greatest counts follow from the scans it holds, taken a
    // second apart from 09:00:00.
    static quillon::testing::SdfBuilder Ramp(int scans) {
        quillon::testing::SdfBuilder sdf(4);
        sdf.ccd.fCal[0] = 350.0f;
        sdf.ccd.fCal[1] = 1.0f;
        for (int k = 0; k < scans; ++k) {
            char time[32];
            std::snprintf(time, sizeof time, "2026-12-07 %02d:%02d:%02d", 9 + k / 3600, k / 60 % 60,
                          k % 60);
            sdf.AddScan({"", "", time, {k, k, k, k}, 0});
        }
        return sdf;
    }

    QTemporaryDir m_Dir;
    QStringList m_Messages;
    std::optional<QString> m_strSaveAs;
    QString m_strSuggested;

  private slots:
    void init() {
        QVERIFY(m_Dir.isValid());
        m_Messages.clear();
        m_strSaveAs.reset();
    }

    void ctrlClickOnTheSpectrumTracesEachScansValueThere() {
        const QString path = Write(QStringLiteral("series.sdf"), TimeSeries());
        NoLog log;
        const quillon::ScanFile file =
            quillon::LoadScanFile(QFile::encodeName(path).toStdString(), log);
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        Settle(window);

        // Ctrl+click over pixel 6 (450 nm) of the spectrum.
        quillon::SpectrumPanel& spectrum = *window.Panel();
        auto* chartView = Find<QChartView>(spectrum, "spectrumPlot");
        const QRectF area = chartView->chart()->plotArea();
        const quillon::PlotArea plotArea{area.left(), area.top(), area.width(), area.height()};
        const double px = spectrum.Plot().Frame().XToPixel(plotArea, 450.0 + 2.0);
        const QPoint click =
            chartView->mapFromScene(chartView->chart()->mapToScene(QPointF(px, area.center().y())));
        QTest::mouseClick(chartView->viewport(), Qt::LeftButton, Qt::ControlModifier, click);
        const quillon::TracePlot& trace = window.KineticsState().Trace();
        QCOMPARE(trace.Wavelengths(), std::vector<double>{450.0});
        QVERIFY(Find<QLabel>(spectrum, "readout")->text().contains(QStringLiteral("450.00 nm")));
        // The click neither zoomed the spectrum nor left a rubber band behind.
        QVERIFY(!spectrum.Plot().IsZoomed());

        // Each quantity: every scan's value at that pixel, against its seconds.
        auto* quantity = Find<QComboBox>(*window.TraceView(), "traceQuantity");
        for (Quantity q : {Quantity::kCounts, Quantity::kAbsorbance}) {
            quantity->setCurrentIndex(
                static_cast<int>(std::find(std::begin(quillon::kPlotQuantities),
                                           std::end(quillon::kPlotQuantities), q) -
                                 std::begin(quillon::kPlotQuantities)));
            Settle(window);
            QCOMPARE(trace.ScansShown(), std::size_t{5});
            std::vector<double> values(8);
            for (std::size_t k = 0; k < 5; ++k) {
                quillon::ComputeQuantity(q, file, k, values);
                QCOMPARE(trace.ValueOf(0, k), values[5]);
                QCOMPARE(trace.XOf(k), 2.0 * static_cast<double>(k));
            }
        }
        QCOMPARE(trace.Frame().X().title, std::string("Time since the first scan (s)"));

        // "Export trace...": one row per scan with its number, text, seconds and value.
        m_strSaveAs = m_Dir.filePath(QStringLiteral("series_trace.csv"));
        window.ViewTabs()->setCurrentIndex(1);
        QTest::mouseClick(Find<QPushButton>(*window.TraceView(), "exportTrace"), Qt::LeftButton);
        QCOMPARE(m_strSuggested, m_Dir.filePath(QStringLiteral("series_trace.csv")));
        QFile table(*m_strSaveAs);
        QVERIFY(table.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(table.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 7);  // header, five rows, and the empty text after the last CR LF
        // The columns of quillon-convert --trace.
        QCOMPARE(lines[0], QStringLiteral("scan,date_time,seconds,absorbance_450nm"));
        for (int k = 0; k < 5; ++k) {
            const QStringList fields = lines[k + 1].split(QLatin1Char(','));
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields[0].toInt(), k + 1);
            QCOMPARE(fields[1], QStringLiteral("2026-12-07 09:00:0%1").arg(2 * k));
            QCOMPARE(fields[2].toDouble(), 2.0 * k);
            QCOMPARE(fields[3].toDouble(), trace.ValueOf(0, static_cast<std::size_t>(k)));
        }
        QVERIFY(m_Messages.isEmpty());
    }

    void theTraceExportedAsHdf5ReadsBackInH5pyAsTheViewShowsIt() {
        if (QProcess::execute(QStringLiteral("/usr/bin/python3"),
                              {QStringLiteral("-c"), QStringLiteral("import h5py")}) != 0) {
            QSKIP("h5py is not installed (Debian's python3-h5py)");
        }
        const QString path = Write(QStringLiteral("series.sdf"), TimeSeries());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        window.ViewTabs()->setCurrentIndex(1);
        Find<QComboBox>(*window.TraceView(), "traceQuantity")->setCurrentIndex(3);  // absorbance
        QVERIFY(window.TraceView()->AddWavelength(410.0));
        QVERIFY(window.TraceView()->AddWavelength(455.0));
        Settle(window);
        m_strSaveAs = m_Dir.filePath(QStringLiteral("series_trace.h5"));
        QTest::mouseClick(Find<QPushButton>(*window.TraceView(), "exportTrace"), Qt::LeftButton);
        QVERIFY(m_Messages.isEmpty());

        // h5py prints the wavelengths, then each scan's seconds and values, with all digits.
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, h5py\n"
                                     "f = h5py.File(sys.argv[1], 'r')\n"
                                     "print(*[repr(float(x)) for x in f['trace_nm'][()]])\n"
                                     "for s, row in zip(f['scan_seconds'][()], "
                                     "f['trace_absorbance'][()]):\n"
                                     "    print(repr(float(s)), *[repr(float(v)) for v in row])\n"),
                      *m_strSaveAs});
        QVERIFY(python.waitForFinished(60000));
        QCOMPARE(python.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(python.readAllStandardOutput())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QStringLiteral("410.0 455.0"));
        const quillon::TracePlot& trace = window.KineticsState().Trace();
        for (int k = 0; k < 5; ++k) {
            const QStringList fields = lines[k + 1].split(QLatin1Char(' '));
            QCOMPARE(fields.size(), 3);
            const auto scan = static_cast<std::size_t>(k);
            QCOMPARE(fields[0].toDouble(), trace.XOf(scan));
            // The view and the export compute the same values, to the last bit.
            QCOMPARE(fields[1].toDouble(), trace.ValueOf(0, scan));
            QCOMPARE(fields[2].toDouble(), trace.ValueOf(1, scan));
        }
    }

    void aClickOnATracePointShowsThatScanInTheSpectrum() {
        const QString path = Write(QStringLiteral("series.sdf"), TimeSeries());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        window.ViewTabs()->setCurrentIndex(1);
        auto* typed = Find<QLineEdit>(*window.TraceView(), "traceWavelength");
        // A wavelength beyond the file's is refused with the reason; one inside is traced.
        QTest::keyClicks(typed, QStringLiteral("900"));
        QTest::keyClick(typed, Qt::Key_Return);
        QVERIFY(Find<QLabel>(*window.TraceView(), "traceStatus")
                    ->text()
                    .contains(QStringLiteral("outside this file's wavelengths")));
        typed->clear();
        QTest::keyClicks(typed, QStringLiteral("415"));
        QTest::keyClick(typed, Qt::Key_Return);
        Settle(window);
        // Enter in the field traced the wavelength; it did not close the window.
        QVERIFY(window.isVisible());
        const quillon::TracePlot& trace = window.KineticsState().Trace();
        QCOMPARE(trace.Wavelengths(), std::vector<double>{415.0});

        const quillon::PlotArea area = window.TraceView()->Area();
        auto* plot = Find<QWidget>(*window.TraceView(), "tracePlot");
        const QPoint point = At(trace.Frame().XToPixel(area, trace.XOf(3)),
                                trace.Frame().ValueToPixel(0, area, trace.ValueOf(0, 3)));
        QTest::mouseMove(plot, point);
        const QString read = Find<QLabel>(*window.TraceView(), "traceReadout")->text();
        QVERIFY2(read.startsWith(QStringLiteral("scan 4 at 6 s: 415.00 nm ")), qPrintable(read));
        QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, point);
        QCOMPARE(window.Panel()->Plot().ScanNumber(), std::size_t{4});
        QCOMPARE(window.ViewTabs()->currentIndex(), 0);
        QVERIFY(window.Panel()->isVisible());

        // Remove takes the wavelength away again.
        window.ViewTabs()->setCurrentIndex(1);
        QTest::mouseClick(Find<QPushButton>(*window.TraceView(), "removeWavelength"),
                          Qt::LeftButton);
        QVERIFY(trace.Wavelengths().empty());
    }

    void theMapFillsWithRowsReducedAsTheLegendSaysAndColouredAlongItsBar() {
        // More scans than the map has rows (a screen's height at most), so rows hold several.
        const int scans = 6001;
        const QString path = Write(QStringLiteral("ramp.sdf"), Ramp(scans));
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        Settle(window);
        window.ViewTabs()->setCurrentIndex(2);
        QApplication::processEvents();
        const quillon::ScanMap& map = window.KineticsState().Map();
        QCOMPARE(map.FilledRows(), map.Rows());
        QVERIFY(map.Rows() > 1 && map.Rows() < static_cast<std::size_t>(scans));
        QCOMPARE(Find<QLabel>(*window.MapView(), "mapStatus")->text(),
                 QStringLiteral("Map complete: 6001 scans."));
        QCOMPARE(Find<QProgressBar>(*window.MapView(), "mapProgress")->value(), 1000);

        // The legend names the scans per row; the hover readout names each row's scans, and
        // the row's value is their mean, greatest or least count as chosen.
        const QRegularExpression legend(
            QStringLiteral("the mean counts of (\\d+) or (\\d+) scans"));
        QVERIFY(legend.match(QString::fromStdString(map.Legend())).hasMatch());
        auto* rows = Find<QComboBox>(*window.MapView(), "mapRows");
        auto* widget = Find<QWidget>(*window.MapView(), "scanMap");
        auto* readout = Find<QLabel>(*window.MapView(), "mapReadout");
        const QRegularExpression hover(
            QStringLiteral("^scan (\\d+) \\(row of scans (\\d+)\\x{2013}(\\d+), ([a-z ]+)\\), "
                           "352.00 nm, pixel 3: (.+)$"));
        const struct {
            int choice;
            const char* named;
        } reductions[] = {{0, "mean counts"}, {1, "maximum"}, {2, "minimum"}};
        for (const auto& reduction : reductions) {
            rows->setCurrentIndex(reduction.choice);
            const quillon::PlotArea area = window.MapView()->Area();
            // The map's top edge, its middle and its bottom edge.
            for (const double y :
                 {area.top + 1.0, area.top + area.height / 2.0, area.Bottom() - 1.0}) {
                QTest::mouseMove(widget, At(map.Frame().XToPixel(area, 352.0), y));
                const QRegularExpressionMatch match = hover.match(readout->text());
                QVERIFY2(match.hasMatch(), qPrintable(readout->text()));
                const int first = match.captured(2).toInt();
                const int last = match.captured(3).toInt();
                QVERIFY(first <= match.captured(1).toInt() && match.captured(1).toInt() <= last);
                QCOMPARE(match.captured(4), QLatin1String(reduction.named));
                // Scan n holds the count n - 1 at every pixel.
                const double expected = reduction.choice == 0   ? (first - 1 + last - 1) / 2.0
                                        : reduction.choice == 1 ? last - 1
                                                                : first - 1;
                QCOMPARE(match.captured(5).toDouble(), expected);
            }
        }

        // The colour bar spans the values, lowest dark at the map's top (scan 1), highest
        // yellow at its bottom, as the picture on the screen shows.
        // The least count of the first row is scan 1's, the greatest of the last row the last
        // scan's: the ends of the bar.
        rows->setCurrentIndex(2);
        QCOMPARE(map.ColorAxis().range.low, 0.0);
        rows->setCurrentIndex(1);
        QCOMPARE(map.ColorAxis().range.high, scans - 1.0);
        rows->setCurrentIndex(0);
        const QImage shown = widget->grab().toImage();
        const quillon::PlotArea area = window.MapView()->Area();
        // The picture's first and last lines stand for the first and last few rows.
        const std::array<quillon::Rgb, 256>& viridis = quillon::ViridisColors();
        auto entryOf = [&viridis](QColor color) {
            for (std::size_t i = 0; i < viridis.size(); ++i) {
                if (QColor(viridis[i].red, viridis[i].green, viridis[i].blue) == color) {
                    return static_cast<int>(i);
                }
            }
            return -1;
        };
        const int top = entryOf(shown.pixelColor(At(area.left + 3, area.top + 3)));
        const int bottom = entryOf(shown.pixelColor(At(area.left + 3, area.Bottom() - 3)));
        QVERIFY2(top >= 0 && top <= 4, qPrintable(QString::number(top)));
        QVERIFY2(bottom >= 251, qPrintable(QString::number(bottom)));
        const quillon::Rgb dark = viridis.front();
        const quillon::Rgb bright = viridis.back();

        // Saved as SVG, the map is an embedded PNG of the same colours.
        m_strSaveAs = m_Dir.filePath(QStringLiteral("ramp_map.svg"));
        QTest::mouseClick(Find<QPushButton>(*window.MapView(), "mapSavePlot"), Qt::LeftButton);
        QFile svg(*m_strSaveAs);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QString document = QString::fromUtf8(svg.readAll());
        const QRegularExpressionMatch embedded =
            QRegularExpression(
                QStringLiteral("<image [^>]*width=\"([0-9.]+)\" "
                               "height=\"([0-9.]+)\"[^>]*base64,([A-Za-z0-9+/=]+)\""))
                .match(document);
        QVERIFY(embedded.hasMatch());
        const QImage png =
            QImage::fromData(QByteArray::fromBase64(embedded.captured(3).toLatin1()), "PNG");
        QVERIFY(!png.isNull());
        QCOMPARE(png.width(), static_cast<int>(std::lround(embedded.captured(1).toDouble())));
        QCOMPARE(png.pixelColor(0, 0), QColor(dark.red, dark.green, dark.blue));
        QCOMPARE(png.pixelColor(0, png.height() - 1),
                 QColor(bright.red, bright.green, bright.blue));

        // Every row as the pass filled it, on however many threads: row r holds the scans
        // [r K / R, (r + 1) K / R) (as even as they divide), whose mean count is their middle.
        rows->setCurrentIndex(0);
        const std::size_t count = static_cast<std::size_t>(scans);
        for (std::size_t r = 0; r < map.Rows(); ++r) {
            const std::size_t first = r * count / map.Rows();
            const std::size_t last = (r + 1) * count / map.Rows() - 1;
            QCOMPARE(map.Value(r, 0), static_cast<double>(first + last) / 2.0);
        }
        // The pass that traces a wavelength gives every scan its count and its seconds.
        window.ViewTabs()->setCurrentIndex(1);
        auto* typed = Find<QLineEdit>(*window.TraceView(), "traceWavelength");
        QTest::keyClicks(typed, QStringLiteral("352"));
        QTest::keyClick(typed, Qt::Key_Return);
        Settle(window);
        const quillon::TracePlot& trace = window.KineticsState().Trace();
        QCOMPARE(trace.ScansShown(), count);
        for (std::size_t k = 0; k < count; ++k) {
            QCOMPARE(trace.ValueOf(0, k), static_cast<double>(k));
            QCOMPARE(trace.XOf(k), static_cast<double>(k));
        }
        QVERIFY(m_Messages.isEmpty());
    }

    void aClickOnTheMapShowsThatScanAndCtrlClickTracesTheWavelength() {
        const QString path = Write(QStringLiteral("series.sdf"), TimeSeries());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        Settle(window);
        window.ViewTabs()->setCurrentIndex(2);
        QApplication::processEvents();
        const quillon::ScanMap& map = window.KineticsState().Map();
        QCOMPARE(QString::fromStdString(map.Legend()), QStringLiteral("Each row is one scan."));
        const quillon::PlotArea area = window.MapView()->Area();
        auto* widget = Find<QWidget>(*window.MapView(), "scanMap");
        const QPoint point = At(map.Frame().XToPixel(area, 430.0), map.ScanToPixel(area, 3.0));
        QTest::mouseMove(widget, point);
        // Scan 3, pixel 4: 200 + 300 + 37 * 2 * 4 counts.
        QCOMPARE(Find<QLabel>(*window.MapView(), "mapReadout")->text(),
                 QStringLiteral("scan 3, 430.00 nm, pixel 4: 796"));
        QTest::mouseClick(widget, Qt::LeftButton, Qt::ControlModifier, point);
        QCOMPARE(window.KineticsState().Trace().Wavelengths(), std::vector<double>{430.0});
        QCOMPARE(window.ViewTabs()->currentIndex(), 2);
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point);
        QCOMPARE(window.Panel()->Plot().ScanNumber(), std::size_t{3});
        QCOMPARE(window.ViewTabs()->currentIndex(), 0);
        QVERIFY(window.MapView()->Picked().has_value());
    }

    void theMapsRowsFollowTheQuantityAndTheReductionChosen() {
        // 3000 scans of four pixels, the counts of each pixel going up and down from scan to
        // scan, so that a row's mean, least and greatest counts all differ; pixel 2 has a
        // reference above its dark, and the absorbance falls as the counts rise.
        quillon::testing::SdfBuilder sdf(4);
        sdf.ccd.fCal[0] = 500.0f;
        sdf.ccd.fCal[1] = 2.0f;
        sdf.dark = {100, 100, 100, 100};
        sdf.ref = {1100, 2100, 3100, 4100};
        const int scans = 3000;
        for (int k = 0; k < scans; ++k) {
            const std::int32_t wave = 150 + (k * 37) % 900;
            sdf.AddScan({"", "", "", {wave, wave + 1000, wave + 2000, wave + 3000}, 0});
        }
        const QString path = Write(QStringLiteral("wave.sdf"), sdf);
        NoLog log;
        const quillon::ScanFile file =
            quillon::LoadScanFile(QFile::encodeName(path).toStdString(), log);
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        Settle(window);
        window.ViewTabs()->setCurrentIndex(2);
        QApplication::processEvents();
        const quillon::ScanMap& map = window.KineticsState().Map();
        auto* quantity = Find<QComboBox>(*window.MapView(), "mapQuantity");
        auto* rows = Find<QComboBox>(*window.MapView(), "mapRows");
        auto* widget = Find<QWidget>(*window.MapView(), "scanMap");
        auto* readout = Find<QLabel>(*window.MapView(), "mapReadout");
        const QRegularExpression hover(
            QStringLiteral("^scan \\d+ \\(row of scans (\\d+)\\x{2013}(\\d+), [a-z ]+\\), 502.00 "
                           "nm, pixel 2: (.+)$"));
        for (int q = 0; q < 4; ++q) {
            const Quantity chosen = quillon::kPlotQuantities[q];
            quantity->setCurrentIndex(q);
            for (int reduction = 0; reduction < 3; ++reduction) {
                rows->setCurrentIndex(reduction);
                const quillon::PlotArea area = window.MapView()->Area();
                QTest::mouseMove(
                    widget, At(map.Frame().XToPixel(area, 502.0), area.top + area.height / 3.0));
                const QRegularExpressionMatch match = hover.match(readout->text());
                QVERIFY2(match.hasMatch(), qPrintable(readout->text()));
                const int first = match.captured(1).toInt();
                const int last = match.captured(2).toInt();
                // Each scan's value as the exports compute it, and the mean counts.
                std::vector<double> values(4);
                double least = INFINITY;
                double greatest = -INFINITY;
                double counts = 0.0;
                for (int k = first - 1; k < last; ++k) {
                    quillon::ComputeQuantity(chosen, file, static_cast<std::size_t>(k), values);
                    least = std::min(least, values[1]);
                    greatest = std::max(greatest, values[1]);
                    counts += file.Scan(static_cast<std::size_t>(k)).values[1];
                }
                const double mean = counts / (last - first + 1);
                const double ofMean = chosen == Quantity::kCounts           ? mean
                                      : chosen == Quantity::kDarkSubtracted ? mean - 100.0
                                      : chosen == Quantity::kTransmittance
                                          ? (mean - 100.0) / 2000.0
                                          : -std::log10((mean - 100.0) / 2000.0);
                const double expected = reduction == 0 ? ofMean : reduction == 1 ? greatest : least;
                const double shown = match.captured(3).toDouble();
                QVERIFY2(std::abs(shown - expected) <= 1e-5 * std::abs(expected),
                         qPrintable(QStringLiteral("%1 / %2: %3, expected %4")
                                        .arg(quantity->currentText(), rows->currentText(),
                                             match.captured(3))
                                        .arg(expected, 0, 'g', 9)));
            }
        }
    }

    void filesWithoutTimesOrWavelengthsAreTracedAgainstScanAndPixelNumbers() {
        // A file whose texts are no times, on a rising calibration; and a file with times whose
        // calibration falls, which the spectrum plots against the pixel number.
        quillon::testing::SdfBuilder untimed = TimeSeries();
        for (auto& scan : untimed.scans) {
            scan.dateTime = "sample A";
        }
        quillon::testing::SdfBuilder falling = TimeSeries();
        falling.ccd.fCal[0] = 900.0f;
        falling.ccd.fCal[1] = -10.0f;
        const struct {
            const char* name;
            quillon::testing::SdfBuilder sdf;
            const char* label;
            const char* xTitle;
            bool noticed;
            const char* header;
        } cases[] = {
            {"untimed.sdf", untimed, "450.00 nm", "Scan number (no scan times read)", true,
             "scan,date_time,seconds,counts_450nm"},
            {"falling.sdf", falling, "pixel 6", "Time since the first scan (s)", false,
             "scan,date_time,seconds,counts_pixel6"},
        };
        for (const auto& c : cases) {
            const QString path = Write(QLatin1String(c.name), c.sdf);
            MainDialogWindow window(ScriptedPrompts());
            Open(window);
            Load(window, path);
            Settle(window);
            quillon::SpectrumPanel& spectrum = *window.Panel();
            auto* chartView = Find<QChartView>(spectrum, "spectrumPlot");
            const QRectF area = chartView->chart()->plotArea();
            const quillon::PlotArea plotArea{area.left(), area.top(), area.width(), area.height()};
            // Pixel 6 of 8 on either axis.
            const double x = spectrum.Plot().Curves().x[5];
            const QPoint click = chartView->mapFromScene(chartView->chart()->mapToScene(
                QPointF(spectrum.Plot().Frame().XToPixel(plotArea, x), area.center().y())));
            QTest::mouseClick(chartView->viewport(), Qt::LeftButton, Qt::ControlModifier, click);
            Settle(window);
            const quillon::TracePlot& trace = window.KineticsState().Trace();
            QCOMPARE(QString::fromStdString(trace.WavelengthLabel(0)), QLatin1String(c.label));
            QCOMPARE(QString::fromStdString(trace.Frame().X().title), QLatin1String(c.xTitle));
            for (int k = 0; k < 5; ++k) {
                const auto scan = static_cast<std::size_t>(k);
                QCOMPARE(trace.XOf(scan), c.noticed ? k + 1.0 : 2.0 * k);
                QCOMPARE(trace.ValueOf(0, scan), 200.0 + 500.0 + 37.0 * k * 6);
            }
            const QString status = Find<QLabel>(*window.TraceView(), "traceStatus")->text();
            QCOMPARE(status.isEmpty(), !c.noticed);
            // The table: scan 1 without seconds where there are no times.
            m_strSaveAs = m_Dir.filePath(QStringLiteral("table.csv"));
            window.ViewTabs()->setCurrentIndex(1);
            QTest::mouseClick(Find<QPushButton>(*window.TraceView(), "exportTrace"),
                              Qt::LeftButton);
            QFile table(*m_strSaveAs);
            QVERIFY(table.open(QIODevice::ReadOnly));
            const QStringList lines =
                QString::fromUtf8(table.readAll()).split(QStringLiteral("\r\n"));
            QCOMPARE(lines.size(), 7);
            QCOMPARE(lines[0], QLatin1String(c.header));
            QCOMPARE(lines[1], c.noticed ? QStringLiteral("1,sample A,,700")
                                         : QStringLiteral("1,2026-12-07 09:00:00,0,700"));
            QVERIFY(m_Messages.isEmpty());
        }
    }

    void filesWithoutScansOrPixelsShowEmptyViews() {
        quillon::testing::SdfBuilder noScans(8);
        quillon::testing::SdfBuilder noPixels(0);
        noPixels.AddScans(3);
        const struct {
            const char* name;
            const quillon::testing::SdfBuilder& sdf;
            const char* status;
        } cases[] = {{"empty.sdf", noScans, "Map complete: 0 scans."},
                     {"nopixels.sdf", noPixels, "Map complete: 3 scans."}};
        for (const auto& c : cases) {
            MainDialogWindow window(ScriptedPrompts());
            Open(window);
            Load(window, Write(QLatin1String(c.name), c.sdf));
            Settle(window);
            for (int view : {1, 2}) {
                window.ViewTabs()->setCurrentIndex(view);
                QWidget* picture = Find<QWidget>(window, view == 1 ? "tracePlot" : "scanMap");
                QVERIFY(!picture->grab().isNull());
                QTest::mouseMove(picture, picture->rect().center());
                QTest::mouseClick(picture, Qt::LeftButton, Qt::NoModifier,
                                  picture->rect().center());
            }
            QCOMPARE(Find<QLabel>(window, "mapStatus")->text(), QLatin1String(c.status));
            QCOMPARE(Find<QLabel>(window, "mapReadout")->text(), QLatin1String(quillon::kMapHint));
            QVERIFY(!window.TraceView()->AddWavelength(400.0));
            QVERIFY(!Find<QLabel>(window, "traceStatus")->text().isEmpty());
            QCOMPARE(window.ViewTabs()->currentIndex(), 2);
            QVERIFY(m_Messages.isEmpty());
        }
    }

    void theMapZoomsWithTheFirstScanAtTheTop() {
        const QString path = Write(QStringLiteral("ramp.sdf"), Ramp(1000));
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        Settle(window);
        window.ViewTabs()->setCurrentIndex(2);
        QApplication::processEvents();
        const quillon::ScanMap& map = window.KineticsState().Map();
        auto* widget = Find<QWidget>(*window.MapView(), "scanMap");
        quillon::PlotArea area = window.MapView()->Area();
        // A rectangle dragged over the top quarter shows the first quarter of the scans.
        const QPoint from = At(area.left + 5, area.top + 2);
        const QPoint to = At(area.Right() - 5, area.top + area.height / 4.0);
        QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(widget, At(area.left + 50, area.top + 50));
        QTest::mouseMove(widget, to);
        QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, to);
        QVERIFY(map.IsZoomed());
        const quillon::ValueRange shown = map.ScanAxis().range;
        QVERIFY2(shown.low < 5.0 && shown.high > 240.0 && shown.high < 260.0,
                 qPrintable(QStringLiteral("%1 %2").arg(shown.low).arg(shown.high)));
        // The top of the area reads the first scans; Down shows later ones.
        area = window.MapView()->Area();
        QTest::mouseMove(widget, At(area.left + 5, area.top + 1));
        QVERIFY(Find<QLabel>(*window.MapView(), "mapReadout")
                    ->text()
                    .startsWith(QStringLiteral("scan ")));
        const double top = map.PixelToScan(area, area.top);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Down);
        QVERIFY(map.PixelToScan(area, area.top) > top);
        QTest::mouseClick(Find<QPushButton>(*window.MapView(), "mapResetZoom"), Qt::LeftButton);
        QVERIFY(!map.IsZoomed());
        QCOMPARE(map.ScanAxis().range.low, 0.5);
        QCOMPARE(map.ScanAxis().range.high, 1000.5);
    }

    void theTracesPictureSavesAsPngAndSvg() {
        const QString path = Write(QStringLiteral("series.sdf"), TimeSeries());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, path);
        window.ViewTabs()->setCurrentIndex(1);
        QVERIFY(window.TraceView()->AddWavelength(420.0));
        QVERIFY(window.TraceView()->AddWavelength(460.0));
        Settle(window);
        auto* plot = Find<QWidget>(*window.TraceView(), "tracePlot");
        auto* save = Find<QPushButton>(*window.TraceView(), "traceSavePlot");

        m_strSaveAs = m_Dir.filePath(QStringLiteral("series_trace.png"));
        QTest::mouseClick(save, Qt::LeftButton);
        const QImage png(*m_strSaveAs);
        QCOMPARE(png.size(), plot->size() * 2);
        // Both traces' colours are drawn.
        for (std::size_t w = 0; w < 2; ++w) {
            const quillon::Rgb color = quillon::TraceColor(w);
            bool found = false;
            for (int y = 0; y < png.height() && !found; ++y) {
                for (int x = 0; x < png.width() && !found; ++x) {
                    found = png.pixelColor(x, y) == QColor(color.red, color.green, color.blue);
                }
            }
            QVERIFY(found);
        }

        m_strSaveAs = m_Dir.filePath(QStringLiteral("series_trace.svg"));
        QTest::mouseClick(save, Qt::LeftButton);
        QFile svg(*m_strSaveAs);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QString document = QString::fromUtf8(svg.readAll());
        for (const char* color : {"#1f5fbf", "#e07b00"}) {
            // One line of five points per wavelength, and its legend entry.
            const QRegularExpression line(
                QStringLiteral("<polyline [^>]*stroke=\"%1\"[^>]*points=\"[-0-9.]+,[-0-9.]+( "
                               "[-0-9.]+,[-0-9.]+){4}\"")
                    .arg(QLatin1String(color)));
            QVERIFY2(line.match(document).hasMatch(), color);
        }
        QVERIFY(document.contains(QStringLiteral(">420.00 nm</text>")));
        QVERIFY(document.contains(QStringLiteral(">Time since the first scan (s)</text>")));
        QVERIFY(m_Messages.isEmpty());
    }

    void theWavelengthsTracedStayForTheNextFileWhereItHasThem() {
        // 400-470 nm; 440-510 nm; pixel numbers only (a falling calibration).
        quillon::testing::SdfBuilder shifted = TimeSeries();
        shifted.ccd.fCal[0] = 440.0f;
        quillon::testing::SdfBuilder falling = TimeSeries();
        falling.ccd.fCal[0] = 900.0f;
        falling.ccd.fCal[1] = -10.0f;
        const QString first = Write(QStringLiteral("first.sdf"), TimeSeries());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, first);
        QVERIFY(window.TraceView()->AddWavelength(410.0));
        QVERIFY(window.TraceView()->AddWavelength(450.0));
        Settle(window);
        const quillon::TracePlot& trace = window.KineticsState().Trace();
        const quillon::testing::SdfBuilder again = TimeSeries();
        const struct {
            const char* name;
            const quillon::testing::SdfBuilder& sdf;
            std::vector<double> kept;
        } loads[] = {{"shifted.sdf", shifted, {450.0}},
                     {"first-again.sdf", again, {450.0}},
                     {"falling.sdf", falling, {}}};
        for (const auto& load : loads) {
            Load(window, Write(QLatin1String(load.name), load.sdf));
            Settle(window);
            QCOMPARE(trace.Wavelengths(), load.kept);
            // The wavelengths kept are traced anew in the new file.
            QCOMPARE(trace.ScansShown(), load.kept.empty() ? std::size_t{0} : std::size_t{5});
            auto* traced = Find<QComboBox>(*window.TraceView(), "tracedWavelengths");
            QCOMPARE(traced->count(), static_cast<int>(load.kept.size()));
        }
    }

    void theTraceZoomsAboutThePointerAndResets() {
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, Write(QStringLiteral("series.sdf"), TimeSeries()));
        window.ViewTabs()->setCurrentIndex(1);
        QVERIFY(window.TraceView()->AddWavelength(440.0));
        Settle(window);
        const quillon::TracePlot& trace = window.KineticsState().Trace();
        auto* plot = Find<QWidget>(*window.TraceView(), "tracePlot");
        const quillon::PlotArea area = window.TraceView()->Area();
        // The wheel forward about the point of scan 3 (4 s) magnifies around it.
        const QPointF at(trace.Frame().XToPixel(area, 4.0), area.top + area.height / 2.0);
        QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &wheel);
        QVERIFY(trace.IsZoomed());
        const quillon::ValueRange x = trace.Frame().X().range;
        QVERIFY(x.Span() < 8.0 * 0.7);
        QVERIFY(std::abs(trace.Frame().XToPixel(area, 4.0) - at.x()) < 0.5);
        // A right click zooms out; Reset zoom shows every scan's time again.
        QTest::mouseClick(plot, Qt::RightButton, Qt::NoModifier, at.toPoint());
        QVERIFY(trace.Frame().X().range.Span() > x.Span());
        QTest::mouseClick(Find<QPushButton>(*window.TraceView(), "traceResetZoom"), Qt::LeftButton);
        QVERIFY(!trace.IsZoomed());
        QCOMPARE(trace.Frame().X().range, (quillon::ValueRange{0.0, 8.0}));
    }

    void cancelAndAnotherLoadStopTheMapsPass() {
        // A file of 300,000 scans of 2048 pixels, mostly holes: its pass runs for seconds.
        quillon::testing::SdfBuilder fixed(2048);
        const QString big = m_Dir.filePath(QStringLiteral("big.sdf"));
        quillon::testing::WriteSparseSdf(QFile::encodeName(big).toStdString(), fixed, 300000, {});
        const QString small = Write(QStringLiteral("series.sdf"), TimeSeries());
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, big);
        window.ViewTabs()->setCurrentIndex(2);
        auto* cancel = Find<QPushButton>(*window.MapView(), "cancelMap");
        QVERIFY(cancel->isEnabled());
        // The map shows its first rows while the pass goes on: the window polls it.
        const quillon::ScanMap& filling = window.KineticsState().Map();
        auto* widget = Find<QWidget>(*window.MapView(), "scanMap");
        const quillon::PlotArea area = window.MapView()->Area();
        // Until the scans under the map's first few picture lines have been read.
        const double topScans = filling.PixelToScan(area, area.top + 5.0);
        QTRY_VERIFY_WITH_TIMEOUT(static_cast<double>(filling.ScansFilled()) > topScans, 30000);
        QVERIFY(window.KineticsState().IsMapRunning());
        QVERIFY(Find<QLabel>(*window.MapView(), "mapStatus")
                    ->text()
                    .startsWith(QStringLiteral("Reading scans: ")));
        const QImage partial = widget->grab().toImage();
        // The rows read are coloured (all zero counts: the colour map's middle around a
        // single value), the rows not read yet grey.
        const quillon::Rgb middle = quillon::ColorAt(0.5);
        QCOMPARE(partial.pixelColor(At(area.left + 3, area.top + 3)),
                 QColor(middle.red, middle.green, middle.blue));
        QCOMPARE(partial.pixelColor(At(area.left + 3, area.Bottom() - 3)),
                 QColor(0xD9, 0xD9, 0xD9));
        QTest::mouseClick(cancel, Qt::LeftButton);
        Settle(window);
        const quillon::ScanMap& map = window.KineticsState().Map();
        QVERIFY(map.ScansFilled() < 300000);
        QVERIFY(!cancel->isEnabled());
        QVERIFY(Find<QLabel>(*window.MapView(), "mapStatus")
                    ->text()
                    .startsWith(QStringLiteral("Stopped after ")));
        QVERIFY(Find<QProgressBar>(*window.MapView(), "mapProgress")->value() < 1000);

        // A load while the pass runs stops it before the file goes; the map shows the new file.
        Load(window, big);
        QVERIFY(window.KineticsState().IsMapRunning());
        Load(window, small);
        Settle(window);
        QCOMPARE(map.ScanCount(), std::size_t{5});
        QCOMPARE(map.FilledRows(), std::size_t{5});
        QVERIFY(m_Messages.isEmpty());
    }

    void aFileCutShorterWhileTheMapIsBuiltIsReported() {
        quillon::testing::SdfBuilder fixed(2048);
        const QString big = m_Dir.filePath(QStringLiteral("big.sdf"));
        const std::string name = QFile::encodeName(big).toStdString();
        quillon::testing::WriteSparseSdf(name, fixed, 300000, {});
        MainDialogWindow window(ScriptedPrompts());
        Open(window);
        Load(window, big);
        window.ViewTabs()->setCurrentIndex(2);
        const quillon::ScanMap& map = window.KineticsState().Map();
        QTRY_VERIFY_WITH_TIMEOUT(map.FilledRows() > 0, 30000);
        QVERIFY(window.KineticsState().IsMapRunning());
        // Another program cuts the file to a tenth while the threads read it: the scans it
        // lost read as zeros, and the map says why it is not complete instead of showing them.
        std::filesystem::resize_file(name, std::filesystem::file_size(name) / 10);
        Settle(window);
        QCOMPARE(Find<QLabel>(*window.MapView(), "mapStatus")->text(),
                 QStringLiteral("The map could not be completed: %1: the file changed while it "
                                "was read")
                     .arg(big));
        QVERIFY(map.FilledRows() < map.Rows());
    }
};

QTEST_MAIN(KineticsViewsTest)
#include "kinetics_views_test.moc"
