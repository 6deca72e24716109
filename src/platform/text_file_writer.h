// TextFileWriter: writes text blocks to a file in the text mode of the converter's outputs:
// every "\n" is stored as CR LF, every other byte as itself. No byte-order mark, no header.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// Appends text to out with every "\n" stored as CR LF, copying the runs between line feeds in
// bulk: the text mode of every output file.
void AppendCrLf(std::string& out, std::string_view text);

class TextFileWriter {
  public:
    enum class OpenMode {
        kTruncate,  // created when missing; old content discarded
        kAppend,    // created when missing; old content kept, writes go to the end
    };

    TextFileWriter() = default;
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Opens the file for writing; raises FileError when it cannot be opened.
    void Open(const std::string& path, OpenMode mode);

    // Writes a whole block with one system call (more only if the system takes it in parts),
    // turning each "\n" into CR LF. Raises FileError on a failed write.
    void WriteString(std::string_view text);

    // Writes bytes that are already in the stored form (CR LF line ends) as they are, with one
    // system call. Raises FileError on a failed write.
    void WriteBytes(std::string_view bytes);

    // Closes the file; a failure raises FileError. Closing a closed writer does nothing.
    void Close();

    bool IsOpen() const noexcept { return m_nFd >= 0; }
    const std::string& Path() const noexcept { return m_strPath; }

  private:
    void WriteAll(const char* data, std::size_t size);

    int m_nFd = -1;
    std::string m_strPath;
    // The block with CR LF line ends; kept from block to block and file to file, so that a
    // conversion allocates it once, at the size of its largest block.
    std::string m_strCrLf;
};

}  // namespace quillon
