#include "controls.h"
#include "rowlist.h"

#include "platform/win32/utf8.h"

namespace kl::winui {

FolderList::FolderList(HWND list, std::function<void(int)> open)
    : m_open(std::move(open))
    , m_icons(std::make_unique<FolderIcons>())
    , m_rows(std::make_unique<RowList>(list, m_open))
{
}

Notify FolderList::events(std::function<void()> chosen) const
{
    return [this, chosen = std::move(chosen)](int code) {
        const int row = m_rows->current();
        if (code == LBN_SELCHANGE && row >= 0)
            chosen();
        else if (code == LBN_DBLCLK && row >= 0)
            m_open(row);
    };
}

FolderList::~FolderList() = default;

void FolderList::setRows(const std::vector<FolderRow> &rows, int current)
{
    const FolderIcons &icons = *m_icons;
    std::vector<RowList::Row> shown;
    shown.reserve(rows.size());
    for (const FolderRow &row : rows)
        shown.push_back({win32::widen(row.text), win32::widen(row.tip()), row.depth, (row.open ? icons.open : icons.closed).get(),
                         row.greyed()});
    m_rows->setRows(std::move(shown), current);
}

int FolderList::ListIndex() const
{
    return m_rows->current();
}

FileList::FileList(HWND list)
    : m_rows(std::make_unique<RowList>(list))
{
}

FileList::~FileList() = default;

Notify FileList::events(std::function<void()> chosen, std::function<void()> doubleClicked) const
{
    return [this, chosen = std::move(chosen), doubleClicked = std::move(doubleClicked)](int code) {
        if (code == LBN_SELCHANGE && m_rows->current() >= 0)
            chosen();
        else if (code == LBN_DBLCLK)
            doubleClicked();
    };
}

void FileList::setRows(const std::vector<FileRow> &rows)
{
    std::vector<RowList::Row> shown;
    shown.reserve(rows.size());
    for (const FileRow &row : rows)
        shown.push_back({win32::widen(row.name), win32::widen(row.tip()), 0, nullptr, row.greyed()});
    m_rows->setRows(std::move(shown), -1);
}

int FileList::ListIndex() const
{
    return m_rows->current();
}

} // namespace kl::winui
