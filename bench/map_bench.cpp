// SPDX-License-Identifier: MIT
// quillon_map_bench: the scan map of a file as the window builds it, against the floor of
// reading the file once in the same run. Prints the read floor, the time from the start of
// the map's pass to its first picture (rows filled and drawn, as the window's timer shows
// them) and to its completion, and their ratios to the floor.
//   quillon_map_bench FILE [ROWS]      (ROWS: the map's rows, 1200 unless given)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "dialog/kinetics.h"
#include "platform/log_sink.h"
#include "scanfile/loader.h"

namespace {

class NoLog : public quillon::LogSink {
  public:
    void Append(std::string_view) override {}
};

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads the whole file once with large reads into one reused buffer: the least any pass over
// its bytes can cost.
double ReadFloor(const char* path) {
    const auto start = Clock::now();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::perror(path);
        std::exit(1);
    }
    std::vector<unsigned char> buffer(std::size_t{1} << 20);
    unsigned checksum = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            std::perror(path);
            std::exit(1);
        }
        if (n == 0) {
            break;
        }
        checksum += buffer[0];
    }
    ::close(fd);
    const double seconds = SecondsSince(start);
    std::fprintf(stderr, "(read checksum %u)\n", checksum);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: quillon_map_bench FILE [ROWS]\n");
        return 2;
    }
    const std::size_t rows =
        argc == 3 ? std::strtoul(argv[2], nullptr, 10) : quillon::kDefaultMapRows;
    const double floor = ReadFloor(argv[1]);

    NoLog log;
    const quillon::ScanFile file = quillon::LoadScanFile(argv[1], log);
    quillon::Kinetics kinetics(rows);
    const quillon::PlotArea area{0.0, 0.0, 800.0, 600.0};
    std::vector<quillon::Rgb> picture;

    const auto start = Clock::now();
    kinetics.ShowFile(file);
    double first = -1.0;
    // The window's timer polls ten times a second; polling more often only measures the
    // pass more finely.
    while (kinetics.IsWorking() || first < 0.0) {
        if (kinetics.Poll() && first < 0.0 && kinetics.Map().FilledRows() > 0) {
            kinetics.Map().RenderImage(area, 800, 600, picture);
            first = SecondsSince(start);
        }
        if (!kinetics.IsWorking() && first < 0.0) {
            first = SecondsSince(start);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double complete = SecondsSince(start);
    std::printf("scans %zu, rows %zu\n", file.ScanCount(), kinetics.Map().Rows());
    std::printf("read floor s        %8.3f\n", floor);
    std::printf("first picture s     %8.3f  (goal <= 1 s)\n", first);
    std::printf("complete s          %8.3f  ratio to the read floor %.2f (goal <= 2)\n", complete,
                complete / floor);
    std::printf("%s\n", kinetics.MapStatus().c_str());
    return 0;
}
