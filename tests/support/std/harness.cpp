#include "harness.h"

#include <doctest/doctest.h>

#include <algorithm>

namespace kl::test {

namespace {

template <typename Rows, typename Text>
int rowOf(const Rows &rows, const std::string &text, Text textOf)
{
    const auto found = std::find_if(rows.begin(), rows.end(), [&](const auto &row) { return textOf(row) == text; });
    REQUIRE_MESSAGE(found != rows.end(), "no row " << text);
    return int(found - rows.begin());
}

} // namespace

void Harness::run(const std::function<void()> &step)
{
    REQUIRE_MESSAGE(!m_ended, "a step after the program ended");
    // Steps inside a modal window's step run within the handler that showed it.
    if (m_depth > 0)
        return step();
    const struct Depth { int &depth; ~Depth() { --depth; } } depth{++m_depth};
    try { step(); } catch (const ProgramEnded &) { m_ended = true; }
}

void Harness::press(const std::string &window, const std::string &button)
{
    FakeView &v = view(window);
    REQUIRE_MESSAGE(v.window.visible, "a button of a window not shown: " << window);
    REQUIRE_MESSAGE(v.handlers.count(button), "no button " << button << " in " << window);
    if (v.buttons[button].enabled)
        run(v.handlers[button]);
}

void Harness::chooseDrive(const std::string &drive)
{
    FakeDriveList &list = setup().drives;
    const int row = rowOf(list.rows, drive, [](const std::string &r) { return r; });
    if (row != list.index)
        run([&] { list.index = row, forms->Setup().Drive1_Change(); });
}

void Harness::clickFolder(const std::string &name)
{
    FakeFolderList &list = setup().folders;
    list.index = rowOf(list.rows, name, [](const FolderRow &r) { return r.text; });
    run([this] { forms->Setup().Dir1_Click(); });
}

void Harness::pickFile(const std::string &name)
{
    FakeFileList &list = setup().files;
    list.index = rowOf(list.rows, name, [](const FileRow &r) { return r.name; });
    run([this] { forms->Setup().File1_Click(); });
}

std::vector<std::string> Harness::enabled()
{
    std::vector<std::string> on;
    for (const char *name : {"AppDel", "Run", "chenge", "AllRan"})
        if (main().buttons[name].enabled)
            on.push_back(name);
    return on;
}

} // namespace kl::test
