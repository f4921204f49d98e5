#include "syori.h"
#include "ui_syori.h"

#include "forms.h"
#include "platform/runtime.h"
#include "store/appstore.h"

namespace kl {

syori::syori(const Platform &platform)
    : Form(nullptr, Qt::Tool)
    , ui(std::make_unique<Ui::syori>())
    , m_runtime(platform.runtime)
    , m_store(platform.store)
{
    ui->setupUi(this);
    fixClientSize(width(), height());
    setWindowIcon(QIcon());
    ui->Label1->setText(message());
    connect(ui->ok, &QPushButton::clicked, this, &syori::ok_Click);
}

syori::~syori() = default;

QString syori::message()
{
    return QStringLiteral("ここのOKを押しても、改善されなければ下記にメールを送ってください。")
        + QChar(0x3000) + QString(8, u' ')
        + QStringLiteral("ただし、OKを押すと登録されたリストは初期化されます。")
        + QString(20, u' ') + QStringLiteral("E-mail") + QString(3, u' ')
        + QStringLiteral("kicklist-support@example.jp");
}

void syori::ok_Click()
{
    m_runtime.withoutRecovery([this] {
        m_store.Reset();
        m_runtime.End();
    });
}

} // namespace kl
