#include "controls.h"
#include "rowlist.h"

#include "platform/win32/utf8.h"
#include "windows/Setup.h"

namespace kl::winui {

FolderList::FolderList(HWND list, std::function<void(int)> open)
    : m_icons(std::make_unique<FolderIcons>())
    , m_rows(std::make_unique<RowList>(list, std::move(open)))
{
}

FolderList::~FolderList() = default;

void FolderList::setRows(const std::vector<FolderRow> &rows, int current)
{
    const FolderIcons &icons = *m_icons;
    std::vector<RowList::Row> shown;
    shown.reserve(rows.size());
    for (const FolderRow &row : rows) {
        const bool named = !row.path.empty();
        shown.push_back({win32::widen(row.text), win32::widen(named ? row.path : Setup::kFolderNotText), row.depth,
                         (row.open ? icons.open : icons.closed).get(), !named});
    }
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

void FileList::setRows(const std::vector<FileRow> &rows)
{
    std::vector<RowList::Row> shown;
    shown.reserve(rows.size());
    for (const FileRow &row : rows)
        shown.push_back({win32::widen(row.name), row.isText ? L"" : win32::widen(Setup::kFileNotText), 0, nullptr,
                         !row.isText});
    m_rows->setRows(std::move(shown), -1);
}

int FileList::ListIndex() const
{
    return m_rows->current();
}

} // namespace kl::winui
