// TextFileWriter: writes text blocks to a file in the text mode of the converter's outputs:
// every "\n" is stored as CR LF, every other byte as itself. No byte-order mark, no header.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

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

    // Writes a whole block, turning each "\n" into CR LF. Raises FileError on a failed write.
    void WriteString(std::string_view text);

    // Writes the buffered bytes and closes the file; a failure raises FileError. Closing a
    // closed writer does nothing.
    void Close();

    bool IsOpen() const noexcept { return m_nFd >= 0; }
    const std::string& Path() const noexcept { return m_strPath; }

  private:
    void Flush();

    int m_nFd = -1;
    std::string m_strPath;
    std::vector<char> m_Buffer;
    std::size_t m_nUsed = 0;
};

}  // namespace quillon
