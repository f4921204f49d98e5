#include "Setup.h"
#include "ui_Setup.h"

#include "forms.h"
#include "main.h"
#include "platform/drives.h"
#include "platform/runtime.h"
#include "store/appstore.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>

namespace kl {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;
constexpr int NotTextRole = Qt::UserRole + 2; // a name that is not text: shown, never used
constexpr int IndentStep = 8;

// Entries whose names are not text have no path: their rows are shown
// greyed, and using one says why it cannot be.
const QString kFolderNotText = QStringLiteral("このフォルダーの名前は UTF-8 ではないため、開けません。");
const QString kFileNotText = QStringLiteral("このファイルの名前は UTF-8 ではないため、登録できません。");

void markUnnamed(QListWidgetItem &item, const QString &why)
{
    item.setForeground(item.listWidget()->palette().brush(QPalette::Disabled, QPalette::Text));
    item.setToolTip(why);
    item.setData(NotTextRole, true);
}

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

} // namespace

Setup::Setup(const Platform &platform, Forms &forms)
    : Form(nullptr, Qt::Dialog)
    , ui(std::make_unique<Ui::Setup>())
    , m_runtime(platform.runtime)
    , m_store(platform.store)
    , m_drives(platform.drives)
    , m_forms(forms)
{
    ui->setupUi(this);
    fixClientSize(width(), height());
    ui->Dir1->setItemDelegate(new FolderIndentDelegate(ui->Dir1));

    // The lists open at the process's current drive and folder, raising no
    // handler; where that folder has gone or its name is not text, at the
    // home folder, else at the system drive's root.
    const QString current = m_drives.currentFolder();
    const QStringList starts{current, homeFolder(), m_drives.systemDrive()};
    for (qsizetype i = 0; m_dirPath.isEmpty(); ++i) {
        try {
            showFolder(starts.at(i));
        } catch (const RuntimeError &) {
            if (i + 1 == starts.size())
                throw;
        }
    }
    fillDrives(m_dirPath == folderPath(current) ? m_drives.currentDrive() : driveOf(m_dirPath, m_drives.drives()));
    setFilePath(m_dirPath);

    connect(ui->Drive1, &QComboBox::currentIndexChanged, this, &Setup::Drive1_Change);
    connectClick(*ui->Dir1, &Setup::Dir1_Click);
    connect(ui->Dir1, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { openFolderAt(ui->Dir1->row(item)); });
    connectClick(*ui->File1, &Setup::File1_Click);
    connect(ui->File1, &QListWidget::itemDoubleClicked, this, &Setup::File1_DblClick);
    connect(ui->AddProgram, &QPushButton::clicked, this, &Setup::AddProgram_Click);
    connect(ui->cxsetup, &QPushButton::clicked, this, &Setup::cxsetup_Click);

    ui->Dir1->installEventFilter(this);
    ui->Dir1->viewport()->installEventFilter(this);
    ui->File1->viewport()->installEventFilter(this);
}

Setup::~Setup() = default;

QString Setup::drive() const
{
    return ui->Drive1->currentText();
}

