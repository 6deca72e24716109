// quillon_write_floor: the time it takes just to write a conversion's output files. It reads the
// given files into memory first, then deletes and writes each one again with one write call,
// the way the converter replaces its outputs, and prints the seconds the writing took.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> names(argv + 1, argv + argc);
    std::vector<std::string> contents;
    contents.reserve(names.size());
    for (const std::string& name : names) {
        std::ifstream in(name, std::ios::binary);
        contents.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < names.size(); ++i) {
        ::unlink(names[i].c_str());
        const int fd = ::open(names[i].c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            std::perror(names[i].c_str());
            return 1;
        }
        std::size_t done = 0;
        while (done < contents[i].size()) {
            const ssize_t n = ::write(fd, contents[i].data() + done, contents[i].size() - done);
            if (n <= 0) {
                std::perror(names[i].c_str());
                return 1;
            }
            done += static_cast<std::size_t>(n);
        }
        if (::close(fd) != 0) {
            std::perror(names[i].c_str());
            return 1;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", took.count());
    return 0;
}
