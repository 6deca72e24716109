// SPDX-License-Identifier: MIT
// OutputFiles: where a conversion's text files go. The converter writes through it to the file
// system (DiskOutputFiles); the fuzzer keeps the files in memory with the same CR LF text mode.
#pragma once

#include <string>
#include <string_view>

#include "platform/text_file_writer.h"

namespace quillon {

class OutputFiles {
  public:
    virtual ~OutputFiles() = default;

    // True when an entry of exactly that name exists (a folder counts).
    virtual bool Exists(const std::string& path) = 0;

    // One output file at a time: open (raises FileError), write whole blocks, close. A
    // conversion replaces the outputs of an earlier run with OpenMode::kReplace.
    virtual void Open(const std::string& path, TextFileWriter::OpenMode mode) = 0;
    virtual void WriteString(std::string_view text) = 0;
    // Writes bytes already in the stored form, CR LF line ends included, as they are.
    virtual void WriteBytes(std::string_view bytes) = 0;
    virtual void Close() = 0;
    // Lets go of an output that could not be finished, raising nothing. An output written in
    // place keeps what reached it; one written under a temporary name never appears.
    virtual void Discard();
};

// The file system, through one TextFileWriter that serves every output in turn.
class DiskOutputFiles : public OutputFiles {
  public:
    bool Exists(const std::string& path) override;
    void Open(const std::string& path, TextFileWriter::OpenMode mode) override;
    void WriteString(std::string_view text) override;
    void WriteBytes(std::string_view bytes) override;
    void Close() override;

  private:
    TextFileWriter m_File;
};

}  // namespace quillon
