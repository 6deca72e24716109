// SPDX-License-Identifier: MIT
// DiskOutputFiles: conversion outputs on the file system.
#include "platform/output_files.h"

#include "platform/file_error.h"
#include "platform/file_system.h"

namespace quillon {

void OutputFiles::Discard() {
    try {
        Close();
    } catch (const FileError&) {
    }
}

bool DiskOutputFiles::Exists(const std::string& path) {
    return quillon::Exists(path);
}
void DiskOutputFiles::Open(const std::string& path, TextFileWriter::OpenMode mode) {
    m_File.Open(path, mode);
}
void DiskOutputFiles::WriteString(std::string_view text) {
    m_File.WriteString(text);
}
void DiskOutputFiles::WriteBytes(std::string_view bytes) {
    m_File.WriteBytes(bytes);
}
void DiskOutputFiles::Close() {
    m_File.Close();
}

}  // namespace quillon
