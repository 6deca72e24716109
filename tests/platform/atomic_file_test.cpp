// SPDX-License-Identifier: MIT
// Outputs renamed into place: the final name shows the old file or the complete new one, never
// a part, and no temporary file stays behind.
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <filesystem>
#include <set>

#include "platform/file_error.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;

std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// What the system says when a folder stands where a file is to be written.
#ifdef _WIN32
const std::string kFolderInTheWay = "Permission denied";
#else
const std::string kFolderInTheWay = "Is a directory";
#endif

void Write(const std::string& path, const std::string& text) {
    testing::WriteFile(path, std::vector<unsigned char>(text.begin(), text.end()));
}

TEST(AtomicReplacement, TheFinalNameKeepsTheOldFileUntilTheNewOneIsCommitted) {
    TempDir dir;
    Write(dir / "out.txt", "old");
    AtomicReplacement replacement(dir / "out.txt");
    const fs::path temp(replacement.WritePath());
    EXPECT_EQ(temp.parent_path(), fs::path(dir.Path()));
    EXPECT_EQ(temp.filename().string().rfind(".out.txt.", 0), 0u) << temp;
    EXPECT_EQ(temp.extension(), ".part");
    Write(replacement.WritePath(), "new");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "old");
    replacement.Commit();
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "new");
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"out.txt"});
}

TEST(AtomicReplacement, OneNotCommittedLeavesNothingBehind) {
    TempDir dir;
    Write(dir / "out.txt", "old");
    {
        AtomicReplacement replacement(dir / "out.txt");
        Write(replacement.WritePath(), "half");
    }
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "old");
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"out.txt"});
}

#ifndef _WIN32
// Symbolic links and device files, as Linux has them.
TEST(AtomicReplacement, ALinkStaysALinkAndItsTargetIsReplaced) {
    TempDir dir;
    fs::create_directory(dir / "store");
    Write(dir / "store/real.txt", "old");
    std::error_code error;
    fs::create_symlink(dir / "store/real.txt", dir / "out.txt", error);
    if (error) {
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    AtomicReplacement replacement(dir / "out.txt");
    EXPECT_EQ(fs::path(replacement.WritePath()).parent_path(), fs::path(dir / "store"));
    Write(replacement.WritePath(), "new");
    replacement.Commit();
    EXPECT_TRUE(fs::is_symlink(dir / "out.txt"));
    EXPECT_EQ(ReadBytes(dir / "store/real.txt"), "new");
}

#ifndef _WIN32
TEST(AtomicReplacement, ADeviceIsWrittenInPlace) {
    AtomicReplacement replacement("/dev/null");
    EXPECT_EQ(replacement.WritePath(), "/dev/null");
    EXPECT_NO_THROW(replacement.Commit());
    EXPECT_TRUE(fs::exists("/dev/null"));
}
#endif

TEST(AtomicDiskOutputFiles, AnOutputAppearsWholeOnceClosed) {
    TempDir dir;
    AtomicDiskOutputFiles files;
    files.Open(dir / "a.txt", TextFileWriter::OpenMode::kTruncate);
    files.WriteString("line\n");
    EXPECT_FALSE(fs::exists(dir / "a.txt"));
    files.WriteBytes("bytes\r\n");
    files.Close();
    EXPECT_EQ(ReadBytes(dir / "a.txt"), "line\r\nbytes\r\n");
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"a.txt"});
}

TEST(AtomicDiskOutputFiles, DiscardAndDestructionLeaveNoTrace) {
    TempDir dir;
    Write(dir / "a.txt", "old");
    {
        AtomicDiskOutputFiles files;
        files.Open(dir / "a.txt", TextFileWriter::OpenMode::kTruncate);
        files.WriteString("half");
        files.Discard();
        files.Open(dir / "b.txt", TextFileWriter::OpenMode::kTruncate);
        files.WriteString("half");
    }
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"a.txt"});
    EXPECT_EQ(ReadBytes(dir / "a.txt"), "old");
}

