// SPDX-License-Identifier: MIT
// quillon_bench_plot: the time the window's spectrum panel takes to show another scan of
// examples/demo.sdf (N = 2048 pixels), in each quantity: the quantity computed, the lines
// refilled, the axes fitted and the chart painted into an image of the panel's size. Runs
// offscreen; switching scans should stay well under 20 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QPainter>
#include <QtGlobal>
#include <cstdio>
#include <memory>
#include <random>

#include "dialog/qt/spectrum_panel.h"
#include "platform/log_sink.h"
#include "scanfile/loader.h"

namespace {

class NoLog : public quillon::LogSink {
  public:
    void Append(std::string_view) override {}
};

const quillon::ScanFile& Demo() {
    static const quillon::ScanFile file = [] {
        NoLog log;
        return quillon::LoadScanFile(QUILLON_EXAMPLES_DIR "/demo.sdf", log);
    }();
    return file;
}

// The worst case for the lines: scans of the dark alone (a shutter closed), whose counts fall
// below the dark at about every other pixel, so that the absorbance breaks into hundreds of
// lines.
const quillon::ScanFile& DarkScans() {
    static const quillon::ScanFile file = [] {
        NoLog log;
        quillon::ScanFile dark = quillon::LoadScanFile(QUILLON_EXAMPLES_DIR "/demo.sdf", log);
        quillon::ScanFile made;
        made.m_strPath = dark.m_strPath;
        made.m_nPixelCount = dark.m_nPixelCount;
        made.m_Ccd = dark.m_Ccd;
        made.m_pDarkData = dark.m_pDarkData;
        made.m_pRefData = dark.m_pRefData;
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> noise(-6, 6);
        for (int k = 0; k < 5; ++k) {
            auto record = std::make_unique<quillon::CSaveData>(
                static_cast<std::uint16_t>(made.m_nPixelCount));
            auto values = record->Values();
            for (std::size_t i = 0; i < values.size(); ++i) {
                values[i] = static_cast<std::int32_t>(made.m_pDarkData[i]) + noise(rng);
            }
            made.AddScan(std::move(record));
        }
        return made;
    }();
    return file;
}

void ShowScanOf(benchmark::State& state, const quillon::ScanFile& file) {
    quillon::SpectrumPanel panel;
    panel.resize(760, 560);
    panel.show();
    panel.ShowFile(file);
    panel.ShowQuantity(quillon::kPlotQuantities[static_cast<std::size_t>(state.range(0))]);
    QApplication::processEvents();
    auto* view = panel.findChild<QChartView*>(QStringLiteral("spectrumPlot"));
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    const int scans = static_cast<int>(file.ScanCount());
    int scan = 1;
    for (auto _ : state) {
        scan = scan % scans + 1;
        panel.ShowScan(scan);
        QPainter painter(&image);
        view->render(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(quillon::QuantityLabel(panel.Plot().ShownQuantity()) + ", " +
                   std::to_string(panel.Plot().Runs(quillon::Curve::kScan).size()) +
                   " line(s) for the scan");
}
void ShowScan(benchmark::State& state) {
    ShowScanOf(state, Demo());
}
void ShowDarkScan(benchmark::State& state) {
    ShowScanOf(state, DarkScans());
}
BENCHMARK(ShowScan)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(ShowDarkScan)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
