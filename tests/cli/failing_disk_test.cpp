// SPDX-License-Identifier: MIT
// quillon-convert when the disk fails it during a run: every output kind against a write that
// fails at a chosen byte, a full file system, the output folder removed and the input cut or
// grown while the outputs are written (QUILLON_WRITE_FAULT places the fault at an output's byte
// 100). Each run must name the file and the reason, exit 1, leave no output that is not whole
// and no temporary file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program_run.h"
#include "sdf_builder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;
using testing::ReadBytes;
using testing::RunProgram;
using testing::TempDir;

// Sets an environment variable for the programs started while it lives.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : m_Name(name) {
#ifdef _WIN32
        _putenv_s(name, value.c_str());
#else
        ::setenv(name, value.c_str(), 1);
#endif
    }
    ~ScopedVariable() {
#ifdef _WIN32
        _putenv_s(m_Name, "");
#else
        ::unsetenv(m_Name);
#endif
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* m_Name;
};

// Every file under `folder`, by its name relative to it, with its bytes.
std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file()) {
            files[fs::relative(it->path(), folder).string()] = ReadBytes(it->path().string());
        }
    }
    return files;
}

// A full file system at `folder`: a tmpfs of one page (4 KiB) that a file of one byte fills,
// where the system lets this test mount one (as root on Linux). Unmounted when it goes.
class FullFileSystem {
  public:
    explicit FullFileSystem(const std::string& folder) : m_Folder(folder) {
#ifndef _WIN32
        fs::create_directories(folder);
        m_bMounted =
            ::geteuid() == 0 &&
            std::system(("mount -t tmpfs -o size=4k tmpfs '" + folder + "' 2>/dev/null").c_str()) ==
                0;
        if (m_bMounted) {
            testing::WriteFile(folder + "/filler", {0});
        }
#endif
    }
    ~FullFileSystem() {
        if (m_bMounted) {
            EXPECT_EQ(std::system(("umount '" + m_Folder + "'").c_str()), 0);
        }
    }
    FullFileSystem(const FullFileSystem&) = delete;
    FullFileSystem& operator=(const FullFileSystem&) = delete;
    bool Mounted() const {
        return m_bMounted;
    }

  private:
    std::string m_Folder;
    bool m_bMounted = false;
};

