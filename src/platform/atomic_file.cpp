// SPDX-License-Identifier: MIT
// Temporary files renamed into place: std::filesystem for the names, and the platform's
// RenameOver, which replaces an existing file on POSIX and on Windows alike and reports a
// failure in the same words on both.
#include "platform/atomic_file.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "platform/file_error.h"
#include "platform/file_system.h"
#include "platform/utf8_path.h"

namespace quillon {

namespace fs = std::filesystem;

namespace {

// A name no other writer picks: 64 random bits.
std::string TemporaryName(const fs::path& target) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr char kHex[] = "0123456789abcdef";
    std::uint64_t bits = random();
    std::string tag(16, '0');
    for (char& c : tag) {
        c = kHex[bits & 15u];
        bits >>= 4;
    }
    fs::path temp = target;
    // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "." + string at -O3.
    std::string name = ".";
    name += Utf8FromPath(target.filename());
    name += '.';
    name += tag;
    name += ".part";
    temp.replace_filename(PathFromUtf8(name));
    return Utf8FromPath(temp);
}

}  // namespace

AtomicReplacement::AtomicReplacement(std::string path) : m_strFinal(std::move(path)) {
#ifdef _WIN32
    // Windows would open the device of that name, not write a file.
    RefuseDeviceName(m_strFinal);
#endif
    // Paths are UTF-8 here and the system's own form in fs::path (UTF-16 on Windows). The
    // common cases, a new name or a plain file, cost one question to the system.
    fs::path target = PathFromUtf8(m_strFinal);
    EntryKind kind = KindOf(m_strFinal);
    if (kind == EntryKind::kLink) {
        std::error_code ec;
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) {
            target = resolved;
        }
        const fs::file_status status = fs::status(target, ec);
        kind = !fs::exists(status)           ? EntryKind::kMissing
               : fs::is_regular_file(status) ? EntryKind::kFile
                                             : EntryKind::kOther;
    }
    m_strTarget = Utf8FromPath(target);
    if (kind == EntryKind::kOther) {
        m_strWrite = m_strFinal;
        return;
    }
    m_strWrite = TemporaryName(target);
    m_bPending = true;
#ifndef _WIN32
    if (kind == EntryKind::kMissing) {
        const fs::path folder = target.parent_path();
        m_strUnnamedFolder = folder.empty() ? "." : Utf8FromPath(folder);
    }
#endif
}

AtomicReplacement::~AtomicReplacement() {
    Abandon();
}

void AtomicReplacement::Commit() {
    if (!m_bPending) {
        return;
    }
    try {
        RenameOver(m_strWrite, m_strTarget);
    } catch (const FileError& error) {
        Abandon();
        throw FileError(m_strFinal, error.Reason());
    }
    m_bPending = false;
}

void AtomicReplacement::CommitUnnamed([[maybe_unused]] TextFileWriter& file) {
#ifndef _WIN32
    try {
        if (!file.LinkAs(m_strTarget)) {
            // The name was taken meanwhile: replaced as any existing file is.
            if (!file.LinkAs(m_strWrite)) {
                throw FileError(m_strWrite, "the temporary name is taken");
            }
            m_bPending = true;
            file.Close();
            Commit();
            return;
        }
    } catch (const FileError& error) {
        file.Close();
        Abandon();
        throw FileError(m_strFinal, error.Reason());
    }
    try {
        file.Close();
    } catch (const FileError& error) {
        std::error_code ec;
        fs::remove(PathFromUtf8(m_strTarget), ec);
        throw FileError(m_strFinal, error.Reason());
    }
#endif
}

void AtomicReplacement::Abandon() noexcept {
    if (m_bPending) {
        m_bPending = false;
        std::error_code ec;
        fs::remove(PathFromUtf8(m_strWrite), ec);
    }
}

AtomicDiskOutputFiles::~AtomicDiskOutputFiles() {
    Discard();
}

bool AtomicDiskOutputFiles::Exists(const std::string& path) {
    return quillon::Exists(path);
}

void AtomicDiskOutputFiles::Open(const std::string& path, TextFileWriter::OpenMode mode) {
    Discard();
    if (mode == TextFileWriter::OpenMode::kAppend) {
        m_File.Open(path, mode);
        return;
    }
    m_Replacement.emplace(path);
    try {
#ifndef _WIN32
        const std::string& folder = m_Replacement->UnnamedFolder();
        if (!folder.empty() && m_File.OpenUnnamed(folder, path)) {
            m_Replacement->WriteUnnamed();
            m_bUnnamed = true;
            return;
        }
#endif
        m_File.Open(m_Replacement->WritePath(), TextFileWriter::OpenMode::kTruncate);
    } catch (const FileError& error) {
        // Named after the output, not after its temporary file.
        m_Replacement.reset();
        throw FileError(path, error.Reason());
    }
}

void AtomicDiskOutputFiles::WriteString(std::string_view text) {
    try {
        m_File.WriteString(text);
    } catch (const FileError& error) {
        m_bFailed = true;
        throw FileError(FinalName(), error.Reason());
    }
}

void AtomicDiskOutputFiles::WriteBytes(std::string_view bytes) {
    try {
        m_File.WriteBytes(bytes);
    } catch (const FileError& error) {
        m_bFailed = true;
        throw FileError(FinalName(), error.Reason());
    }
}

void AtomicDiskOutputFiles::Close() {
    if (m_bFailed) {
        Discard();
        return;
    }
    if (m_bUnnamed) {
        m_bUnnamed = false;
        try {
            m_Replacement->CommitUnnamed(m_File);
        } catch (const FileError&) {
            Discard();
            throw;
        }
        m_Replacement.reset();
        return;
    }
    const std::string finalPath = FinalName();
    try {
        m_File.Close();
    } catch (const FileError& error) {
        Discard();
        throw FileError(finalPath, error.Reason());
    }
    if (m_Replacement) {
        m_Replacement->Commit();
        m_Replacement.reset();
    }
}

std::string AtomicDiskOutputFiles::FinalName() const {
    return m_Replacement ? m_Replacement->FinalPath() : m_File.Path();
}

void AtomicDiskOutputFiles::Discard() {
    try {
        m_File.Close();
    } catch (const FileError&) {
    }
    if (m_Replacement) {
        m_Replacement->Abandon();
        m_Replacement.reset();
    }
    m_bFailed = false;
    m_bUnnamed = false;
}

}  // namespace quillon
