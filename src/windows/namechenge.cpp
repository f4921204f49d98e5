#include "namechenge.h"
#include "ui_namechenge.h"

#include "forms.h"

namespace kl {

namechenge::namechenge(const Platform &platform, Forms &forms)
    : ui(std::make_unique<Ui::namechenge>())
{
    Q_UNUSED(platform);
    Q_UNUSED(forms);
    ui->setupUi(this);
    fixClientSize(width(), height());
}

namechenge::~namechenge() = default;

void namechenge::OpenForRow(qint16 row)
{
    Q_UNUSED(row);
    show();
}

} // namespace kl
