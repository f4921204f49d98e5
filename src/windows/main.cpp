#include "main.h"
#include "ui_main.h"

#include "Setup.h"
#include "forms.h"
#include "frmAbout.h"
#include "namechenge.h"
#include "widgets/form.h"
#include "platform/runtime.h"
#include "store/appstore.h"
#include "syori.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QStringList>
#include <QMouseEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace kl {

namespace {
std::unique_ptr<Ui::main> createUi(QWidget *window)
{
    auto ui = std::make_unique<Ui::main>();
    ui->setupUi(window);
    return ui;
}

} // namespace

main::main(const Platform &platform, Forms &forms)
    : QWidget(nullptr, fixedWindowFlags(Qt::Window))
    , ui(createUi(this))
    , m_runtime(platform.runtime)
    , m_store(platform.store)
    , m_forms(forms)
    , m_list(*ui->List1)
    , m_allRan(*ui->AllRan)
    , m_storeFile(platform.storeFile)
{
    setFixedSize(size());
    setWindowIcon(programIcon());

    // A row chosen with the mouse or the arrow keys. Focus alone makes a row
    // current without selecting it, and must not count.
    connect(ui->List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_list.ListIndex() >= 0)
            List1_Click();
    });
    // A double-click counts anywhere in the list, rows or empty space.
    ui->List1->viewport()->installEventFilter(this);

    connect(ui->Run, &QPushButton::clicked, this, &main::Run_Click);
    connect(ui->AllRan, &QPushButton::clicked, this, &main::AllRan_Click);
    connect(ui->AppAdd, &QPushButton::clicked, this, &main::AppAdd_Click);
    connect(ui->AppDel, &QPushButton::clicked, this, &main::AppDel_Click);
    connect(ui->chenge, &QPushButton::clicked, this, &main::chenge_Click);
    connect(ui->Command1, &QPushButton::clicked, this, &main::Command1_Click);
    connect(ui->Exit, &QPushButton::clicked, this, &main::Exit_Click);

    // Armed on the first turn of the event loop, as arming costs a start
    // about a millisecond before the window shows; the rows are then checked
    // against the store, so no change after the first read goes unseen.
    if (!m_storeFile.isEmpty()) {
        connect(&m_storeWatch, &QFileSystemWatcher::fileChanged, this, &main::storeChanged);
        connect(&m_storeWatch, &QFileSystemWatcher::directoryChanged, this, &main::storeChanged);
        QTimer::singleShot(0, this, &main::storeChanged);
    }
}

main::~main() = default;

QString &main::slot(qint16 position)
{
    if (position < 0 || position >= qint16(m_slots.size()))
        throw RuntimeError(err::SubscriptOutOfRange);
    return m_slots[std::size_t(position)];
}

void main::recover()
{
    m_forms.syori().showModal(m_runtime);
}

void main::askForFirstProgram()
{
    ui->AllRan->setEnabled(false);
    m_runtime.MsgBox(QStringLiteral("起動するアプリケーションを登録してください。"), vbOKOnly, QStringLiteral("登録"));
    m_forms.Setup().showModal(m_runtime);
}

QStringList main::storedNames()
{
    const qint16 count = std::min(m_store.Count(), qint16(100));
    QStringList names;
    for (qint16 position = 1; position <= count; ++position)
        names.append(m_store.NameOf(position));
    return names;
}

QStringList main::shownNames() const
{
    QStringList names;
    for (qint16 row = 0; row < m_list.ListCount(); ++row)
        names.append(m_list.List(row));
    return names;
}

void main::showRows(const QStringList &names)
{
    m_list.Clear();
    for (const QString &name : names)
        m_list.setList(m_list.ListCount(), name);
    ui->AllRan->setEnabled(!names.isEmpty());
    disableRowButtons();
}

void main::reloadList() noexcept
{
    try {
        showRows(storedNames());
    } catch (const RuntimeError &) {
        // Unreadable: the failure being handled is the one the user hears
        // about; the rows stay as they are until the store reads again.
        disableRowButtons();
    }
}

void main::followStore()
{
    const QStringList names = storedNames();
    const QStringList shown = shownNames();
    if (names == shown)
        return;
    // The chosen row stays chosen while it shows the same entry.
    const qint16 chosen = m_list.ListIndex();
    showRows(names);
    if (chosen >= 0 && chosen < names.size() && names.at(chosen) == shown.at(chosen)) {
        const QSignalBlocker blocker(ui->List1);
        ui->List1->setCurrentRow(chosen);
        for (QPushButton *button : {ui->AppDel, ui->Run, ui->chenge})
            button->setEnabled(true);
    }
}

bool main::rowShowsStore(qint16 row)
{
    // No row chosen: none can have gone stale, and the handler's own rule applies.
    if (row < 0)
        return true;
    const qint16 position = qint16(row + 1);
    if (row < m_list.ListCount() && position <= m_store.Count() && m_store.NameOf(position) == m_list.List(row))
        return true;
    reloadList();
    m_runtime.MsgBox(QStringLiteral("一覧がほかで変更されていたため、表示し直しました。もう一度選択して下さい。"),
                     vbOKOnly, QStringLiteral("注意"));
    return false;
}

