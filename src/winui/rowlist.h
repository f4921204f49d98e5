#pragma once

#include "subclass.h"
#include "win.h"

#include <functional>
#include <string>
#include <vector>

namespace kl::winui {

// An owner-drawn list box of rows, each with its indent, icon, tip and
// greyed look. A click below the rows does nothing (the selection stays);
// Enter goes to enter(current row) when given.
class RowList final
{
public:
    struct Row
    {
        std::wstring text;
        std::wstring tip;
        int depth = 0;
        HICON icon = nullptr;
        bool grey = false;
    };

    RowList(HWND list, std::function<void(int row)> enter = {});
    ~RowList();
    RowList(const RowList &) = delete;
    RowList &operator=(const RowList &) = delete;

    // Shows rows with current chosen (-1: none) at the top.
    void setRows(std::vector<Row> rows, int current);
    int current() const;

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam, const Subclass::Next &next);
    void draw(const DRAWITEMSTRUCT &item) const;
    void fitRowHeight();

    HWND m_list;
    std::function<void(int)> m_enter;
    std::vector<Row> m_rows;
    HWND m_tips;
    int m_tipRow = -1;
    Subclass m_subclass; // after the tips: it must be the outermost procedure
};

// The shell's small folder icons, closed and open; empty where missing.
struct FolderIcons
{
    FolderIcons();
    UniqueIcon closed;
    UniqueIcon open;
};

} // namespace kl::winui
