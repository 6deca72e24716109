// SPDX-License-Identifier: MIT
// quillon_bench_win32_plot: the time the Windows window's plot takes to show another scan of
// examples/demo.sdf (N = 2048 pixels), in each quantity: the scan typed into the scan number,
// the model updated, and the plot laid out and painted with GDI+ (UpdateWindow). A program of
// its own, since Google Benchmark is not built for Windows here; run under wine with
//
//   scripts/wine-run.sh build-windows/bench/win32/quillon_bench_win32_plot.exe [REPETITIONS]
//
// and read the median and the slowest time per quantity. Showing another scan should stay
// well under 20 ms.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialog/spectrum_plot.h"
#include "dialog/win32/win32_dialog_window.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    using quillon::PanelControl;
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    quillon::Win32Prompts prompts = quillon::Win32Prompts::Standard();
    prompts.message = [](HWND, const std::string& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    quillon::Win32DialogWindow window(std::move(prompts));
    if (window.Create() == nullptr) {
        std::fprintf(stderr, "the window could not be created\n");
        return 1;
    }
    window.Dialog().OnDropFiles({QUILLON_EXAMPLES_DIR "/demo.sdf"});
    quillon::Win32SpectrumPanel& panel = window.Panel();
    // The panel's size in the Qt window's benchmark.
    ::SetWindowPos(panel.Handle(), nullptr, 0, 0, 760, 560, SWP_NOMOVE | SWP_NOZORDER);
    HWND plot = panel.ControlHandle(PanelControl::Plot);
    HWND number = panel.ControlHandle(PanelControl::ScanNumber);
    HWND quantity = panel.ControlHandle(PanelControl::Quantity);
    RECT size{};
    ::GetClientRect(plot, &size);
    std::printf(
        "Showing another scan of demo.sdf (N = 2048) in a plot of %ldx%ld pixels, %d times "
        "per quantity:\n",
        size.right, size.bottom, repetitions);

    for (std::size_t q = 0; q < std::size(quillon::kPlotQuantities); ++q) {
        ::SendMessageW(quantity, CB_SETCURSEL, q, 0);
        ::SendMessageW(panel.Handle(), WM_COMMAND,
                       MAKEWPARAM(static_cast<int>(PanelControl::Quantity), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(quantity));
        ::UpdateWindow(plot);
        std::vector<double> times;
        for (int i = 0; i < repetitions; ++i) {
            // 2, 3, 4, 5, 1, 2, ...: always another scan than the one shown.
            const std::wstring scan = std::to_wstring((i + 1) % 5 + 1);
            LARGE_INTEGER start;
            LARGE_INTEGER end;
            ::QueryPerformanceCounter(&start);
            ::SetWindowTextW(number, scan.c_str());
            ::UpdateWindow(plot);
            ::QueryPerformanceCounter(&end);
            times.push_back(Milliseconds(start, end));
        }
        std::sort(times.begin(), times.end());
        std::printf("  %-24s median %6.2f ms, slowest %6.2f ms\n",
                    quillon::QuantityLabel(quillon::kPlotQuantities[q]).c_str(),
                    times[times.size() / 2], times.back());
    }
    return 0;
}