QString Setup::fileName() const
{
    const QListWidgetItem *item = ui->File1->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void Setup::Form_Load()
{
    m_runtime.withoutRecovery([this] { ui->AddProgram->setEnabled(false); });
}

void Setup::Drive1_Change()
{
    int number = 0;
    QString description;
    m_runtime.withRecovery(
        [&] {
            try {
                ui->AddProgram->setDown(false);
                setDirPath(m_drives.openDrive(drive()));
            } catch (const RuntimeError &e) {
                number = e.number();
                description = e.description();
                throw;
            }
        },
        [&] { driveFailed(number, description); });
}

void Setup::driveFailed(int number, const QString &description)
{
    m_runtime.MsgBox(description, vbOKOnly, QStringLiteral("エラー"));
    if (number == err::DeviceUnavailable) {
        // Raises Drive1_Change again, which moves the folder and file lists.
        setDrive(m_drives.systemDrive());
    } else {
        m_runtime.MsgBox(QStringLiteral("エラーナンバーを作成者に伝えてください。"), vbOKOnly,
                         QStringLiteral("予期せぬエラー"));
    }
}

void Setup::Dir1_Change()
{
    m_runtime.withoutRecovery([this] {
        ui->AddProgram->setDown(false);
        setFilePath(m_dirPath);
    });
}

void Setup::Dir1_Click()
{
    m_runtime.withoutRecovery([this] { ui->AddProgram->setDown(false); });
}

void Setup::File1_Click()
{
    m_runtime.withoutRecovery([this] { ui->AddProgram->setEnabled(true); });
}

void Setup::File1_DblClick()
{
    m_runtime.withoutRecovery([this] { AddSelectedProgram(); });
}

void Setup::AddProgram_Click()
{
    m_runtime.withoutRecovery([this] { AddSelectedProgram(); });
}

void Setup::cxsetup_Click()
{
    m_runtime.withoutRecovery([this] {
        ui->AddProgram->setDown(false);
        hide();
    });
}

void Setup::AddSelectedProgram()
{
    m_runtime.withoutRecovery([this] {
        const QString name = fileName();
        if (name.isEmpty() || ui->File1->currentItem()->data(NotTextRole).toBool()) {
            m_runtime.MsgBox(name.isEmpty() ? QStringLiteral(".EXE ファイルを選択して下さい。") : kFileNotText, vbOKOnly,
                             QStringLiteral("注意"));
            return;
        }
        // Joined as they are: a root folder already ends in a separator and
        // the path then holds two in a row, which is what gets registered.
        const QString path = m_dirPath + QDir::separator() + name;
        const int answer = m_runtime.MsgBox(QStringLiteral("選択したアプリケーションを登録しますか？"), vbOKCancel,
                                            QStringLiteral("アプリケーションの登録"));
        if (answer == vbOK) {
            kl::main &list = m_forms.main();
            list.followStore(); // the row goes where the store puts it
            // Another process may have filled the list meanwhile; a 101st
            // entry could not be loaded again.
            if (list.List1().ListCount() >= 100)
                m_runtime.MsgBox(QStringLiteral("これ以上は登録できません。"), vbOKOnly, QStringLiteral("注意"));
            else
                m_store.Append(path, list.List1(), list.AllRan());
        }
        ui->AddProgram->setDown(false);
        hide();
    });
}

void Setup::fillDrives(QString current)
{
    const QSignalBlocker blocker(ui->Drive1);
    ui->Drive1->clear();
    ui->Drive1->addItems(m_drives.drives());
    if (current.isEmpty())
        current = m_drives.systemDrive();
    int row = ui->Drive1->findText(current);
    if (row < 0) {
        ui->Drive1->addItem(current);
        row = ui->Drive1->count() - 1;
    }
    ui->Drive1->setCurrentIndex(row);
}

void Setup::setDrive(const QString &drive)
{
    const int row = ui->Drive1->findText(drive);
    if (row < 0)
        throw RuntimeError(err::DeviceUnavailable);
    ui->Drive1->setCurrentIndex(row);
}

void Setup::setDirPath(const QString &folder)
{
    if (showFolder(folder))
        Dir1_Change();
}

bool Setup::showFolder(const QString &folder)
{
    const QString path = folderPath(folder);
    if (path == m_dirPath)
        return false;
    // Read the folder before touching the list, so a failure leaves it as it was.
    const QStringList subfolders = m_drives.folders(path);
    const QStringList unnamed = m_drives.unnamed(path, DriveSystem::Kind::Folders);
    const QStringList chain = folderChain(path);

    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QIcon &icon, const QString &text, const QString &itemPath, int depth) {
        auto *item = new QListWidgetItem(icon, text, ui->Dir1);
        item->setData(PathRole, itemPath);
        item->setData(DepthRole, depth);
        item->setToolTip(itemPath);
        if (itemPath.isEmpty())
            markUnnamed(*item, kFolderNotText);
    };
    {
        const QSignalBlocker blocker(ui->Dir1);
        ui->Dir1->clear();
        for (int depth = 0; depth < chain.size(); ++depth) {
            const QString &at = chain.at(depth);
            add(open, depth == 0 ? at : at.section(QDir::separator(), -1), at, depth);
        }
        for (const QString &name : subfolders)
            add(closed, name, subfolderPath(path, name), int(chain.size()));
        for (const QString &name : unnamed)
            add(closed, name, QString(), int(chain.size()));
        ui->Dir1->setCurrentRow(int(chain.size()) - 1);
        ui->Dir1->scrollToItem(ui->Dir1->currentItem(), QAbstractItemView::PositionAtTop);
    }
    m_dirPath = path;
    return true;
}

void Setup::setFilePath(const QString &folder)
{
    const QStringList programs = m_drives.programs(folder);
    const QStringList unnamed = m_drives.unnamed(folder, DriveSystem::Kind::Programs);
    const QSignalBlocker blocker(ui->File1);
    ui->File1->clear();
    ui->File1->addItems(programs);
    for (const QString &name : unnamed)
        markUnnamed(*new QListWidgetItem(name, ui->File1), kFileNotText);
    m_filePath = folder;
}

void Setup::connectClick(QListWidget &list, void (Setup::*handler)())
{
    // A click is a row chosen with the mouse or the keys, or a click on the
    // row already chosen, which changes no selection.
    connect(&list, &QListWidget::itemSelectionChanged, this, [this, &list, handler] {
        if (!list.selectedItems().isEmpty())
            (this->*handler)();
    });
    connect(&list, &QListWidget::itemClicked, this, [this, handler] {
        if (m_pressOnSelected)
            (this->*handler)();
    });
}

void Setup::openFolderAt(int row)
{
    const QListWidgetItem *item = ui->Dir1->item(row);
    if (!item)
        return;
    const QString folder = item->data(PathRole).toString();
    m_runtime.withoutRecovery([this, &folder] {
        // A folder removed since it was listed is not worth ending the
        // program for: say so, and the lists stay where they were.
        try {
            if (folder.isEmpty())
                m_runtime.MsgBox(kFolderNotText, vbOKOnly, QStringLiteral("注意"));
            else
                setDirPath(folder);
        } catch (const RuntimeError &e) {
            m_runtime.MsgBox(e.description(), vbOKOnly, QStringLiteral("エラー"));
        }
    });
}

bool Setup::eventFilter(QObject *watched, QEvent *event)
{
    QListWidget *list = watched == ui->Dir1->viewport()    ? ui->Dir1
                        : watched == ui->File1->viewport() ? ui->File1
                                                           : nullptr;
    if (list && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const QListWidgetItem *item = list->itemAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        // The platform's lists keep their selection when the blank part is clicked.
        if (!item)
            return true;
        if (event->type() == QEvent::MouseButtonPress)
            m_pressOnSelected = item->isSelected();
    }
    if (watched == ui->Dir1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openFolderAt(ui->Dir1->currentRow());
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

} // namespace kl
