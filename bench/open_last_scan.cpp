// SPDX-License-Identifier: MIT
// quillon_open_last_scan: what showing a file in the window costs the core: loading it, then
// reading every count of its last scan (the plot). Prints both times in seconds. With --cold the
// file's pages are first dropped from the page cache, as for a file not read since the machine
// started.
//
//   quillon_open_last_scan [--cold] FILE
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "platform/log_sink.h"
#include "scanfile/loader.h"

namespace {

class NoLog : public quillon::LogSink {
  public:
    void Append(std::string_view) override {}
};

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const bool cold = argc == 3 && std::strcmp(argv[1], "--cold") == 0;
    if (argc != (cold ? 3 : 2)) {
        std::fprintf(stderr, "usage: quillon_open_last_scan [--cold] FILE\n");
        return 2;
    }
    const std::string path = argv[argc - 1];
    if (cold) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) {
            std::perror(path.c_str());
            return 1;
        }
        ::close(fd);
    }
    try {
        NoLog log;
        const auto start = std::chrono::steady_clock::now();
        const quillon::ScanFile file = quillon::LoadScanFile(path, log);
        const double load = Since(start);
        const auto plotStart = std::chrono::steady_clock::now();
        long long sum = 0;
        if (file.ScanCount() > 0) {
            for (const std::int32_t count : file.Scan(file.ScanCount() - 1).values) {
                sum += count;
            }
        }
        const double plot = Since(plotStart);
        std::printf("%.6f %.6f %zu %lld\n", load, plot, file.ScanCount(), sum);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillon_open_last_scan: %s\n", error.what());
        return 1;
    }
    return 0;
}
