#pragma once

#include "platform/form.h"

#include <memory>

namespace Ui {
class namechenge;
}

namespace kl {

class Forms;
struct Platform;

// Stand-in until the real window lands: its design's caption and size only.
class namechenge final : public Form
{
    Q_OBJECT

public:
    namechenge(const Platform &platform, Forms &forms);
    ~namechenge() override;

    void OpenForRow(qint16 row);

private:
    std::unique_ptr<Ui::namechenge> ui;
};

} // namespace kl
