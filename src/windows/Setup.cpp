#include "Setup.h"
#include "ui_Setup.h"

#include "forms.h"

namespace kl {

Setup::Setup(const Platform &platform, Forms &forms)
    : ui(std::make_unique<Ui::Setup>())
{
    Q_UNUSED(platform);
    Q_UNUSED(forms);
    ui->setupUi(this);
    fixClientSize(width(), height());
}

Setup::~Setup() = default;

void Setup::Form_Load()
{
}

} // namespace kl
