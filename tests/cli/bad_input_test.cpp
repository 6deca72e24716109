// SPDX-License-Identifier: MIT
// quillon-convert on inputs that are not scan data files, are damaged or cannot be used, and on
// outputs that cannot be written: a clear message, a non-zero exit, and nothing lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "program_run.h"
#include "sdf_builder.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;
using testing::ReadBytes;
using testing::RunProgram;
using testing::SdfBuilder;
using testing::TempDir;

// Number of CR LF line ends in a file's bytes.
std::size_t CrLfLines(const std::string& bytes) {
    std::size_t lines = 0;
    for (std::size_t i = 0; (i = bytes.find("\r\n", i)) != std::string::npos; i += 2) {
        ++lines;
    }
    return lines;
}

// The offsets at which a file of `size` bytes is cut. Every byte where starting a program is
// cheap; under Windows (and wine), where it is not, every record and field boundary with its
// neighbours and every 64th byte between them.
std::vector<std::size_t> CutOffsets(std::size_t size, const std::vector<std::size_t>& boundaries) {
    std::vector<std::size_t> cuts;
    for (std::size_t cut = 0; cut <= size; ++cut) {
#ifdef _WIN32
        bool keep = cut % 64 == 0 || cut == size;
        for (const std::size_t b : boundaries) {
            keep = keep || (cut + 1 >= b && cut <= b + 1);
        }
        if (!keep) {
            continue;
        }
#else
        (void)boundaries;
#endif
        cuts.push_back(cut);
    }
    return cuts;
}

bool EndsWithTwoEmptyLines(const std::string& bytes) {
    return bytes.size() >= 4 && bytes.compare(bytes.size() - 4, 4, "\r\n\r\n") == 0;
}

TEST(BadInput, InputsThatAreNoFileOrNoDataNameThemselvesAndExitOne) {
    TempDir dir;
    fs::create_directory(dir / "folder.sdf");
    testing::WriteFile(dir / "empty.sdf", {});
    testing::WriteFile(dir / "one.sdf", {0x41});
#ifndef _WIN32
    // Names of what is no regular file: refused before a byte is read, without waiting.
    fs::create_symlink("/dev/zero", dir / "zero.sdf");
    ASSERT_EQ(::mkfifo((dir / "fifo.sdf").c_str(), 0600), 0);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir / "socket.sdf";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // A folder batch lists regular files only.
    fs::create_directory(dir / "pipes");
    ASSERT_EQ(::mkfifo((dir / "pipes/a.sdf").c_str(), 0600), 0);
#endif
    const struct {
        const char* name;
        const char* err;
        bool converted;  // a file that ends early is still converted, with zeros
    } cases[] = {
#ifdef _WIN32
        // Device names open a device in any folder, with any extension and in any case.
        {"NUL.sdf", "quillon-convert: NUL.sdf: not a regular file but a device\n", false},
        {"con.SDF", "quillon-convert: con.SDF: not a regular file but a device\n", false},
        {"Aux.run.sdf", "quillon-convert: Aux.run.sdf: not a regular file but a device\n", false},
        {"com1.sdf", "quillon-convert: com1.sdf: not a regular file but a device\n", false},
        {"LPT9.sdf", "quillon-convert: LPT9.sdf: not a regular file but a device\n", false},
        {"sub\\prn .sdf", "quillon-convert: sub\\prn .sdf: not a regular file but a device\n",
         false},
        {"\\\\.\\nul.sdf", "quillon-convert: \\\\.\\nul.sdf: not a regular file but a device\n",
         false},
        {"\\\\?\\GLOBALROOT\\Device\\Null.sdf",
         "quillon-convert: \\\\?\\GLOBALROOT\\Device\\Null.sdf: not a regular file but a "
         "device\n",
         false},
#else
        {"zero.sdf", "quillon-convert: zero.sdf: not a regular file but a character device\n",
         false},
        {"fifo.sdf", "quillon-convert: fifo.sdf: not a regular file but a named pipe\n", false},
        {"socket.sdf", "quillon-convert: socket.sdf: not a regular file but a socket\n", false},
        {"pipes", "quillon-convert: pipes: the folder holds no .sdf file\n", false},
#endif
        {"missing.sdf", "quillon-convert: missing.sdf: No such file or directory\n", false},
        // A folder stands for the scan data files in it.
        {"folder.sdf", "quillon-convert: folder.sdf: the folder holds no .sdf file\n", false},
        {"empty.sdf",
         "quillon-convert: empty.sdf: the file ends 268 bytes early; the missing values were "
         "read as 0\n",
         true},
        {"one.sdf",
         "quillon-convert: one.sdf: the file ends 267 bytes early; the missing values were read "
         "as 0\n",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRun run = RunProgram(dir.Path(), {c.name});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.err);
        const std::string base = std::string(c.name).substr(0, std::string(c.name).find('.'));
        EXPECT_EQ(fs::exists(dir / (base + "_Var.txt")), c.converted);
        if (c.converted) {
            EXPECT_NE(run.out.find("Warning: the file ends"), std::string::npos);
            EXPECT_EQ(ReadBytes(dir / (base + "_Dark.txt")),
                      "Dark Scan Data...\r\nIntensity(Counts)\r\n"
                      "Dark Scan Data of Optical Blank: 0.0000        \r\n\r\n\r\n");
        }
    }
#ifndef _WIN32
    ::close(listener);
#endif
}

