#include "frmAbout.h"
#include "ui_frmAbout.h"

#include "forms.h"

namespace kl {

frmAbout::frmAbout(const Platform &platform, Forms &forms)
    : ui(std::make_unique<Ui::frmAbout>())
{
    Q_UNUSED(platform);
    Q_UNUSED(forms);
    ui->setupUi(this);
    fixClientSize(width(), height());
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
}

} // namespace kl