TEST(FailingDisk, EveryOutputKindNamesTheFileAndReasonExitsOneAndLeavesNothingHalfWritten) {
    const struct {
        const char* name;
        std::vector<std::string> options;
        const char* first;  // the output written first, which meets the fault
        bool text;          // outputs of the text format, each whole or absent
    } kinds[] = {
        {"text files", {}, "in_Var.txt", true},
        {"one text file", {"--one-file"}, "in.txt", true},
        {"CSV", {"--format", "csv"}, "in.csv", false},
        {"JSON", {"--format", "json"}, "in.json", false},
#ifdef QUILLON_WITH_HDF5
        {"HDF5", {"--format", "hdf5"}, "in.h5", false},
#endif
#ifdef QUILLON_WITH_XLSX
        {"workbook", {"--format", "xlsx"}, "in.xlsx", false},
#endif
    };
    enum class Fault { kWriteFails, kFullDisk, kFolderRemoved, kInputCut, kInputGrown };
    const Fault faults[] = {Fault::kWriteFails, Fault::kFullDisk, Fault::kFolderRemoved,
                            Fault::kInputCut, Fault::kInputGrown};
    const char* const faultNames[] = {"a write fails at byte 100", "a full file system",
                                      "the output folder removed", "the input cut to 300 bytes",
                                      "the input grown to 70000 bytes"};

    TempDir dir;
    testing::SdfBuilder b(2048);
    b.AddScans(3);
    const std::vector<unsigned char> input = b.Bytes();
    for (const auto& kind : kinds) {
        // What a run without a fault writes.
        testing::WriteFile(dir / "in.sdf", input);
        fs::remove_all(dir / "ref");
        std::vector<std::string> args = kind.options;
        args.insert(args.end(), {"-q", "-o", "ref", "in.sdf"});
        ASSERT_EQ(RunProgram(dir.Path(), args).status, 0) << kind.name;
        const auto reference = Files(dir / "ref");

        for (const Fault fault : faults) {
            SCOPED_TRACE(std::string(kind.name) + ", " + faultNames[static_cast<int>(fault)]);
            testing::WriteFile(dir / "in.sdf", input);
            fs::remove_all(dir / "out");
            fs::remove_all(dir / "full");
            // The outputs go to out/, on the full file system to full/out/.
            std::optional<FullFileSystem> full;
            if (fault == Fault::kFullDisk && !full.emplace(dir / "full").Mounted()) {
                continue;  // no file system this test may mount here
            }
            const std::string out = fault == Fault::kFullDisk ? (dir / "full/out") : (dir / "out");
            args[args.size() - 2] = out;
            const std::string value =
                fault == Fault::kWriteFails      ? "100"
                : fault == Fault::kFullDisk      ? ""
                : fault == Fault::kFolderRemoved ? "100:remove:" + (dir / "out")
                : fault == Fault::kInputCut      ? "100:resize:300:" + (dir / "in.sdf")
                                                 : "100:resize:70000:" + (dir / "in.sdf");
            const ScopedVariable variable("QUILLON_WRITE_FAULT", value);
            const ProgramRun run = RunProgram(dir.Path(), args);

            const std::string first = (fs::path(out) / kind.first).string();
            const std::string stopped = kind.text ? ". The conversion was stopped.\n" : ".\n";
            bool whole = true;  // every output the run left is the one a run without fault writes
            switch (fault) {
                case Fault::kWriteFails:
                    EXPECT_EQ(run.err, "quillon-convert: Could not write " + first +
                                           ": No space left on device" + stopped);
                    break;
                case Fault::kFullDisk:
                    // Which output fills the disk depends on the sizes; each left is whole.
                    EXPECT_EQ(run.err.rfind("quillon-convert: Could not write " + out, 0), 0u);
                    EXPECT_NE(run.err.find(": No space left on device" + stopped),
                              std::string::npos);
                    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
                    break;
                case Fault::kFolderRemoved:
#ifdef _WIN32
                    // The HDF5 library opens its file, and the workbook library its sheets'
                    // temporary files beside the output, without letting them be deleted:
                    // Windows keeps the folder, and the run writes its output whole.
                    if (std::string_view(kind.first) == "in.h5" ||
                        std::string_view(kind.first) == "in.xlsx") {
                        whole = false;
                        break;
                    }
#endif
                    EXPECT_EQ(run.err, "quillon-convert: Could not write " + first +
                                           ": No such file or directory" + stopped);
                    break;
                case Fault::kInputCut:
#ifdef _WIN32
                    // A file of ordinary size is read whole at open on Windows: the run
                    // converts the file as it was then.
                    whole = false;
#else
                    // Every output kind stops the run alike: the input itself failed.
                    EXPECT_EQ(run.err,
                              "quillon-convert: The export was stopped: in.sdf: the "
                              "file changed while it was read\n");
#endif
                    break;
                case Fault::kInputGrown:
                    // Read up to the size it had at open: the same outputs as without a fault.
                    whole = false;
                    break;
            }
            if (!whole) {
                EXPECT_EQ(run.status, 0);
                EXPECT_EQ(run.err, "");
                const auto written = Files(out);
                EXPECT_EQ(written.size(), reference.size());
                for (const auto& [name, bytes] : reference) {
                    EXPECT_TRUE(written.count(name) != 0 && written.at(name) == bytes) << name;
                }
                continue;
            }
            EXPECT_EQ(run.status, 1);
            // A text output written before the fault is whole; nothing else is left, not even
            // a temporary file.
            for (const auto& [name, bytes] : Files(out)) {
                EXPECT_TRUE(kind.text) << name;
                EXPECT_TRUE(reference.count(name) != 0 && reference.at(name) == bytes) << name;
            }
            for (const auto& [name, bytes] : Files(dir.Path())) {
                EXPECT_EQ(name.find(".part"), std::string::npos) << name;
            }
        }
    }
}

#ifdef QUILLON_WITH_HDF5
// An HDF5 file of some size is written in pieces gathered up to a megabyte: a full disk met in
// the first piece, part-way or in the last piece (written as the file closes) stops the run
// alike, with the file's name and the reason, and leaves nothing.
TEST(FailingDisk, AnHdf5ExportThatFailsAnywhereLeavesNothingAndSaysWhy) {
    TempDir dir;
    testing::SdfBuilder b(2048);
    b.AddScans(400);
    testing::WriteFile(dir / "in.sdf", b.Bytes());
    ASSERT_EQ(RunProgram(dir.Path(), {"--format", "hdf5", "-q", "-o", "ref", "in.sdf"}).status, 0);
    const std::uint64_t size = fs::file_size(dir / "ref/in.h5");
    ASSERT_GT(size, 3u << 20);
    for (const std::uint64_t byte : {std::uint64_t{100}, size / 2, size - 100}) {
        SCOPED_TRACE("a full disk at byte " + std::to_string(byte));
        fs::remove_all(dir / "out");
        const ScopedVariable variable("QUILLON_WRITE_FAULT", std::to_string(byte));
        const ProgramRun run =
            RunProgram(dir.Path(), {"--format", "hdf5", "-q", "-o", "out", "in.sdf"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "quillon-convert: Could not write " +
                               (fs::path("out") / "in.h5").string() +
                               ": No space left on device.\n");
        EXPECT_TRUE(Files(dir / "out").empty());
    }
}
#endif

}  // namespace
}  // namespace quillon