TEST(BadInput, AFileCutAtAnyByteLoadsWarnsAndConverts) {
    TempDir dir;
    SdfBuilder b(1);
    b.AddScans(2);
    const auto whole = b.Bytes();
    // The six records, the dark and reference values and blanks, then two scan records of
    // three texts, a count and a blank.
    const std::vector<std::size_t> boundaries = {76,  152, 168, 224, 248, 260, 264, 268, 272, 276,
                                                 340, 404, 468, 472, 476, 540, 604, 668, 672, 676};
    for (const std::size_t cut : CutOffsets(whole.size(), boundaries)) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        testing::WriteFile(dir / "cut.sdf", b.BytesCutAt(cut));
        const ProgramRun run = RunProgram(dir.Path(), {"-q", "cut.sdf"});
        const bool complete = cut == whole.size() || cut == 276 || cut == 476;
        EXPECT_EQ(run.status, complete ? 0 : 1);
        EXPECT_EQ(run.err.find("bytes early") != std::string::npos, !complete);
        for (const char* section : {"cut_Var.txt", "cut_Dark.txt", "cut_Ref.txt"}) {
            ASSERT_TRUE(EndsWithTwoEmptyLines(ReadBytes(dir / section))) << section;
        }
        // Every scan record begun in the file is written.
        const int scans = cut <= 276 ? 0 : cut <= 476 ? 1 : 2;
        for (int l = 1; l <= scans; ++l) {
            const std::string name =
                "cut_" + std::to_string(l) + "of" + std::to_string(scans) + ".txt";
            EXPECT_TRUE(EndsWithTwoEmptyLines(ReadBytes(dir / name))) << name;
            fs::remove(dir / name);
        }
    }
}

