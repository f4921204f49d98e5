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
#include <QStringList>
#include <QMouseEvent>

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

void main::reloadList() noexcept
{
    try {
        const qint16 count = std::min(m_store.Count(), qint16(100));
        QStringList names;
        for (qint16 position = 1; position <= count; ++position)
            names.append(m_store.NameOf(position));
        m_list.Clear();
        for (const QString &name : std::as_const(names))
            m_list.setList(m_list.ListCount(), name);
        ui->AllRan->setEnabled(count > 0);
    } catch (const RuntimeError &) {
        // Unreadable: the failure being handled is the one the user hears
        // about; the rows stay as they are until the store reads again.
    }
    disableRowButtons();
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
