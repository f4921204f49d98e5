#include "folderlists.h"
#include "text.h"

#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

namespace kl::qt {

namespace {

constexpr int DepthRole = Qt::UserRole;
constexpr int IndentStep = 8;

// Dir1 is a flat list drawn as a tree: each level one step further right.
class FolderIndentDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indent(index);
        return size;
    }

private:
    static int indent(const QModelIndex &index) { return index.data(DepthRole).toInt() * IndentStep; }
};

template <typename Row>
void draw(QListWidgetItem &item, const Row &row)
{
    item.setToolTip(toQt(row.tip()));
    if (row.greyed())
        item.setForeground(item.listWidget()->palette().brush(QPalette::Disabled, QPalette::Text));
}

} // namespace

FolderList::FolderList(QListWidget &list)
    : m_list(list)
{
    m_list.setItemDelegate(new FolderIndentDelegate(&m_list));
}

void FolderList::setRows(const std::vector<FolderRow> &rows, int current)
{
    const QIcon open = m_list.style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = m_list.style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QSignalBlocker blocker(m_list);
    m_list.clear();
    for (const FolderRow &row : rows) {
        auto *item = new QListWidgetItem(row.open ? open : closed, toQt(row.text), &m_list);
        item->setData(DepthRole, row.depth);
        draw(*item, row);
    }
    m_list.setCurrentRow(current);
    m_list.scrollToItem(m_list.currentItem(), QAbstractItemView::PositionAtTop);
}

int FolderList::ListIndex() const
{
    return m_list.currentRow();
}

FileList::FileList(QListWidget &list)
    : m_list(list)
{
}

void FileList::setRows(const std::vector<FileRow> &rows)
{
    const QSignalBlocker blocker(m_list);
    m_list.clear();
    for (const FileRow &row : rows) {
        draw(*new QListWidgetItem(toQt(row.name), &m_list), row);
    }
}

int FileList::ListIndex() const
{
    const QListWidgetItem *item = m_list.currentItem();
    return item && item->isSelected() ? m_list.row(item) : -1;
}

} // namespace kl::qt
