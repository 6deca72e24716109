// SPDX-License-Identifier: MIT
// The main dialog's handlers against a fake view: start values, browsing, dropping, the
// option boxes and scope buttons, failed loads, converting, closing and the About command.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <thread>

#include "dialog/quillon_dlg.h"
#include "fake_view.h"
#include "sdf_builder.h"
#include "temp_dir.h"

namespace quillon {
namespace {

using testing::FakeView;
using testing::SdfBuilder;
using testing::TempDir;

// A view whose painting can run code, as a window's event processing might while a load or a
// conversion paints.
class ReentrantView : public FakeView {
  public:
    void PaintNow() override {
        FakeView::PaintNow();
        if (onPaint) {
            onPaint();
        }
    }
    std::function<void()> onPaint;
};

class MainDialog : public ::testing::Test {
  protected:
    void SetUp() override { dlg.OnInitDialog(); }

    // Writes an SDF file with the given number of scans of 4 pixels.
    std::string WriteSdf(const std::string& name, int scans) {
        std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
        return SdfBuilder(4).AddScans(scans).WriteTo(dir / name);
    }

    // Loads a file by dropping it.
    void Load(const std::string& path) {
        dlg.OnDropFiles({path});
        ASSERT_EQ(dlg.LoadedPath(), path);
    }

    void Click(Control control) {
        view.Click(control);
        switch (control) {
            case Control::WithWavelength:
            case Control::WithPixel:
                dlg.OnSaveOptionChanged();
                break;
            case Control::OneFile:
                dlg.OnOneFileClicked();
                break;
            case Control::ConvertAll:
                dlg.OnConvertAllClicked();
                break;
            case Control::ConvertSelected:
                dlg.OnConvertSelectedClicked();
                break;
            default:
                FAIL() << "not a check box or radio button";
        }
    }

    TempDir dir;
    ReentrantView view;
    CQUILLONDlg dlg{view};
};

TEST_F(MainDialog, StartsWithNoFileNoDataAndConvertDisabled) {
    EXPECT_EQ(view.Text(Control::FilePath), "No file was selected.");
    EXPECT_EQ(view.Text(Control::Log), "No data to display.");
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: N/A");
    EXPECT_EQ(view.Text(Control::OneFile), "Convert data in multiple files");
    EXPECT_FALSE(view.IsEnabled(Control::Convert));
    EXPECT_TRUE(view.IsChecked(Control::ConvertAll));
    EXPECT_FALSE(view.IsChecked(Control::ConvertSelected));
    EXPECT_FALSE(view.IsEnabled(Control::Selection));
    EXPECT_FALSE(view.IsChecked(Control::OneFile));
    EXPECT_FALSE(view.IsChecked(Control::WithWavelength));
    EXPECT_FALSE(view.IsChecked(Control::WithPixel));
    EXPECT_TRUE(view.acceptsDrops);
    EXPECT_EQ(view.aboutCaptions, std::vector<std::string>{"&About QUILLON..."});

    EXPECT_EQ(dlg.m_strFilePath, "No file was selected.");
    EXPECT_EQ(dlg.m_strLog, "No data to display.");
    EXPECT_TRUE(dlg.m_bConvertAll);
    EXPECT_TRUE(dlg.File().m_pDarkData.empty());
    EXPECT_EQ(dlg.File().ScanCount(), 0u);
    EXPECT_EQ(dlg.Folder(), std::filesystem::current_path().string());
    EXPECT_TRUE(dlg.LoadedPath().empty());
}

TEST(MainDialogStart, TheStartFolderIsNamedInUtf8WhateverTheSystemsCodePage) {
    // A folder whose name the Windows ANSI code pages cannot spell.
    TempDir dir;
    const std::u8string name = u8"Messung_\u00E4\u65E5\u672C";
    const std::filesystem::path folder = std::filesystem::path(dir.Path()) / name;
    std::filesystem::create_directory(folder);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    testing::FakeView view;
    CQUILLONDlg dlg(view);
    dlg.OnInitDialog();
    std::filesystem::current_path(previous);
    const std::u8string expected = folder.u8string();
    EXPECT_EQ(dlg.Folder(), std::string(expected.begin(), expected.end()));
}

#ifndef _WIN32
TEST(MainDialogStart, AStartFolderRemovedMeanwhileIsReportedToTheUserAndTheWindowStillStarts) {
    TempDir dir;
    const std::filesystem::path folder = std::filesystem::path(dir.Path()) / "gone";
    std::filesystem::create_directory(folder);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    std::filesystem::remove(folder);
    testing::FakeView view;
    CQUILLONDlg dlg(view);
    EXPECT_TRUE(dlg.OnInitDialog());
    std::filesystem::current_path(previous);
    EXPECT_EQ(view.messages, std::vector<std::string>{
                                 "The folder QUILLON was started from cannot be read: No such "
                                 "file or directory. The open-file dialog starts in its own "
                                 "default folder."});
    EXPECT_EQ(dlg.Folder(), "");
    EXPECT_EQ(view.Text(Control::Log), "No data to display.");
}
#endif

TEST_F(MainDialog, BrowseOffersScanDataFilesAndAllFilesFromTheStartFolder) {
    dlg.OnBrowse();
    ASSERT_EQ(view.fileRequests.size(), 1u);
    const OpenFileRequest& request = view.fileRequests[0];
    EXPECT_EQ(request.initialFolder, std::filesystem::current_path().string());
    EXPECT_EQ(request.defaultExtension, "sdf");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].description, "Scan Data file(*.sdf)");
    EXPECT_EQ(request.filters[0].pattern, "*.sdf");
    EXPECT_EQ(request.filters[1].description, "All files(*.*)");
    EXPECT_EQ(request.filters[1].pattern, "*.*");
}

