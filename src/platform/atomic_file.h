// SPDX-License-Identifier: MIT
// Outputs that appear whole or not at all: a file is written under a temporary name in the
// folder of its final name and renamed over it once complete, so that a full disk, a failed
// write or a killed process never leaves a half-written file under the final name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/output_files.h"
#include "platform/text_file_writer.h"

namespace quillon {

// One file on its way to its final name.
class AtomicReplacement {
  public:
    // Picks the temporary name ".<name>.<random>.part" beside the final name (beside the file
    // a symbolic link names, so that the link stays and its target is replaced). An existing
    // entry that is not a regular file (a device such as /dev/null, a pipe, a folder) cannot
    // be replaced: it is written in place, and opening it reports what is wrong with it. On
    // Windows a device name (NUL, CON.txt, \\.\COM1 ...) raises FileError naming the path.
    explicit AtomicReplacement(std::string path);
    // Removes the temporary file unless it was committed.
    ~AtomicReplacement();
    AtomicReplacement(const AtomicReplacement&) = delete;
    AtomicReplacement& operator=(const AtomicReplacement&) = delete;

    const std::string& FinalPath() const noexcept { return m_strFinal; }
    // Where to write: the temporary name, or the final name itself when written in place.
    const std::string& WritePath() const noexcept { return m_strWrite; }

    // Renames the written file over the final name. Raises FileError naming the final path;
    // the temporary file is removed then.
    void Commit();

    // Where the final name is new (and the system offers it, on Linux), the output may be
    // written as a file without a name in this folder instead, named at once when complete;
    // empty otherwise.
    const std::string& UnnamedFolder() const noexcept { return m_strUnnamedFolder; }
    // The output is written so: there is no temporary file.
    void WriteUnnamed() noexcept { m_bPending = false; }
    // Names the file `file` wrote without a name and closes it (through the temporary name
    // and a rename when the final name appeared meanwhile). Raises FileError naming the final
    // path; the file is then gone.
    void CommitUnnamed(TextFileWriter& file);
    // Removes the temporary file (in place: leaves the file as it is). Raises nothing.
    void Abandon() noexcept;

  private:
    std::string m_strFinal;
    std::string m_strTarget;  // the final name, or the file a link at it names
    std::string m_strWrite;
    std::string m_strUnnamedFolder;
    bool m_bPending = false;  // a temporary file that is neither renamed nor removed
};

// The file system, every output written through an AtomicReplacement: the same names and bytes
// as DiskOutputFiles, but an output shows under its name only once Close has succeeded. A
// failed write, Discard and destruction leave no temporary file behind. kAppend writes in place.
class AtomicDiskOutputFiles : public OutputFiles {
  public:
    ~AtomicDiskOutputFiles() override;

    bool Exists(const std::string& path) override;
    void Open(const std::string& path, TextFileWriter::OpenMode mode) override;
    void WriteString(std::string_view text) override;
    void WriteBytes(std::string_view bytes) override;
    // Commits the output; after a failed write it discards it instead.
    void Close() override;
    void Discard() override;

  private:
    // The name of the open output, for its errors (never its temporary name).
    std::string FinalName() const;

    TextFileWriter m_File;
    std::optional<AtomicReplacement> m_Replacement;
    bool m_bFailed = false;
    bool m_bUnnamed = false;  // the open output is a file without a name
};

}  // namespace quillon
