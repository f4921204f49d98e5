// Window designs, shared by every face. May include: the standard library only.
#pragma once

#include <span>
#include <string_view>

namespace kl::design {

// Design measures are in twips: 15 twips are one pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;

enum class Border { FixedSingle, FixedDialog, FixedToolWindow };

enum class Kind { CommandButton, Label, TextBox, ListBox, DriveListBox, DirListBox, FileListBox, PictureBox, Line };

// No place in the tab order: labels, lines and controls that take no focus.
constexpr int kNoTab = -1;

// One control. Texts are UTF-8.
struct Control {
    Kind kind;
    std::string_view name;
    std::string_view caption;
    int left, top, width, height;
    int tabIndex;
    std::string_view tip;
    bool isDefault;
    bool cancel;
};

// One window: its client area, and its controls bottom first, each one lying
// on top of those before it.
struct Window {
    std::string_view name;
    std::string_view caption;
    int width, height;
    Border border;
    bool icon;
    std::span<const Control> controls;
};

} // namespace kl::design