TEST_F(MainDialog, BrowseLoadsTheSdfFileNamedLikeTheChosenFile) {
    struct Case {
        const char* chosen;
        const char* loaded;
    };
    const Case cases[] = {
        {"run1.dat", "run1.sdf"},
        {"x.sdf.bak", "x.sdf.sdf"},
        {"plain", "plain.sdf"},
        {"sub/scan.sdf", "sub/scan.sdf"},
    };
    int scans = 1;
    for (const Case& c : cases) {
        // The dialog joins folder and name with the system's separator ("\\" on Windows).
        const std::string loaded =
            std::filesystem::path(WriteSdf(c.loaded, scans)).make_preferred().string();
        view.chosenFiles.push_back(dir / c.chosen);
        dlg.OnBrowse();

        EXPECT_EQ(dlg.m_strFilePath, loaded) << c.chosen;
        EXPECT_EQ(view.Text(Control::FilePath), loaded) << c.chosen;
        EXPECT_EQ(dlg.File().ScanCount(), static_cast<std::size_t>(scans)) << c.chosen;
        EXPECT_EQ(view.Text(Control::ScanCount),
                  "Total number of scan data: " + std::to_string(scans))
            << c.chosen;
        EXPECT_TRUE(view.IsEnabled(Control::Convert)) << c.chosen;
        EXPECT_EQ(dlg.Folder(), std::filesystem::path(loaded).parent_path().string()) << c.chosen;
        ++scans;
    }
    EXPECT_TRUE(view.messages.empty());
    // The next open-file dialog starts in the folder of the last file chosen.
    dlg.OnBrowse();
    EXPECT_EQ(view.fileRequests.back().initialFolder, dir / "sub");
}

TEST_F(MainDialog, ChoosingTheLoadedFileAgainNeitherReloadsItNorForgetsItsCount) {
    const std::string path = WriteSdf("run1.sdf", 3);
    view.chosenFiles = {path, path};
    dlg.OnBrowse();
    const auto resets = dlg.m_nLogResets;
    view.Type(Control::Log, "typed into the log");

    dlg.OnBrowse();

    EXPECT_EQ(dlg.m_nLogResets, resets);
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: 3");
    EXPECT_EQ(view.Text(Control::FilePath), path);
}

TEST_F(MainDialog, CancelledBrowseShowsTheLoadedCountOrNotAvailable) {
    dlg.OnBrowse();  // nothing chosen, nothing loaded
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: N/A");
    EXPECT_EQ(view.Text(Control::FilePath), "No file was selected.");

    const std::string path = WriteSdf("run1.sdf", 2);
    Load(path);
    dlg.OnBrowse();  // cancelled
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: 2");
    EXPECT_EQ(view.Text(Control::FilePath), path);
    EXPECT_TRUE(view.IsEnabled(Control::Convert));
}

TEST_F(MainDialog, FailedLoadBeforeAnyFileNamesTheFileAndTheReasonAndKeepsNoFile) {
    view.chosenFiles.push_back(dir / "run1.dat");  // there is no run1.sdf
    dlg.OnBrowse();

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              "Could not load " + (dir / "run1.sdf") + ": No such file or directory");
    EXPECT_EQ(dlg.m_strFilePath, "No file was selected.");
    EXPECT_EQ(view.Text(Control::FilePath), "No file was selected.");
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: N/A");
    EXPECT_FALSE(view.IsEnabled(Control::Convert));
    EXPECT_GT(view.waitBegins, 0);
    EXPECT_EQ(view.waitDepth, 0);
}

