// Window designs, shared by every face. May include: the standard library only.
#pragma once

#include <span>
#include <string_view>

namespace kl::design {

// Design measures are in twips: 15 twips are one pixel at 96 dpi. Every
// face and the tool that writes the table take it from here.
constexpr int kTwipsPerPixel = 15;

// The smallest pixel size (at 96 dpi) a label's text shrinks to where its
// design's face does not fit: below it a kanji's strokes run together.
constexpr int kSmallestLabelPixels = 9;

enum class Border {
    FixedSingle,
    FixedDialog,
    FixedToolWindow,
};

enum class Kind {
    CommandButton,
    Label,
    TextBox,
    ListBox,
    DriveListBox,
    DirListBox,
    FileListBox,
    PictureBox,
    Line,
};

// No place in the tab order: labels, lines and controls that take no focus.
constexpr int kNoTab = -1;

// Colours the design names by their role; each face maps them to its
// system's (and so follows a high-contrast scheme).
enum class SystemColour {
    None,
    ButtonShadow,
    ButtonHighlight,
};

// A control's own font; an empty face: the window's font.
struct Font
{
    std::string_view face;
    double points;
    bool bold;
};

// One control. Texts are UTF-8.
struct Control
{
    std::string_view name;
    std::string_view caption;
    Kind kind;
    int left, top, width, height;
    int tabIndex;
    std::string_view tip;
    Font font;
    SystemColour colour; // a line's
    bool isDefault;      // Enter presses it; a window with none ignores Enter
    bool cancel;         // Esc presses it; a window with none ignores Esc
};

// One window: its client area, and its controls bottom first, each one lying
// on top of those before it.
struct Window
{
    std::string_view name;
    std::string_view caption;
    int width, height;
    Border border;
    bool icon;
    std::span<const Control> controls;
    // Where the client area starts on the screen, in twips, when placed;
    // else the system places the window.
    bool placed;
    int left, top;
};

} // namespace kl::design
