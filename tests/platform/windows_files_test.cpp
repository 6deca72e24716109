// SPDX-License-Identifier: MIT
// The platform layer at the Windows system boundary: UTF-16 names on disk, paths beyond the
// classic length limit, files held open by other programs, and the reasons Windows errors
// read as.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/file_error.h"
#include "platform/file_system.h"
#include "platform/mapped_file.h"
#include "platform/text_file_writer.h"
#include "platform/windows_system.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::TempDir;

// The names in a folder as the system lists them, in UTF-16.
std::vector<std::wstring> WideNames(const std::string& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry{};
    HANDLE find = ::FindFirstFileW((ToWide(folder) + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

TEST(WindowsFiles, AUtf8NameIsStoredAsItsUtf16NameAndFoundAndReadByIt) {
    TempDir dir;
    const std::string name = "Messung_\xC3\xA4\xC3\xB6\xC3\xBC_\xE6\x97\xA5\xE6\x9C\xAC.txt";
    // Joined as text: a std::filesystem::path made from a narrow string would read it in the
    // ANSI code page.
    const std::string path = dir.Path() + "\\" + name;
    TextFileWriter out;
    out.Open(path, TextFileWriter::OpenMode::kReplace);
    out.WriteString("line\n");
    out.Close();

    EXPECT_EQ(WideNames(dir.Path()),
              std::vector<std::wstring>({L"Messung_\u00E4\u00F6\u00FC_\u65E5\u672C.txt"}));
    EXPECT_TRUE(Exists(path));
    {
        const MappedFile in = MappedFile::Open(path);
        ASSERT_EQ(in.Size(), 6u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(in.Data()), 6), "line\r\n");
    }
    EXPECT_TRUE(::DeleteFileW(ToWide(path).c_str()));
    EXPECT_FALSE(Exists(path));
}

TEST(WindowsFiles, PathsLongerThanTheClassicLimitOfTwoHundredSixtyCharactersWork) {
    TempDir dir;
    // Two folders of 120 characters and a file of 60: far beyond MAX_PATH.
    const std::string a = dir / std::string(120, 'a');
    const std::string b = a + "\\" + std::string(120, 'b');
    ASSERT_TRUE(::CreateDirectoryW(WidePath(a).c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(WidePath(b).c_str(), nullptr));
    const std::string path = b + "\\" + std::string(56, 'c') + ".txt";
    ASSERT_GT(path.size(), 300u);

    TextFileWriter out;
    out.Open(path, TextFileWriter::OpenMode::kReplace);
    out.WriteString("long\n");
    out.Close();
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(MappedFile::Open(path).Size(), 6u);
    EXPECT_TRUE(::DeleteFileW(WidePath(path).c_str()));
    EXPECT_FALSE(Exists(path));
    ::RemoveDirectoryW(WidePath(b).c_str());
    ::RemoveDirectoryW(WidePath(a).c_str());
}

TEST(WindowsFiles, AnOutputThatAnotherProgramHoldsOpenIsReportedAsInUseAndKept) {
    // As a spreadsheet holds a file it shows: no one else may write or delete it.
    TempDir dir;
    const std::string path = dir / "run1_Var.txt";
    testing::WriteFile(path, {'o', 'l', 'd'});
    HANDLE held = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TextFileWriter out;
    try {
        out.Open(path, TextFileWriter::OpenMode::kReplace);
        ADD_FAILURE() << "a file held open must not be replaced";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), path);
        EXPECT_EQ(e.Reason(), "The file is in use by another program");
    }
    ::CloseHandle(held);
    EXPECT_EQ(testing::ReadBytes(path), "old");
}

TEST(WindowsFiles, SystemErrorsReadAsTheirLinuxReasonsOrTheSystemsOwnText) {
    const struct {
        unsigned long code;
        const char* reason;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, "No such file or directory"},
        {ERROR_PATH_NOT_FOUND, "No such file or directory"},
        {ERROR_ACCESS_DENIED, "Permission denied"},
        {ERROR_SHARING_VIOLATION, "The file is in use by another program"},
        {ERROR_DISK_FULL, "No space left on device"},
        {ERROR_HANDLE_DISK_FULL, "No space left on device"},
        {ERROR_WRITE_PROTECT, "Read-only file system"},
        {ERROR_FILENAME_EXCED_RANGE, "File name too long"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowsErrorReason(c.code), c.reason) << c.code;
    }
    // Any other code: the system's text, without its full stop and line end, or the number.
    const std::string other = WindowsErrorReason(ERROR_NOT_READY);
    EXPECT_FALSE(other.empty());
    EXPECT_NE(other.back(), '\n');
    EXPECT_NE(other.back(), '.');
}

TEST(WindowsFiles, WidePathsKeepShortPathsAsTheyAreAndPrefixLongOnes) {
    EXPECT_EQ(WidePath("C:\\data\\run1.sdf"), L"C:\\data\\run1.sdf");
    EXPECT_EQ(WidePath("run1.sdf"), L"run1.sdf");
    const std::string longPath = "C:\\" + std::string(300, 'x') + "\\..\\run1.sdf";
    EXPECT_EQ(WidePath(longPath), L"\\\\?\\C:\\run1.sdf");
    const std::string unc = "\\\\server\\share\\" + std::string(300, 'y') + "\\run1.sdf";
    EXPECT_EQ(WidePath(unc),
              L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'y') + L"\\run1.sdf");
}

}  // namespace
}  // namespace quillon