TEST_F(MainDialog, FailedLoadAfterALoadKeepsThePathOnTheLoadedFile) {
    const std::string loaded = WriteSdf("good.sdf", 2);
    Load(loaded);
    std::filesystem::create_directory(dir / "folder.sdf");

    struct Case {
        const char* what;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"browse to a missing file",
         [&] {
             view.chosenFiles.push_back(dir / "missing.dat");
             dlg.OnBrowse();
         }},
        {"drop a missing file", [&] { dlg.OnDropFiles({dir / "gone.sdf"}); }},
        {"drop a folder", [&] { dlg.OnDropFiles({dir / "folder.sdf"}); }},
    };
    for (const Case& c : cases) {
        view.messages.clear();
        c.act();
        ASSERT_EQ(view.messages.size(), 1u) << c.what;
        EXPECT_NE(view.messages[0].find("Could not load " + dir.Path()), std::string::npos)
            << c.what;
        EXPECT_EQ(dlg.m_strFilePath, loaded) << c.what;
        EXPECT_EQ(view.Text(Control::FilePath), loaded) << c.what;
        EXPECT_EQ(dlg.File().ScanCount(), static_cast<std::size_t>(2)) << c.what;
        EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: 2") << c.what;
        EXPECT_TRUE(view.IsEnabled(Control::Convert)) << c.what;
        EXPECT_EQ(view.waitDepth, 0) << c.what;
    }
    // Reading the controls back (as any option click does) keeps the loaded file's path.
    dlg.OnSaveOptionChanged();
    EXPECT_EQ(dlg.m_strFilePath, loaded);
}

TEST_F(MainDialog, AFileNamedAtStartLoadsExactlyThatPathWithLogAndLabel) {
    // Not renamed to .sdf as ">>" does with the name it is given: a file manager passes the
    // file's own name, whatever the case of its extension.
    const std::string path = WriteSdf("in/RUN1.SDF", 3);
    dlg.OnOpenFile(path);

    EXPECT_EQ(dlg.LoadedPath(), path);
    EXPECT_EQ(view.Text(Control::FilePath), path);
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: 3");
    EXPECT_EQ(view.Text(Control::Log).rfind("File" + path + " is opened properly.\r\n", 0), 0u);
    EXPECT_NE(view.Text(Control::Log).find("SDF file loading was done.\r\n"), std::string::npos);
    EXPECT_TRUE(view.IsEnabled(Control::Convert));
    EXPECT_TRUE(view.messages.empty());
    // ">>" then starts in the file's folder.
    dlg.OnBrowse();
    EXPECT_EQ(view.fileRequests.back().initialFolder, dir / "in");
}

TEST_F(MainDialog, AFileNamedAtStartThatCannotBeLoadedIsReportedAndLeavesNoFile) {
    dlg.OnOpenFile(dir / "missing.sdf");

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              "Could not load " + (dir / "missing.sdf") + ": No such file or directory");
    EXPECT_EQ(view.Text(Control::FilePath), "No file was selected.");
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: N/A");
    EXPECT_FALSE(view.IsEnabled(Control::Convert));
    EXPECT_TRUE(view.loadedPaths.empty());
}

TEST_F(MainDialog, TheViewIsToldOfEachLoadedFileOnceItIsTheDialogsFileAndNeverOfAFailure) {
    const std::string a = WriteSdf("a.sdf", 1);
    const std::string b = WriteSdf("b.sdf", 4);
    view.chosenFiles = {a};
    dlg.OnBrowse();
    ASSERT_EQ(view.loadedPaths, std::vector<std::string>{a});

    dlg.OnDropFiles({b});
    dlg.OnDropFiles({dir / "gone.sdf"});
    dlg.OnOpenFile(dir / "also-gone.sdf");
    dlg.OnDropFiles({a, b});  // refused

    EXPECT_EQ(view.loadedPaths, (std::vector<std::string>{a, b}));
    // What the view was told about is the file the dialog holds.
    EXPECT_EQ(dlg.File().ScanCount(), 4u);
    EXPECT_EQ(dlg.File().m_strPath, b);
}

