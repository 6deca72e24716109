// SPDX-License-Identifier: MIT
// The export dialog of the Windows window: a dialog template in memory with the choices of
// quillon-convert's exports (formats, quantity, wavelength grid, CSV layout, delimiter and
// number style, HDF5 compression, output folder), run modally, giving the ExportChoice the
// window's Export... runs. Also the system's folder chooser.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "dialog/dialog_template.h"
#include "dialog/export_choice.h"

namespace quillon {

// The main window's "Export..." button, left of "Close".
inline constexpr int kExportButtonId = 1090;
inline constexpr DialogRect kExportButtonRect{364, 346, 50, 14};
inline constexpr const wchar_t* kExportButtonCaption = L"&Export...";

// The controls of the export dialog, by their template ids. "Export" is IDOK, "Cancel"
// IDCANCEL.
enum class ExportControl : int {
    Scans = 100,  // "Scans: all 5 scans (as chosen in the window)."
    Text = 101,
    Csv = 102,
    Json = 103,
    Hdf5 = 104,
    Xlsx = 105,
    Quantity = 111,
    UseGrid = 112,
    Grid = 113,
    Layout = 121,
    Delimiter = 123,
    DecimalComma = 124,
    ByteOrderMark = 125,
    Compress = 131,
    BesideInput = 141,
    InFolder = 142,
    Folder = 143,
    ChooseFolder = 144,
};

// Runs a folder chooser over `owner`, starting at a folder; the chosen folder, or nothing
// when the user cancelled.
using FolderChooser =
    std::function<std::optional<std::string>(HWND owner, const std::string& start)>;

// The system's folder chooser (IFileOpenDialog picking folders).
std::optional<std::string> ChooseFolderWithShell(HWND owner, const std::string& start);

struct ExportDialogSetup {
    // The loaded file's folder: where the outputs go by default.
    std::string inputFolder;
    // What the window's scope covers, as the dialog names it ("all 5 scans", "scans 1-3,5").
    std::string scope;
    // The folder the output folder box starts with (empty: inputFolder). When the dialog
    // ends, the folder last chosen or typed there, so that the next export starts in it.
    std::string folder;
};

// Runs the export dialog modally over `owner`, starting from quillon-convert's defaults.
// The choices accepted with "Export", or nothing when the user cancelled. Choices that the
// export cannot take (no format, a grid that is not START:STEP:END, a decimal comma with the
// comma delimiter, no folder) are refused in a message box and the dialog stays open.
std::optional<ExportChoice> RunExportDialog(HWND owner, ExportDialogSetup& setup,
                                            const FolderChooser& chooseFolder);

}  // namespace quillon
