// quillon_write_floor: the time it takes just to write a conversion's output files. It reads the
// given files into memory, deletes them and syncs (so that the writing starts, as a measured
// conversion does, with no old outputs and nothing waiting to be written back), then creates
// and writes each one again with one write call, and prints the seconds the writing took.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> names(argv + 1, argv + argc);
    std::vector<std::string> contents;
    contents.reserve(names.size());
    for (const std::string& name : names) {
        // Read at its final size, so that no growing copy comes and goes before the writing.
        std::ifstream in(name, std::ios::binary | std::ios::ate);
        std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
        in.seekg(0);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        contents.push_back(std::move(bytes));
    }
    for (const std::string& name : names) {
        ::unlink(name.c_str());
    }
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < names.size(); ++i) {
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
