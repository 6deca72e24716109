// SPDX-License-Identifier: MIT
// ScanReader: the scans of a ScanFile read through the file itself into a buffer of bounded
// size, a batch of records at a time, for passes over many scans (conversions, exports). Its
// memory does not grow with the file, and a file cut shorter while it is open is reported as
// an error instead of faulting as a read of the map would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "scanfile/scan_file.h"

namespace quillon {

class ScanReader {
  public:
    // Batches never exceed this many bytes, except that one record is always read whole.
    static constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

    // Reads the scans of `file`, which must outlive the reader.
    explicit ScanReader(const ScanFile& file) : m_File(file) {}

    // The scan at 0-based position index (< file.ScanCount()), the same as file.Scan(index);
    // valid until the next call. Scans are best read in ascending order: each record read
    // after the one before it makes the next batch larger, up to kBatchBytes; a jump starts
    // again from a single record, so that scattered scans cost no more than they hold.
    // A file that no longer holds the record raises FileError "the file changed while it was
    // read", naming the file.
    ScanView Scan(std::size_t index);

  private:
    const ScanFile& m_File;
    // Whole records; made of int32 so that the counts are aligned.
    std::unique_ptr<std::int32_t[]> m_pBuffer;
    std::size_t m_nBufferBytes = 0;
    std::size_t m_nFirst = 0;  // the first record the buffer holds
    std::size_t m_nCount = 0;  // records it holds
    std::size_t m_nRun = 0;    // the length of the last batch of an ascending run
};

}  // namespace quillon
