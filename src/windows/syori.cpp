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
    connect(ui->ok, &QPushButton::clicked, this, &syori::ok_Click);
}

syori::~syori() = default;

void syori::ok_Click()
{
    m_runtime.withoutRecovery([this] {
        m_store.Reset();
        m_runtime.End();
    });
}

} // namespace kl
