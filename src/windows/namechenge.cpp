#include "namechenge.h"
#include "ui_namechenge.h"

#include "forms.h"
#include "main.h"
#include "platform/numbers.h"
#include "platform/runtime.h"
#include "store/appstore.h"

#include <QKeyEvent>

#include <limits>

namespace kl {

namespace {

// Windows virtual-key codes of the keys Text1 acts on, and the shift bits.
constexpr int vbKeyReturn = 13;
constexpr int vbKeyEscape = 27;
constexpr int vbKeyEnd = 35;
constexpr int vbKeyHome = 36;
constexpr int vbShiftMask = 1;
constexpr int vbCtrlMask = 2;
constexpr int vbAltMask = 4;

int virtualKey(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vbKeyReturn;
    case Qt::Key_Escape:
        return vbKeyEscape;
    case Qt::Key_End:
        return vbKeyEnd;
    case Qt::Key_Home:
        return vbKeyHome;
    default:
        return 0;
    }
}

int shiftState(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return (modifiers & Qt::ShiftModifier ? vbShiftMask : 0) | (modifiers & Qt::ControlModifier ? vbCtrlMask : 0)
        | (modifiers & Qt::AltModifier ? vbAltMask : 0);
}

} // namespace

namechenge::namechenge(const Platform &platform, Forms &forms)
    : Form(nullptr, Qt::Window)
    , ui(std::make_unique<Ui::namechenge>())
    , m_runtime(platform.runtime)
    , m_store(platform.store)
    , m_forms(forms)
{
    ui->setupUi(this);
    fixClientSize(width(), height());
    ui->Text1->setFocus();
    // A name has no length limit; the text box would cut it at 32,767 characters.
    ui->Text1->setMaxLength(std::numeric_limits<int>::max());
    ui->Text1->installEventFilter(this);

    connect(ui->chenge, &QPushButton::clicked, this, &namechenge::chenge_Click);
    connect(ui->clear, &QPushButton::clicked, this, &namechenge::clear_Click);
    connect(ui->cancel, &QPushButton::clicked, this, &namechenge::cancel_Click);
}

namechenge::~namechenge() = default;

void namechenge::OpenForRow(qint16 row)
{
    m_runtime.withoutRecovery([this, row] {
        const qint16 position = add16(row, 1);
        SettingsStore &settings = m_runtime.settings();
        ui->whatname->setText(settings.GetSetting(AppStore::application(), QStringLiteral("setapp"), str(position),
                                                  QStringLiteral("None")));
        ui->Text1->setText(
            settings.GetSetting(AppStore::application(), QStringLiteral("appnames"), str(position), QString()));
        show();
        raise();
        activateWindow();
    });
}

void namechenge::chenge_Click()
{
    m_runtime.withoutRecovery([this] {
        const QString text = ui->Text1->text();
        if (text.isEmpty()) {
            m_runtime.MsgBox(QStringLiteral("名前を入力して下さい。"), vbOKOnly, QStringLiteral("名前の変更"));
            return;
        }
        kl::main &window = m_forms.main();
        ListControl &list = window.List1();
        m_position = add16(list.ListIndex(), 1);
        // The entry may have been removed while the dialog stayed open: there
        // is no row to rename then, and the typed name stays for another try.
        if (m_position == 0) {
            m_runtime.MsgBox(QStringLiteral("変更するアプリケーションを一覧で選択して下さい。"), vbOKOnly,
                             QStringLiteral("名前の変更"));
            return;
        }
        if (!window.rowShowsStore(qint16(m_position - 1)))
            return;
        m_store.Rename(m_position, text);
        list.setList(qint16(m_position - 1), text);
        ui->whatname->setText(QString());
        hide();
    });
}

void namechenge::clear_Click()
{
    m_runtime.withoutRecovery([this] { ui->Text1->setText(QString()); });
}

void namechenge::cancel_Click()
{
    m_runtime.withoutRecovery([this] { hide(); });
}

void namechenge::Text1_KeyDown(int keyCode, int shift)
{
    Q_UNUSED(shift);
    m_runtime.withoutRecovery([this, keyCode] {
        switch (keyCode) {
        case vbKeyReturn:
            chenge_Click();
            break;
        case vbKeyEscape:
        case vbKeyEnd:
            cancel_Click();
            break;
        case vbKeyHome:
            clear_Click();
            break;
        default:
            break;
        }
    });
}

bool namechenge::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Text1 && event->type() == QEvent::KeyPress) {
        const auto &key = *static_cast<QKeyEvent *>(event);
        Text1_KeyDown(virtualKey(key), shiftState(key));
        // The text box then takes the key as usual, unless the window went.
        return !isVisible() || isUnloaded();
    }
    return Form::eventFilter(watched, event);
}

} // namespace kl
