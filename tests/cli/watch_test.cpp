// SPDX-License-Identifier: MIT
// quillon-convert --watch, run as a user runs it: the program watches a folder while the test
// saves scan data files into it as acquisition software does (in pieces, cut short, many at
// once, replaced), then stops it as Ctrl+C does.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "program_run.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ReadBytes;
using testing::RunProgram;
using testing::SdfBuilder;
using testing::StartedProgram;
using testing::TempDir;

const std::string kDemo = std::string(QUILLON_EXAMPLES_DIR) + "/demo.sdf";

void WriteBytes(const std::string& path, const std::string& bytes, bool append = false) {
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Polls until `done` holds; false after a minute (a watch that never gets there).
bool WaitFor(const std::function<bool()>& done) {
    for (auto until = std::chrono::steady_clock::now() + 60s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(20ms)) {
        if (done()) {
            return true;
        }
    }
    return done();
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// The CSV export of `bytes`, converted on its own, for comparison.
std::string OneShotCsv(const std::string& bytes) {
    TempDir dir;
    WriteBytes(dir / "x.sdf", bytes);
    EXPECT_EQ(RunProgram(dir.Path(), {"-q", "x.sdf", "--format", "csv"}).status, 0);
    return ReadBytes(dir / "x.csv");
}

// Names in `dir` that an interrupted write would leave: the temporary ".name.xxxx" files.
std::size_t TemporaryFiles(const std::string& dir) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        count += entry.path().filename().string().front() == '.' ? 1u : 0u;
    }
    return count;
}

struct WatchFolders {
    TempDir root;
    std::string in = root / "in";
    std::string out = root / "out";
    std::string log = root / "watch.log";
    WatchFolders() {
        fs::create_directories(in);
        fs::create_directories(out);
    }
    std::vector<std::string> Args(std::string settle) const {
        return {"-q", "--format", "csv", "-o", "out", "--watch", "in", "--settle", settle};
    }
    std::string Log() const { return ReadBytes(log); }
};

// With the system's notifications, and reading the folder every 0.3 s as on a network share.
class WatchBothWays : public ::testing::TestWithParam<std::vector<std::string>> {};
INSTANTIATE_TEST_SUITE_P(Watch, WatchBothWays,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"--poll", "0.3"}));

TEST_P(WatchBothWays, ConvertsEachFileOnceAfterItSettlesReportsBadFilesLeavesUpToDateOnesAlone) {
    const std::string demo = ReadBytes(kDemo);
    const std::string csv = OneShotCsv(demo);
    WatchFolders folders;
    std::vector<std::string> args = folders.Args("1");
    args.insert(args.end(), GetParam().begin(), GetParam().end());
    // Before the watch: one file whose outputs are up to date, one whose outputs are missing.
    WriteBytes(folders.in + "/old.sdf", demo);
    WriteBytes(folders.out + "/old.csv", "kept as it is");
    fs::last_write_time(folders.out + "/old.csv",
                        fs::last_write_time(folders.in + "/old.sdf") + 1s);
    WriteBytes(folders.in + "/missing.sdf", demo);

    StartedProgram watch(folders.root.Path(), args, folders.log);
    ASSERT_TRUE(WaitFor([&] { return Count(folders.Log(), "missing.sdf: converted") == 1; }));
    // Saved in four pieces, each sooner after the last than the settling time.
    const std::size_t piece = demo.size() / 4 + 1;
    for (std::size_t at = 0; at < demo.size(); at += piece) {
        WriteBytes(folders.in + "/pieces.sdf", demo.substr(at, piece), at > 0);
        std::this_thread::sleep_for(50ms);
    }
    // Written in part and removed again before it settled.
    WriteBytes(folders.in + "/gone.sdf", demo.substr(0, 1000));
    fs::remove(folders.in + "/gone.sdf");
    // Cut short for good: reported, and the watch goes on.
    WriteBytes(folders.in + "/cut.sdf", demo.substr(0, demo.size() - 100));
    ASSERT_TRUE(WaitFor([&] { return Count(folders.Log(), "cut.sdf: failed") == 1; }));
    WriteBytes(folders.in + "/after.sdf", demo);
    ASSERT_TRUE(WaitFor([&] { return Count(folders.Log(), "after.sdf: converted") == 1; }));

    EXPECT_EQ(watch.Interrupt(), 1);  // a file failed
    const std::string log = folders.Log();
    EXPECT_EQ(Count(log, "pieces.sdf: "), 1u) << log;
    EXPECT_EQ(Count(log, "old.sdf"), 0u) << log;
    EXPECT_EQ(Count(log, "gone.sdf"), 0u) << log;
    EXPECT_EQ(Count(log, "Watch ended: 3 files converted, 1 failed"), 1u) << log;
    EXPECT_EQ(ReadBytes(folders.out + "/old.csv"), "kept as it is");
    for (const char* name : {"missing.csv", "pieces.csv", "after.csv"}) {
        EXPECT_TRUE(ReadBytes(folders.out + "/" + name) == csv) << name;
    }
    EXPECT_EQ(TemporaryFiles(folders.out), 0u);
}

