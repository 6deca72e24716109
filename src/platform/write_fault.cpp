// SPDX-License-Identifier: MIT
// QUILLON_WRITE_FAULT, read once, and its removal or resize done once.
#include "platform/write_fault.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/utf8_path.h"

namespace quillon {

namespace {

struct Fault {
    std::uint64_t at = 0;
    enum class Kind { kFail, kRemove, kResize } kind = Kind::kFail;
    std::uint64_t size = 0;
    std::string path;
};

std::optional<std::uint64_t> Number(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::strtoull(text.c_str(), nullptr, 10);
}

// The fault the variable names, or none when it is unset or not understood.
std::optional<Fault> Parse(const char* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const std::string text = value;
    const std::size_t colon = text.find(':');
    const std::optional<std::uint64_t> at = Number(text.substr(0, colon));
    if (!at) {
        return std::nullopt;
    }
    Fault fault;
    fault.at = *at;
    if (colon == std::string::npos) {
        return fault;
    }
    const std::string rest = text.substr(colon + 1);
    if (rest.starts_with("remove:")) {
        fault.kind = Fault::Kind::kRemove;
        fault.path = rest.substr(7);
        return fault;
    }
    const std::size_t sizeEnd = rest.find(':', 7);
    const std::optional<std::uint64_t> size =
        sizeEnd == std::string::npos ? std::nullopt : Number(rest.substr(7, sizeEnd - 7));
    if (!rest.starts_with("resize:") || !size) {
        return std::nullopt;
    }
    fault.kind = Fault::Kind::kResize;
    fault.size = *size;
    fault.path = rest.substr(sizeEnd + 1);
    return fault;
}

const std::optional<Fault>& TheFault() {
    static const std::optional<Fault> fault = Parse(std::getenv("QUILLON_WRITE_FAULT"));
    return fault;
}

}  // namespace

std::size_t WritableBeforeFault(std::uint64_t offset, std::size_t size) {
    const std::optional<Fault>& fault = TheFault();
    if (!fault || offset + size <= fault->at) {
        return size;
    }
    if (fault->kind == Fault::Kind::kFail) {
        return offset >= fault->at ? 0 : static_cast<std::size_t>(fault->at - offset);
    }
    static std::atomic<bool> done{false};
    if (!done.exchange(true)) {
        std::error_code ec;
        if (fault->kind == Fault::Kind::kRemove) {
            std::filesystem::remove_all(PathFromUtf8(fault->path), ec);
        } else {
            std::filesystem::resize_file(PathFromUtf8(fault->path), fault->size, ec);
        }
    }
    return size;
}

}  // namespace quillon
