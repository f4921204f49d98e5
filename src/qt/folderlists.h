#pragma once

#include "platform/controls.h"

class QListWidget;

namespace kl::qt {

// The picker's folder list over a QListWidget: a flat list drawn as a tree,
// each level one step further right, the open chain with open folder icons,
// every row's path as its tip. A row with no path is greyed and says why.
class FolderList final : public FolderListBox
{
public:
    explicit FolderList(QListWidget &list);
    void setRows(const std::vector<FolderRow> &rows, int current) override;
    int ListIndex() const override;

private:
    QListWidget &m_list;
};

// The picker's file list; a file whose name is not text is greyed and says why.
class FileList final : public FileListBox
{
public:
    explicit FileList(QListWidget &list);
    void setRows(const std::vector<FileRow> &rows) override;
    int ListIndex() const override;

private:
    QListWidget &m_list;
};

} // namespace kl::qt
