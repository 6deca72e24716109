// SPDX-License-Identifier: MIT
// quillon_write_floor: the time it takes just to write a conversion's output files. It reads the
// given files into memory, deletes them and syncs (so that the writing starts, as a measured
// conversion does, with no old outputs and nothing waiting to be written back), then creates
// and writes each one again with one write call, and prints the seconds the writing took.
//
//   quillon_write_floor FILE...
//   quillon_write_floor [--same-size] -      (the names one a line on standard input)
//
// --same-size is for outputs larger than memory: only each file's size is kept, and each file is
// written to that size, in pieces of 1 MiB, from the first MiB of the first file. The file
// system stores bytes whatever they are, so the time is the same as for the files' own bytes.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Writes size bytes to a new file of that name, repeating `bytes` as often as needed.
bool WriteFile(const std::string& name, const std::string& bytes, std::size_t size) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        std::perror(name.c_str());
        return false;
    }
    std::size_t done = 0;
    while (done < size) {
        const std::size_t from = done % bytes.size();
        const std::size_t take = std::min(size - done, bytes.size() - from);
        const ssize_t n = ::write(fd, bytes.data() + from, take);
        if (n <= 0) {
            std::perror(name.c_str());
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        std::perror(name.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> names(argv + 1, argv + argc);
    const bool sameSize = !names.empty() && names.front() == "--same-size";
    if (sameSize) {
        names.erase(names.begin());
    }
    if (names.size() == 1 && names.front() == "-") {
        names.clear();
        for (std::string name; std::getline(std::cin, name);) {
            names.push_back(name);
        }
    }
    std::vector<std::string> contents;
    std::vector<std::size_t> sizes;
    contents.reserve(names.size());
    for (const std::string& name : names) {
        // Read at its final size, so that no growing copy comes and goes before the writing.
        std::ifstream in(name, std::ios::binary | std::ios::ate);
        const auto size = static_cast<std::size_t>(in.tellg());
        sizes.push_back(size);
        if (sameSize && !contents.empty()) {
            continue;
        }
        std::string bytes(sameSize ? std::min<std::size_t>(size, 1u << 20) : size, '\0');
        in.seekg(0);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        contents.push_back(std::move(bytes));
    }
    if (sameSize && !contents.empty() && contents.front().empty()) {
        contents.front() = std::string(1u << 20, ' ');
    }
    for (const std::string& name : names) {
        ::unlink(name.c_str());
    }
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& bytes = sameSize ? contents.front() : contents[i];
        if (!WriteFile(names[i], bytes, sizes[i])) {
            return 1;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", took.count());
    return 0;
}
