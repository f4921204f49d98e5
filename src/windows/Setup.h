#pragma once

#include "platform/form.h"

#include <memory>

namespace Ui {
class Setup;
}

namespace kl {

class Forms;
struct Platform;

// Stand-in until the real window lands: its design's caption and size only.
class Setup final : public Form
{
    Q_OBJECT

public:
    Setup(const Platform &platform, Forms &forms);
    ~Setup() override;

    void Form_Load();

private:
    std::unique_ptr<Ui::Setup> ui;
};

} // namespace kl