TEST(Watch, FiveHundredFilesArrivingAtOnceAreConvertedAcrossAnInterruptBetweenFiles) {
    const std::string demo = ReadBytes(kDemo);
    const std::string csv = OneShotCsv(demo);
    WatchFolders folders;
    constexpr int kFiles = 500;
    const std::string staging = folders.root / "staging";
    fs::create_directories(staging);
    for (int i = 0; i < kFiles; ++i) {
        WriteBytes(staging + "/f" + std::to_string(i) + ".sdf", demo);
    }
    std::size_t converted = 0;
    {
        StartedProgram watch(folders.root.Path(), folders.Args("0.2"), folders.log);
        ASSERT_TRUE(WaitFor([&] { return Count(folders.Log(), "Watching") == 1; }));
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = "/f" + std::to_string(i) + ".sdf";
            fs::rename(staging + name, folders.in + name);
        }
        ASSERT_TRUE(WaitFor([&] { return Count(folders.Log(), ": converted") >= 5; }));
        // Ctrl+C while files are still waiting: the watch ends between two of them.
        EXPECT_EQ(watch.Interrupt(), 0);
        const std::string log = folders.Log();
        converted = Count(log, ": converted");
        EXPECT_EQ(Count(log, "Watch ended: " + std::to_string(converted) + " files converted"), 1u)
            << log;
        EXPECT_EQ(TemporaryFiles(folders.out), 0u);
    }
    // A second watch converts the rest: the outputs already there are up to date.
    StartedProgram watch(folders.root.Path(), folders.Args("0.2"), folders.log);
    ASSERT_TRUE(WaitFor([&] {
        return Count(folders.Log(), ": converted") == static_cast<std::size_t>(kFiles) - converted;
    })) << folders.Log();
    EXPECT_EQ(watch.Interrupt(), 0);
    for (int i = 0; i < kFiles; ++i) {
        ASSERT_TRUE(ReadBytes(folders.out + "/f" + std::to_string(i) + ".csv") == csv) << i;
    }
}

TEST(Watch, AFileReplacedWhileItIsConvertedIsConvertedAgain) {
    SdfBuilder first(1024);
    first.AddScans(300);
    SdfBuilder second(1024);
    second.AddScans(301);
    const std::vector<unsigned char> firstBytes = first.Bytes();
    const std::vector<unsigned char> secondBytes = second.Bytes();
    const std::string replacement(secondBytes.begin(), secondBytes.end());
    WatchFolders folders;
    StartedProgram watch(folders.root.Path(), folders.Args("0.2"), folders.log);
    ASSERT_TRUE(WaitFor([&] { return Count(folders.Log(), "Watching") == 1; }));
    WriteBytes(folders.in + "/x.sdf", std::string(firstBytes.begin(), firstBytes.end()));
    // As soon as the export has begun (its temporary file is there), the file is saved anew.
    ASSERT_TRUE(WaitFor(
        [&] { return TemporaryFiles(folders.out) > 0 || fs::exists(folders.out + "/x.csv"); }));
    WriteBytes(folders.root / "x.new", replacement);
    fs::rename(folders.root / "x.new", folders.in + "/x.sdf");
    ASSERT_TRUE(WaitFor([&] { return Count(folders.Log(), "x.sdf: ") == 2; })) << folders.Log();
    EXPECT_EQ(watch.Interrupt(), 0);
    EXPECT_TRUE(ReadBytes(folders.out + "/x.csv") == OneShotCsv(replacement));
}

TEST(Watch, ReadsTheWholeFolderAgainWhenTheSystemDropsNotifications) {
    const std::string demo = ReadBytes(kDemo);
    WatchFolders folders;
    StartedProgram watch(folders.root.Path(), folders.Args("0.2"), folders.log);
    ASSERT_TRUE(WaitFor([&] { return Count(folders.Log(), "Watching") == 1; }));
    // While the watch does not read its notifications, more changes than the system keeps for
    // it: the events of the scan data files among them are lost.
#ifdef _WIN32
    // The watch's 64 KiB buffer holds the records of about 800 files made and written (two
    // records of about 40 bytes each).
    const int files = 4000;
#else
    // The system queues fs.inotify.max_queued_events, 16,384 by default; a file made and
    // written gives three.
    int queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    if (queued > 200000) {
        GTEST_SKIP() << "this system queues " << queued << " notifications";
    }
    const int files = queued / 2;
#endif
    watch.Pause(true);
    for (int i = 0; i < files; ++i) {
        WriteBytes(folders.in + "/noise" + std::to_string(i) + ".txt", "x");
    }
    WriteBytes(folders.in + "/a.sdf", demo);
    WriteBytes(folders.in + "/b.sdf", demo);
    watch.Pause(false);
    ASSERT_TRUE(WaitFor([&] {
        const std::string log = folders.Log();
        return Count(log, "a.sdf: converted") + Count(log, "b.sdf: converted") == 2;
    })) << folders.Log();
    EXPECT_EQ(Count(folders.Log(), "reading the folder again"), 1u);
    EXPECT_EQ(watch.Interrupt(), 0);
}

}  // namespace
}  // namespace quillon
