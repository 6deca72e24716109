// SPDX-License-Identifier: MIT
// The main dialog's template — its size and every control with its kind, caption and place in
// dialog units — and the arithmetic that turns dialog units into pixels for a given font.
#pragma once

#include <array>

namespace quillon {

// A rectangle in dialog units: x, y, width, height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

// A rectangle in pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
    bool operator==(const DialogBaseUnits&) const = default;
};

// The base units of a font: the horizontal unit is the average width of the 52 letters A-Z
// and a-z, rounded to the nearest pixel; the vertical unit is the font's height (ascent plus
// descent). lettersWidth is the advance of those 52 letters written in a row.
DialogBaseUnits BaseUnitsFromFont(int lettersWidth, int fontHeight);

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

// Maps a rectangle from dialog units to pixels as Windows maps a dialog template: x, y, width
// and height each on its own (so the right edge may land a pixel away from the mapped edge).
PixelRect MapDialogRect(const DialogRect& rect, DialogBaseUnits units);

// Where an icon of the given size is drawn so that it stands in the middle of a client area.
PixelPoint IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

enum class ControlKind {
    DefaultPushButton,
    PushButton,
    GroupBox,
    ReadOnlyEdit,
    Edit,
    LogEdit,  // multi-line, editable, scroll bars both ways, no wrapping
    CheckBox,
    RadioButton,
    Label,
};

// One control of the template. Group boxes have id -1.
struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;
    DialogRect rect;
};

inline constexpr int kMainDialogWidth = 477;
inline constexpr int kMainDialogHeight = 367;
inline constexpr const char* kMainDialogCaption = "QUILLON";

// The controls in template order, which is also the tab order.
inline constexpr std::array<ControlTemplate, 14> kMainDialogControls{{
    {1, ControlKind::DefaultPushButton, "Close", {420, 346, 50, 14}},
    {-1, ControlKind::GroupBox, "SDF File", {17, 19, 443, 35}},
    {1000, ControlKind::ReadOnlyEdit, "", {26, 32, 355, 16}},
    {1001, ControlKind::PushButton, ">>", {388, 32, 21, 16}},
    {1002, ControlKind::PushButton, "Convert", {413, 32, 42, 16}},
    {-1, ControlKind::GroupBox, "Options", {17, 74, 443, 57}},
    {1005, ControlKind::CheckBox, "Save data with wavelength", {310, 87, 129, 15}},
    {1008, ControlKind::CheckBox, "Save data with pixel", {182, 87, 115, 15}},
    {1006, ControlKind::LogEdit, "", {17, 147, 443, 188}},
    {1009, ControlKind::CheckBox, "Convert data in one file", {36, 87, 120, 15}},
    {1011,
     ControlKind::RadioButton,
     "Convert selected data (use , or - for multi data)",
     {131, 110, 169, 14}},
    {1012, ControlKind::Edit, "", {307, 110, 140, 14}},
    {1013, ControlKind::Label, "Total number of scan data: N/A", {26, 60, 282, 11}},
    {1010, ControlKind::RadioButton, "Convert all data", {35, 110, 91, 14}},
}};

// "Follow this folder" and "Convert each new file", under the log left of "Close".
inline constexpr DialogRect kFollowFolderRect{17, 347, 90, 12};
inline constexpr const char* kFollowFolderCaption = "F&ollow this folder";
inline constexpr DialogRect kConvertEachNewRect{112, 347, 110, 12};
inline constexpr const char* kConvertEachNewCaption = "Convert each ne&w file";

// The About box: 170 x 62 dialog units, the application icon, the program's name and version,
// and an OK button that ends it.
inline constexpr int kAboutBoxWidth = 170;
inline constexpr int kAboutBoxHeight = 62;
inline constexpr const char* kAboutBoxCaption = "About QUILLON";
inline constexpr DialogRect kAboutBoxIconRect{14, 14, 21, 20};
inline constexpr DialogRect kAboutBoxTextRect{42, 14, 114, 8};
inline constexpr DialogRect kAboutBoxOkRect{113, 41, 50, 14};

}  // namespace quillon