TEST_F(MainDialog, TheViewIsToldBeforeTheFileItReadsIsReplacedOrDropped) {
    // What the dialog still holds each time it tells the view (a view reading the file on
    // another thread stops then).
    std::vector<std::string> held;
    view.onFileReleasing = [this, &held] { held.push_back(dlg.File().m_strPath); };
    const std::string a = WriteSdf("a.sdf", 1);
    const std::string b = WriteSdf("b.sdf", 2);
    Load(a);
    Load(b);
    dlg.OnDropFiles({dir / "gone.sdf"});  // a failed load keeps b, and tells nothing
    EXPECT_EQ(held, (std::vector<std::string>{"", a}));
    dlg.OnCloseCommand();
    EXPECT_EQ(held, (std::vector<std::string>{"", a, b}));
    EXPECT_EQ(dlg.File().ScanCount(), 0u);
}

TEST_F(MainDialog, DroppingTwoFilesIsRefusedEvenWhenBothAreScanDataFiles) {
    const std::string a = WriteSdf("a.sdf", 1);
    const std::string b = WriteSdf("b.sdf", 1);
    dlg.OnDropFiles({a, b});

    EXPECT_EQ(view.messages, std::vector<std::string>{"Please choose only one file..."});
    EXPECT_EQ(dlg.m_strFilePath, "No file was selected.");
    EXPECT_EQ(view.Text(Control::Log), "No data to display.");
    EXPECT_FALSE(view.IsEnabled(Control::Convert));
}

TEST_F(MainDialog, DroppedPathsWithoutLowerCaseSdfAreRefusedAndChangeNothing) {
    const std::string loaded = WriteSdf("good.sdf", 1);
    Load(loaded);
    const auto resets = dlg.m_nLogResets;
    for (const char* name : {"A.SDF", "notes.txt", "run1.Sdf", "sdf"}) {
        view.messages.clear();
        const std::string path = SdfBuilder(4).AddScans(1).WriteTo(dir / name);
        dlg.OnDropFiles({path});
        EXPECT_EQ(view.messages, std::vector<std::string>{"The file is not sdf file..."}) << name;
        EXPECT_EQ(dlg.m_strFilePath, loaded) << name;
        // A later show, as a scope button click does, still shows the loaded file.
        Click(Control::ConvertSelected);
        Click(Control::ConvertAll);
        EXPECT_EQ(view.Text(Control::FilePath), loaded) << name;
    }
    EXPECT_EQ(dlg.m_nLogResets, resets);
}

TEST_F(MainDialog, AFileInsideAFolderNamedLikeAScanDataFileIsAccepted) {
    const std::string path = WriteSdf("data.sdf/notes.txt", 2);
    dlg.OnDropFiles({path});

    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(dlg.m_strFilePath, path);
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: 2");
}

TEST_F(MainDialog, ADroppedPathIsTakenWholeHoweverLong) {
    std::string name;
    for (int i = 0; i < 6; ++i) {
        name += std::string(50, static_cast<char>('a' + i)) + "/";
    }
    name += "scan.sdf";
    const std::string path = WriteSdf(name, 1);
    ASSERT_GT(path.size(), 300u);

    dlg.OnDropFiles({path});

    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(dlg.m_strFilePath, path);
    EXPECT_EQ(view.Text(Control::FilePath), path);
    EXPECT_EQ(dlg.File().ScanCount(), static_cast<std::size_t>(1));
}

TEST_F(MainDialog, DroppingTheLoadedFileAgainLoadsItAgain) {
    const std::string path = WriteSdf("run1.sdf", 1);
    Load(path);
    const auto resets = dlg.m_nLogResets;
    SdfBuilder(4).AddScans(5).WriteTo(path);

    dlg.OnDropFiles({path});

    EXPECT_GT(dlg.m_nLogResets, resets);
    EXPECT_EQ(view.Text(Control::ScanCount), "Total number of scan data: 5");
}

TEST_F(MainDialog, TheLoadLogAppearsLineByLineAndOnlyNewLinesAreAdded) {
    const std::string path = WriteSdf("run1.sdf", 3);
    view.logReplacements = 0;
    view.paintedLogs.clear();

    dlg.OnDropFiles({path});

    const std::string& log = dlg.m_strLog;
    EXPECT_EQ(view.Text(Control::Log), log);
    EXPECT_EQ(log.rfind("File" + path + " is opened properly.\r\n", 0), 0u);
    // One replacement when the load starts its log; every later line is appended.
    EXPECT_EQ(view.logReplacements, 1);
    EXPECT_GE(view.logAppends, 11);
    // Painted at once after each section: every painted log is a longer start of the final one.
    ASSERT_GE(view.paintedLogs.size(), 12u);
    for (std::size_t i = 1; i < view.paintedLogs.size(); ++i) {
        EXPECT_GT(view.paintedLogs[i].size(), view.paintedLogs[i - 1].size());
        EXPECT_EQ(log.rfind(view.paintedLogs[i], 0), 0u);
    }
    EXPECT_EQ(view.waitBegins, 1);
    EXPECT_EQ(view.waitDepth, 0);
}