TEST(AtomicDiskOutputFiles, ErrorsNameTheOutputNotItsTemporaryFile) {
    TempDir dir;
    AtomicDiskOutputFiles files;
    try {
        files.Open(dir / "missing/a.txt", TextFileWriter::OpenMode::kTruncate);
        ADD_FAILURE() << "opened";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), dir / "missing/a.txt");
        EXPECT_EQ(error.Reason(), "No such file or directory");  // the same words on Windows
    }
    // A folder in the way is found when the output is opened ...
    fs::create_directory(dir / "b.txt");
    try {
        files.Open(dir / "b.txt", TextFileWriter::OpenMode::kTruncate);
        ADD_FAILURE() << "opened a folder";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), dir / "b.txt");
        EXPECT_EQ(error.Reason(), kFolderInTheWay);
    }
    // ... or, when it appears later, when the output is renamed into place.
    files.Open(dir / "c.txt", TextFileWriter::OpenMode::kTruncate);
    files.WriteString("text");
    fs::create_directory(dir / "c.txt");
    try {
        files.Close();
        ADD_FAILURE() << "renamed over a folder";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), dir / "c.txt");
        EXPECT_EQ(error.Reason(), kFolderInTheWay);
    }
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"b.txt", "c.txt"}));
}

// A write that fails (here: beyond the largest file the process may write) marks the output;
// Close then discards it instead of renaming half a file into place.
TEST(AtomicDiskOutputFiles, AFailedWriteIsNeverRenamedIntoPlace) {
    TempDir dir;
    Write(dir / "a.txt", "old");
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        AtomicDiskOutputFiles files;
        files.Open(dir / "a.txt", TextFileWriter::OpenMode::kTruncate);
        int code = 1;
        try {
            files.WriteBytes(std::string(10000, 'x'));
        } catch (const FileError& error) {
            code = error.Path() == dir / "a.txt" && error.Reason() == "File too large" ? 0 : 2;
        }
        files.Close();
        ::_exit(code);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(dir / "a.txt"), "old");
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"a.txt"});
}

// A new output is complete under its name or absent, whatever happens to the name or the
// process meanwhile: a file that takes the name while the output is written is replaced, and
// a process that ends without closing its output (as a killed one does) leaves nothing.
TEST(AtomicDiskOutputFiles, ANewOutputIsWholeOrAbsentWhateverHappensMeanwhile) {
    TempDir dir;
    {
        AtomicDiskOutputFiles files;
        files.Open(dir / "a.txt", TextFileWriter::OpenMode::kTruncate);
        files.WriteString("new\n");
        Write(dir / "a.txt", "written meanwhile");
        files.Close();
    }
    EXPECT_EQ(ReadBytes(dir / "a.txt"), "new\r\n");
    const pid_t pid = ::fork();
    if (pid == 0) {
        AtomicDiskOutputFiles files;
        files.Open(dir / "b.txt", TextFileWriter::OpenMode::kTruncate);
        files.WriteBytes(std::string(100000, 'x'));
        ::_exit(0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"a.txt"});
}

// An output's permissions are those the process's file mode mask leaves, whether its name is
// new or replaces a file's.
TEST(AtomicDiskOutputFiles, PermissionsFollowTheFileModeMask) {
    TempDir dir;
    Write(dir / "old.txt", "old");
    const struct {
        mode_t mask;
        mode_t expected;
    } cases[] = {{022, 0644}, {027, 0640}, {077, 0600}};
    for (const auto& c : cases) {
        const mode_t previous = ::umask(c.mask);
        for (const char* name : {"new.txt", "old.txt"}) {
            AtomicDiskOutputFiles files;
            files.Open(dir / name, TextFileWriter::OpenMode::kTruncate);
            files.WriteString("text");
            files.Close();
            struct stat info {};
            ASSERT_EQ(::stat((dir / name).c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, c.expected)
                << name << " with mask 0" << std::oct << c.mask;
        }
        ::umask(previous);
        fs::remove(dir / "new.txt");
    }
}

#endif

#ifdef _WIN32
// Windows opens a device for a reserved name in any folder: an output never gets one.
TEST(AtomicDiskOutputFiles, AnOutputNamedAfterADeviceIsRefusedAndNothingIsWritten) {
    TempDir dir;
    for (const std::string name : {"NUL", "nul.csv", "CON.txt", "aux.h5", "Com7.json", "lpt1 .txt",
                                   "\\\\.\\COM1", "//./nul"}) {
        SCOPED_TRACE(name);
        const std::string path = name.front() == '\\' || name.front() == '/' ? name : dir / name;
        AtomicDiskOutputFiles files;
        try {
            files.Open(path, TextFileWriter::OpenMode::kTruncate);
            ADD_FAILURE() << "opened";
        } catch (const FileError& error) {
            EXPECT_EQ(error.Path(), path);
            EXPECT_EQ(error.Reason(), "not a regular file but a device");
        }
    }
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{});
}
#endif

}  // namespace
}  // namespace quillon
