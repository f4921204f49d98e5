#pragma once

#include "platform/form.h"

#include <memory>

namespace Ui {
class frmAbout;
}

namespace kl {

class Forms;
struct Platform;

// Stand-in until the real window lands: its design's caption and size only.
class frmAbout final : public Form
{
    Q_OBJECT

public:
    frmAbout(const Platform &platform, Forms &forms);
    ~frmAbout() override;

    void Form_Load();

private:
    std::unique_ptr<Ui::frmAbout> ui;
};

} // namespace kl