TEST_F(MainDialog, TextTypedIntoTheLogIsReadBackAndTheNextLoadReplacesIt) {
    const std::string path = WriteSdf("run1.sdf", 1);
    Load(path);
    view.Type(Control::Log, "my notes\r\n");
    Click(Control::WithPixel);  // reads the controls
    EXPECT_EQ(dlg.m_strLog, "my notes\r\n");

    dlg.OnDropFiles({path});
    EXPECT_EQ(view.Text(Control::Log), dlg.m_strLog);
    EXPECT_EQ(view.Text(Control::Log).find("my notes"), std::string::npos);
}

TEST_F(MainDialog, TheOneFileBoxCaptionFollowsItsMark) {
    Click(Control::OneFile);
    EXPECT_TRUE(view.IsChecked(Control::OneFile));
    EXPECT_EQ(dlg.m_bOneFile, 1);
    EXPECT_EQ(view.Text(Control::OneFile), "Convert data in one file");

    Click(Control::OneFile);
    EXPECT_FALSE(view.IsChecked(Control::OneFile));
    EXPECT_EQ(dlg.m_bOneFile, 0);
    EXPECT_EQ(view.Text(Control::OneFile), "Convert data in multiple files");
}

TEST_F(MainDialog, OneFileIsOfferedOnlyWhileAllScansAreConverted) {
    // Ticking the box with "Convert selected data" chosen is undone at once.
    Click(Control::ConvertSelected);
    Click(Control::OneFile);
    EXPECT_FALSE(view.IsChecked(Control::OneFile));
    EXPECT_EQ(dlg.m_bOneFile, 0);
    EXPECT_EQ(view.Text(Control::OneFile), "Convert data in multiple files");

    // Choosing "Convert selected data" with the box ticked clears it.
    Click(Control::ConvertAll);
    Click(Control::OneFile);
    ASSERT_TRUE(view.IsChecked(Control::OneFile));
    Click(Control::ConvertSelected);
    EXPECT_FALSE(view.IsChecked(Control::OneFile));
    EXPECT_EQ(dlg.m_bOneFile, 0);
    EXPECT_EQ(view.Text(Control::OneFile), "Convert data in multiple files");
}

TEST_F(MainDialog, TheScopeButtonsSetTheScopeAndTheSelectionEdit) {
    Click(Control::ConvertSelected);
    EXPECT_FALSE(dlg.m_bConvertAll);
    EXPECT_TRUE(view.IsEnabled(Control::Selection));
    EXPECT_TRUE(view.IsChecked(Control::ConvertSelected));
    EXPECT_FALSE(view.IsChecked(Control::ConvertAll));

    Click(Control::ConvertAll);
    EXPECT_TRUE(dlg.m_bConvertAll);
    EXPECT_FALSE(view.IsEnabled(Control::Selection));
    EXPECT_TRUE(view.IsChecked(Control::ConvertAll));
    EXPECT_FALSE(view.IsChecked(Control::ConvertSelected));
}

TEST_F(MainDialog, TextTypedIntoTheSelectionIsKeptWhenAScopeButtonIsClicked) {
    Click(Control::ConvertSelected);
    for (Control scope :
         {Control::ConvertSelected, Control::ConvertAll, Control::ConvertSelected}) {
        const std::string typed = "1-3," + std::to_string(static_cast<int>(scope));
        view.Type(Control::Selection, typed);
        Click(scope);
        EXPECT_EQ(view.Text(Control::Selection), typed);
        EXPECT_EQ(dlg.m_strSelection, typed);
    }
}

TEST_F(MainDialog, TheSaveOptionBoxesAreReadWhenClicked) {
    Click(Control::WithWavelength);
    EXPECT_EQ(dlg.m_bWithWavelength, 1);
    EXPECT_EQ(dlg.m_bWithPixel, 0);
    Click(Control::WithPixel);
    EXPECT_EQ(dlg.m_bWithPixel, 1);
    Click(Control::WithWavelength);
    EXPECT_EQ(dlg.m_bWithWavelength, 0);
}

