// SPDX-License-Identifier: MIT
// MemoryOutputFiles: conversion outputs kept in memory, in the same CR LF text mode as files on
// disk, for the fuzzer and for tests that need no folder.
#pragma once

#include <map>
#include <string>

#include "platform/file_error.h"
#include "platform/output_files.h"

namespace quillon::testing {

class MemoryOutputFiles : public OutputFiles {
  public:
    bool Exists(const std::string& path) override { return files.count(path) != 0; }
    void Open(const std::string& path, TextFileWriter::OpenMode mode) override {
        m_pOpen = &files[path];
        if (mode != TextFileWriter::OpenMode::kAppend) {
            m_pOpen->clear();
        }
    }
    void WriteString(std::string_view text) override {
        if (m_pOpen == nullptr) {
            throw FileError("", "the file is not open");
        }
        AppendCrLf(*m_pOpen, text);
    }
    void WriteBytes(std::string_view bytes) override {
        if (m_pOpen == nullptr) {
            throw FileError("", "the file is not open");
        }
        m_pOpen->append(bytes);
    }
    void Close() override { m_pOpen = nullptr; }

    std::map<std::string, std::string> files;  // name -> bytes as they would be stored

  private:
    std::string* m_pOpen = nullptr;
};

}  // namespace quillon::testing