void main::watchStore()
{
    // A file replaced by a rename is another file: its path is watched
    // afresh. While the file's folder is missing, the deepest one there is
    // shows it coming.
    if (!m_storeWatch.files().isEmpty())
        m_storeWatch.removePaths(m_storeWatch.files());
    QString folder = QFileInfo(m_storeFile).path();
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot())
        folder = QFileInfo(folder).path();
    if (m_storeWatch.directories() != QStringList{folder}) {
        if (!m_storeWatch.directories().isEmpty())
            m_storeWatch.removePaths(m_storeWatch.directories());
        m_storeWatch.addPath(folder);
    }
    if (QFileInfo::exists(m_storeFile))
        m_storeWatch.addPath(m_storeFile);
}

void main::storeChanged()
{
    // A handler like any other, so that its reads end their transaction;
    // a store that cannot be read now is reported at the user's next action.
    m_runtime.withoutRecovery([this] {
        watchStore();
        try {
            followStore();
        } catch (const RuntimeError &) {
        }
    });
}

void main::disableRowButtons()
{
    ui->AppDel->setEnabled(false);
    ui->Run->setEnabled(false);
    ui->chenge->setEnabled(false);
}

void main::Form_Load()
{
    m_runtime.withRecovery(
        [this] {
            m_count = m_store.Count();
            if (m_count != 0) {
                for (m_position = 1; m_position <= m_count; ++m_position) {
                    slot(m_position) = m_store.NameOf(m_position);
                    m_list.setList(qint16(m_position - 1), slot(m_position));
                }
            }
            if (m_count == 0)
                askForFirstProgram();
            disableRowButtons();
        },
        [this] { recover(); });
}

void main::List1_Click()
{
    m_runtime.withoutRecovery([this] {
        ui->AppDel->setEnabled(true);
        ui->Run->setEnabled(true);
        ui->chenge->setEnabled(true);
    });
}

void main::List1_DblClick()
{
    m_runtime.withoutRecovery([this] { Run_Click(); });
}

void main::Run_Click()
{
    m_runtime.withRecovery(
        [this] {
            m_position = qint16(m_list.ListIndex() + 1);
            if (!rowShowsStore(qint16(m_position - 1)))
                return;
            slot(m_position) = m_store.PathOf(m_position);
            m_runtime.Shell(slot(m_position), vbNormalFocus);
            setWindowState(windowState() & ~Qt::WindowMinimized);
        },
        [this] { recover(); });
}

void main::AllRan_Click()
{
    m_runtime.withoutRecovery([this] {
        m_count = m_store.Count();
        for (m_position = 1; m_position <= m_count; ++m_position) {
            slot(m_position) = m_store.PathOf(m_position);
            // One program that cannot start must not stop the others: say
            // which one and why, then go on.
            try {
                m_runtime.Shell(slot(m_position), vbNormalFocus);
            } catch (const RuntimeError &e) {
                m_runtime.MsgBox(QStringLiteral("次のアプリケーションを起動できませんでした。\n%1\n%2")
                                     .arg(slot(m_position), e.description()),
                                 vbOKOnly, QStringLiteral("注意"));
            }
        }
        setWindowState(windowState() | Qt::WindowMinimized);
    });
}

void main::AppAdd_Click()
{
    m_runtime.withoutRecovery([this] {
        if (m_list.ListCount() >= 100)
            m_runtime.MsgBox(QStringLiteral("これ以上は登録できません。"), vbOKOnly, QStringLiteral("注意"));
        else
            m_forms.Setup().showModal(m_runtime);
    });
}

void main::AppDel_Click()
{
    m_runtime.withoutRecovery([this] {
        m_count = m_store.Count();
        m_index = qint16(m_list.ListIndex() + 1);
        if (!rowShowsStore(qint16(m_index - 1)))
            return;
        // The removal moves the later rows with the store's: they must be its.
        followStore();
        m_runtime.withRecovery(
            [this] {
                m_count = m_store.Remove(m_index, m_list);
                if (m_count == 0) {
                    m_list.Clear();
                    askForFirstProgram();
                }
                disableRowButtons();
            },
            [this] {
                // What ran of the removal stays in the store; show just that.
                reloadList();
                recover();
            });
    });
}

void main::chenge_Click()
{
    m_runtime.withoutRecovery([this] {
        m_count = m_list.ListIndex();
        m_forms.namechenge().OpenForRow(m_count);
    });
}

void main::Command1_Click()
{
    m_runtime.withoutRecovery([this] {
        kl::frmAbout &about = m_forms.frmAbout();
        about.show();
        about.raise();
        about.activateWindow();
    });
}

void main::Exit_Click()
{
    m_runtime.withoutRecovery([this] { m_runtime.End(); });
}

void main::closeEvent(QCloseEvent *event)
{
    // Closing the list window ends the program, hidden dialogs and all.
    event->accept();
    m_runtime.withoutRecovery([this] { m_runtime.End(); });
}

bool main::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->List1->viewport() && event->type() == QEvent::MouseButtonDblClick
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        List1_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kl