TEST_F(MainDialog, ConvertBeforeAnyLoadDoesNothing) {
    EXPECT_FALSE(dlg.OnConvert());
    EXPECT_TRUE(view.pauses.empty());
    EXPECT_EQ(view.Text(Control::Log), "No data to display.");
}

TEST_F(MainDialog, ConvertWritesTheFilesWithTheOptionsTheControlsShow) {
    const std::string path = WriteSdf("run1.sdf", 3);
    Load(path);
    Click(Control::ConvertSelected);
    view.Type(Control::Selection, "1,3");

    EXPECT_TRUE(dlg.OnConvert());

    EXPECT_EQ(view.pauses, std::vector<int>{2000});
    for (const char* name :
         {"run1_Var.txt", "run1_Dark.txt", "run1_Ref.txt", "run1_1of3.txt", "run1_3of3.txt"}) {
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "run1_2of3.txt"));
    const std::string& log = dlg.m_strLog;
    EXPECT_EQ(view.Text(Control::Log), log);
    EXPECT_NE(log.find("[1] of [3] Scan Data were converted.\r\n"), std::string::npos);
    EXPECT_TRUE(log.ends_with("[3] of [3] Scan Data were converted.\r\n"));
    EXPECT_EQ(view.waitDepth, 0);
    EXPECT_TRUE(view.messages.empty());
}

// Ticks as the window's timer does while following, until `done` holds; false when ten
// seconds pass first.
bool TickUntil(CQUILLONDlg& dlg, const std::function<bool()>& done) {
    for (int i = 0; i < 400 && !done(); ++i) {
        dlg.OnFollowTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return done();
}

TEST_F(MainDialog, FollowingLoadsAndConvertsEachFileSavedIntoTheFolderUntilSwitchedOff) {
    const std::string first = WriteSdf("first.sdf", 1);
    const std::string older = WriteSdf("older.sdf", 2);
    const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(older, anHourAgo);
    std::filesystem::last_write_time(first, anHourAgo);
    Load(first);
    EXPECT_FALSE(view.IsEnabled(Control::ConvertEachNew));
    dlg.SetFollowSettle(std::chrono::milliseconds(100));

    view.Click(Control::FollowFolder);
    dlg.OnFollowClicked();
    const std::string folder = FolderOf(first);
    EXPECT_TRUE(view.ticking);
    EXPECT_TRUE(view.IsEnabled(Control::ConvertEachNew));
    EXPECT_TRUE(dlg.m_strLog.ends_with("Following " + folder +
                                       ": each scan data file saved there is loaded.\r\n"));
    view.Click(Control::ConvertEachNew);
    dlg.OnConvertEachNewClicked();

    const std::string fresh = WriteSdf("fresh.sdf", 3);
    ASSERT_TRUE(TickUntil(dlg, [&] { return dlg.LoadedPath() == fresh; }));
    EXPECT_EQ(view.loadedPaths, (std::vector<std::string>{first, fresh}));
    EXPECT_EQ(view.newestScanShows, 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "fresh_3of3.txt"));
    EXPECT_TRUE(dlg.m_strLog.ends_with("[3] of [3] Scan Data were converted.\r\n"));

    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.waitDepth, 0);

    view.Click(Control::FollowFolder);
    dlg.OnFollowClicked();
    EXPECT_FALSE(view.ticking);
    EXPECT_TRUE(dlg.m_strLog.ends_with("Stopped following " + folder + ".\r\n"));
    const std::string late = WriteSdf("late.sdf", 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    dlg.OnFollowTick();
    EXPECT_EQ(dlg.LoadedPath(), fresh);
    EXPECT_EQ(view.loadedPaths.size(), 2U);
}

// The files of a folder, by name.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ExportChoice Formats(std::vector<ExportFormat> formats) {
    ExportChoice choice;
    choice.formats = std::move(formats);
    return choice;
}

TEST_F(MainDialog, ExportBeforeAnyLoadDoesNothing) {
    EXPECT_FALSE(dlg.OnExport(Formats({ExportFormat::kCsv})));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.waitBegins, 0);
}