TEST(BadInput, ThePixelCountOfAShortFileGivesZeroRowsNotAReadPastItsEnd) {
    TempDir dir;
    SdfBuilder b(0);
    b.ccd.usTotalEffectivePixels = 65535;
    auto bytes = b.Bytes();
    bytes.resize(300, 0x7F);
    testing::WriteFile(dir / "wide.sdf", bytes);
    const ProgramRun run = RunProgram(dir.Path(), {"-q", "-p", "wide.sdf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.err.find("the file ends " + std::to_string(268 + 8 * 65535 - 300) + " bytes early"),
        std::string::npos);
    const std::string dark = ReadBytes(dir / "wide_Dark.txt");
    // Title, header, 65535 rows, optical blank line, two empty lines.
    EXPECT_EQ(CrLfLines(dark), 65535u + 5u);
    // The 40 bytes after the records are the first 10 dark values (0x7F7F7F7F, far beyond the
    // 32-bit range); every value the file does not hold is 0.
    EXPECT_NE(dark.find("\r\n10   \t -2147483648\r\n11   \t 0       \r\n"), std::string::npos);
}

TEST(BadInput, AHundredThousandScansOfNoPixelsConvertIntoOneFile) {
    TempDir dir;
    SdfBuilder b(0);
    b.AddScans(100'000);
    b.WriteTo(dir / "many.sdf");
    const ProgramRun run = RunProgram(dir.Path(), {"--one-file", "many.sdf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Total loaded data number = 100000\n"), std::string::npos);
    EXPECT_NE(run.out.find("[100000] of [100000] Scan Data were converted.\n"), std::string::npos);
    const std::string text = ReadBytes(dir / "many.txt");
    EXPECT_NE(text.find("\r\nScan #100000:\r\nProject Title: Scan title 100000\r\n"),
              std::string::npos);
    EXPECT_TRUE(EndsWithTwoEmptyLines(text));
}

TEST(BadInput, AWriteThatFailsStopsThatFileAndKeepsTheEarlierOnesWhole) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    TempDir dir;
    SdfBuilder b(4);
    b.AddScans(3);
    b.WriteTo(dir / "a.sdf");
    b.WriteTo(dir / "b.sdf");
    // b.txt is a link to a device that is always full.
    fs::create_symlink("/dev/full", dir / "b.txt");
    const ProgramRun run = RunProgram(dir.Path(), {"--one-file", "--overwrite", "a.sdf", "b.sdf"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "quillon-convert: Could not write b.txt: No space left on device. The conversion "
              "was stopped.\n"
              "1 file converted, 1 failed\n");
    EXPECT_NE(run.out.find("Could not write b.txt; the conversion was stopped.\n"),
              std::string::npos);
    const std::string a = ReadBytes(dir / "a.txt");
    EXPECT_NE(a.find("Scan #3:\r\n"), std::string::npos);
    EXPECT_TRUE(EndsWithTwoEmptyLines(a));
}

// The length of a selection as long as a command line allows: Windows passes 32,767 characters
// at most.
#ifdef _WIN32
constexpr std::size_t kLongSelection = 30'000;
#else
constexpr std::size_t kLongSelection = 100'000;
#endif

TEST(BadInput, SelectionsAsLongAsTheCommandLineAllowsSelectWhatTheirNumbersSay) {
    TempDir dir;
    SdfBuilder b(2);
    b.AddScans(5);
    b.WriteTo(dir / "run.sdf");
    const struct {
        std::string selection;
        int firstWritten;  // scans from 1 to this are written, none after
    } cases[] = {
        {std::string(kLongSelection, '9'), 0},             // one number far above every scan
        {"1-" + std::string(kLongSelection - 2, '5'), 5},  // a range to the largest number
        {std::string(kLongSelection / 2, ','), 0},         // separators only
        {std::string(kLongSelection - 1, '-') + "3", 0},   // a leading minus stores 0
    };
    for (const auto& c : cases) {
        for (int l = 1; l <= 5; ++l) {
            fs::remove(dir / ("run_" + std::to_string(l) + "of5.txt"));
        }
        const ProgramRun run = RunProgram(dir.Path(), {"-q", "-s", c.selection, "run.sdf"});
        EXPECT_EQ(run.status, 0);
        for (int l = 1; l <= 5; ++l) {
            EXPECT_EQ(fs::exists(dir / ("run_" + std::to_string(l) + "of5.txt")),
                      l <= c.firstWritten)
                << c.selection.substr(0, 8) << " scan " << l;
        }
    }
}

TEST(BadInput, EveryByteOfEveryTextFieldReachesTheOutputUnchanged) {
    TempDir dir;
    std::string all;  // bytes 1..255; a zero would end the text
    for (int c = 1; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    SdfBuilder b(1);
    testing::SetField(b.header.filename, sizeof b.header.filename, all.substr(0, 64));
    testing::ScanContent scan;
    scan.title = all.substr(0, 64);
    scan.subtitle = all.substr(64, 64);
    scan.dateTime = all.substr(128, 64);
    scan.values = {7};
    b.AddScan(scan);
    b.AddScan({all.substr(192, 63), "", "", {8}, 0.0f});
    b.WriteTo(dir / "bytes.sdf");
    const ProgramRun run = RunProgram(dir.Path(), {"-q", "bytes.sdf"});
    EXPECT_EQ(run.status, 0);

    auto stored = [](std::string text) {
        std::string bytes;
        for (char c : text) {
            bytes += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        return bytes;
    };
    EXPECT_NE(
        ReadBytes(dir / "bytes_Var.txt").find("\t filename: " + stored(all.substr(0, 64)) + "\r\n"),
        std::string::npos);
    EXPECT_EQ(ReadBytes(dir / "bytes_1of2.txt")
                  .rfind(stored("Scan #1:\nProject Title: " + all.substr(0, 64) +
                                "\nSubtitle: " + all.substr(64, 64) +
                                "\nDate and Time: " + all.substr(128, 64) + "\n"),
                         0),
              0u);
    EXPECT_EQ(ReadBytes(dir / "bytes_2of2.txt")
                  .rfind(stored("Scan #2:\nProject Title: " + all.substr(192, 63) +
                                "\nSubtitle: \nDate and Time: \n"),
                         0),
              0u);
}

}  // namespace
}  // namespace quillon
