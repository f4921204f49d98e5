// The window designs as every face reads them: standard C++ only, so that
// the same checks run natively and, cross-built with mingw-w64, under wine.
// Prints each failure and exits 1 when there was one.
#include "design/windows.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace kl::design;

namespace {

int failures = 0;

void check(bool ok, std::string_view window, std::string_view control, const char *what)
{
    if (!ok) {
        ++failures;
        std::printf("FAIL: %.*s %.*s: %s\n", int(window.size()), window.data(), int(control.size()), control.data(), what);
    }
}

// Faces convert texts with a strict UTF-8 decoder: a stray byte would lose the caption.
bool validUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2)
                return false;
        i += length;
    }
    return true;
}

} // namespace

int main()
{
    std::set<std::string_view> windowNames;
    for (const Window *w : windows::all) {
        windowNames.insert(w->name);
        check(w->width > 0 && w->height > 0 && validUtf8(w->caption), w->name, "", "client size or caption");
        std::set<std::string_view> names;
        std::vector<int> tabs;
        int defaults = 0, cancels = 0;
        for (const Control &c : w->controls) {
            check(names.insert(c.name).second, w->name, c.name, "name given twice: commands are routed by name");
            check(c.left >= 0 && c.top >= 0 && c.width > 0 && c.height > 0, w->name, c.name, "place or size");
            check(validUtf8(c.caption) && validUtf8(c.tip), w->name, c.name, "caption or tip not UTF-8");
            const bool takesNoFocus = c.kind == Kind::Label || c.kind == Kind::Line;
            check(!takesNoFocus || c.tabIndex == kNoTab, w->name, c.name, "a label or line in the tab order");
            if (c.tabIndex != kNoTab)
                tabs.push_back(c.tabIndex);
            defaults += c.isDefault, cancels += c.cancel;
            check(!(c.isDefault || c.cancel) || c.kind == Kind::CommandButton, w->name, c.name,
                  "default or cancel on what is not a button");
        }
        std::sort(tabs.begin(), tabs.end());
        bool dense = true;
        for (std::size_t i = 0; i < tabs.size(); ++i)
            dense = dense && tabs[i] == int(i);
        check(dense, w->name, "", "tab indices are not 0, 1, 2, ... each once");
        check(defaults <= 1 && cancels <= 1, w->name, "", "more than one default or cancel button");
    }
    check(windowNames == std::set<std::string_view>{"main", "Setup", "namechenge", "syori", "frmAbout"}, "", "",
          "the five windows");
    std::printf("%s\n", failures ? "design checks failed" : "design checks passed");
    return failures ? 1 : 0;
}