TEST_F(MainDialog, ExportWritesTheChosenFormatsForTheScansTheWindowSelects) {
    const std::string path = WriteSdf("run1.sdf", 3);
    Load(path);
    Click(Control::ConvertSelected);
    view.Type(Control::Selection, "2-3");
    EXPECT_EQ(dlg.ExportScope(), "scans 2-3");

    EXPECT_TRUE(dlg.OnExport(Formats({ExportFormat::kCsv, ExportFormat::kJson})));

    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"run1.csv", "run1.json", "run1.sdf"}));
    const std::string csv = testing::ReadBytes(dir / "run1.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "pixel,wavelength_nm,dark,reference,scan_2,scan_3");
    // The log starts afresh and names each output; there is no pause as before Convert.
    EXPECT_EQ(dlg.m_strLog, "CSV data were written to " + (dir / "run1.csv") +
                                ".\r\nJSON data were written to " + (dir / "run1.json") + ".\r\n");
    EXPECT_TRUE(view.pauses.empty());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.waitDepth, 0);
}

TEST_F(MainDialog, ExportedTextOutputsTakeTheWindowsConvertOptions) {
    const std::string path = WriteSdf("run1.sdf", 2);
    Load(path);
    Click(Control::WithPixel);
    Click(Control::OneFile);

    EXPECT_TRUE(dlg.OnExport(Formats({ExportFormat::kText})));

    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"run1.sdf", "run1.txt"}));
    EXPECT_NE(testing::ReadBytes(dir / "run1.txt").find("Pixel"), std::string::npos);
    EXPECT_EQ(dlg.ExportScope(), "all 2 scans");
}

TEST_F(MainDialog, ExportIntoAFolderMakesTheFolderAndWritesEveryOutputThere) {
    const std::string path = WriteSdf("in/run1.sdf", 1);
    Load(path);
    ExportChoice choice = Formats({ExportFormat::kText, ExportFormat::kCsv});
    choice.outputFolder = dir / "out/new";

    EXPECT_TRUE(dlg.OnExport(choice));

    EXPECT_EQ(FilesIn(dir / "in"), std::vector<std::string>{"run1.sdf"});
    EXPECT_EQ(FilesIn(dir / "out/new"),
              (std::vector<std::string>{"run1.csv", "run1_1of1.txt", "run1_Dark.txt",
                                        "run1_Ref.txt", "run1_Var.txt"}));
}

TEST_F(MainDialog, AGridOverACalibrationThatDoesNotRiseIsRefusedAndNothingIsWritten) {
    // The builder's calibration is all zeros: it does not rise.
    const std::string path = WriteSdf("run1.sdf", 2);
    Load(path);
    ExportChoice choice = Formats({ExportFormat::kText, ExportFormat::kCsv});
    choice.request.grid = GridSpec{400.0, 1.0, 500.0};

    EXPECT_FALSE(dlg.OnExport(choice));

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_TRUE(view.messages[0].starts_with(path + ": ")) << view.messages[0];
    EXPECT_TRUE(view.messages[0].ends_with("; nothing was written")) << view.messages[0];
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"run1.sdf"});
    EXPECT_EQ(view.waitDepth, 0);
}

TEST_F(MainDialog,
       AnExportThatCannotBeWrittenIsReportedAsTheCommandLineDoesAndTheOthersAreWritten) {
    const std::string path = WriteSdf("run1.sdf", 1);
    Load(path);
    std::filesystem::create_directory(dir / "run1.csv");  // a folder where the output goes

    EXPECT_FALSE(dlg.OnExport(Formats({ExportFormat::kCsv, ExportFormat::kJson})));

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], "Could not write " + (dir / "run1.csv") + ": Is a directory.");
    EXPECT_EQ(dlg.m_strLog, "Could not write " + (dir / "run1.csv") +
                                ".\r\nJSON data were written to " + (dir / "run1.json") + ".\r\n");
    EXPECT_EQ(view.waitDepth, 0);
    // The window keeps its file and can export again.
    std::filesystem::remove(dir / "run1.csv");
    EXPECT_TRUE(dlg.OnExport(Formats({ExportFormat::kCsv})));
}

#ifndef _WIN32
// The acquisition software wrote the loaded file anew, shorter: the export stops and says so of
// the input, not of an output; nothing is kept.
TEST_F(MainDialog, AnExportOfAFileCutShorterSinceItWasLoadedStopsAndNamesTheInput) {
    const std::string path = WriteSdf("run1.sdf", 3);
    Load(path);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 10);

    EXPECT_FALSE(dlg.OnExport(Formats({ExportFormat::kCsv})));

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              "The export was stopped: " + path + ": the file changed while it was read");
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"run1.sdf"});
}
#endif

TEST_F(MainDialog, AnOutputFolderThatCannotBeMadeIsReported) {
    const std::string path = WriteSdf("run1.sdf", 1);
    Load(path);
    ExportChoice choice = Formats({ExportFormat::kCsv});
    choice.outputFolder = path + "/out";  // inside a file

    EXPECT_FALSE(dlg.OnExport(choice));

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_TRUE(
        view.messages[0].starts_with(choice.outputFolder + ": the output folder cannot be made"))
        << view.messages[0];
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"run1.sdf"});
}

