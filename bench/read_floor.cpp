// SPDX-License-Identifier: MIT
// quillon_read_floor: reads a whole file into memory with large reads: the least a load can
// cost that keeps every byte of the file in memory, as the loader does.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillon_read_floor FILE\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    // Fresh, untouched memory, as the loader's arrays are.
    auto* data = static_cast<unsigned char*>(std::malloc(size + 1));
    std::size_t total = 0;
    for (;;) {
        const ssize_t n =
            ::read(fd, data + total, std::min<std::size_t>(size + 1 - total, 1u << 20));
        if (n < 0) {
            std::perror(argv[1]);
            return 1;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::size_t>(n);
    }
    ::close(fd);
    unsigned checksum = 0;
    for (std::size_t i = 0; i < total; i += 4096) {
        checksum += data[i];
    }
    std::printf("%zu bytes (%u)\n", total, checksum);
    std::free(data);
    return 0;
}