TEST_F(MainDialog, TheOverwriteQuestionIsAnsweredThroughTheView) {
    const std::string path = WriteSdf("run1.sdf", 1);
    Load(path);
    Click(Control::OneFile);
    ASSERT_TRUE(dlg.OnConvert());
    ASSERT_TRUE(std::filesystem::exists(dir / "run1.txt"));
    EXPECT_TRUE(view.questions.empty());

    view.answers = {false};
    ASSERT_TRUE(dlg.OnConvert());
    EXPECT_EQ(view.questions.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir / "run1(0).txt"));
}

TEST_F(MainDialog, AnOutputThatCannotBeWrittenIsReportedAndEndsTheWaitCursor) {
    const std::string path = WriteSdf("run1.sdf", 1);
    Load(path);
    std::filesystem::create_directory(dir / "run1_Dark.txt");  // in the way of the dark table

    EXPECT_FALSE(dlg.OnConvert());

    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("run1_Dark.txt"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "run1_Var.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "run1_Ref.txt"));
    EXPECT_EQ(view.waitDepth, 0);

    // The window stays usable: once the way is clear, the next Convert writes everything.
    std::filesystem::remove(dir / "run1_Dark.txt");
    EXPECT_TRUE(dlg.OnConvert());
    EXPECT_TRUE(std::filesystem::exists(dir / "run1_1of1.txt"));
    EXPECT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.waitDepth, 0);
}

TEST_F(MainDialog, CloseReadsTheControlsEndsTheDialogAndReleasesTheSpectra) {
    const std::string path = WriteSdf("run1.sdf", 1);
    Load(path);
    view.Type(Control::Selection, "2");

    dlg.OnCloseCommand();

    EXPECT_EQ(view.endResults, std::vector<int>{1});
    EXPECT_EQ(dlg.m_strSelection, "2");
    EXPECT_TRUE(dlg.File().m_pDarkData.empty());
    EXPECT_TRUE(dlg.File().m_pRefData.empty());
    EXPECT_EQ(dlg.File().ScanCount(), 0u);
}

TEST_F(MainDialog, CloseAndDropsThatArriveWhileALoadPaintsAreIgnored) {
    const std::string path = WriteSdf("run1.sdf", 2);
    const std::string other = WriteSdf("other.sdf", 1);
    view.onPaint = [&] {
        dlg.OnCloseCommand();
        dlg.OnDropFiles({other});
        dlg.OnBrowse();
    };
    dlg.OnDropFiles({path});
    view.onPaint = nullptr;

    EXPECT_TRUE(view.endResults.empty());
    EXPECT_TRUE(view.fileRequests.empty());
    EXPECT_EQ(dlg.LoadedPath(), path);
    EXPECT_EQ(dlg.File().ScanCount(), static_cast<std::size_t>(2));
    EXPECT_FALSE(dlg.IsBusy());
    dlg.OnCloseCommand();
    EXPECT_EQ(view.endResults, std::vector<int>{1});
}

TEST_F(MainDialog, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
    struct Case {
        unsigned id;
        bool about;
    };
    const Case cases[] = {
        {16, true},      {17, true},  {31, true},      {0, false},
        {15, false},     {32, false}, {0xF060, false},  // close
        {0xF010, false},                                // move
        {0xF000, false},                                // size
        {0xF013, false},                                // move with the system's own low bits
    };
    for (const Case& c : cases) {
        const int before = view.aboutBoxes;
        EXPECT_EQ(dlg.OnSysCommand(c.id), c.about) << c.id;
        EXPECT_EQ(view.aboutBoxes - before, c.about ? 1 : 0) << c.id;
    }
}

TEST(FileNames, FolderAndTitleSplitAtTheLastSlashAndTheLastDot) {
    struct Case {
        const char* path;
        const char* folder;
        const char* title;
    };
    const Case cases[] = {
        {"/data/run1.dat", "/data", "run1"},
        {"/data/x.sdf.bak", "/data", "x.sdf"},
        {"/data.sdf/notes", "/data.sdf", "notes"},
        {"/run1.sdf", "/", "run1"},
        {"/data/.hidden", "/data", ""},
        {"bare.sdf", "", "bare"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(TitleOf(c.path), c.title) << c.path;
    }
}

}  // namespace
}  // namespace quillon
