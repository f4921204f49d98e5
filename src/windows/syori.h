#pragma once

#include "widgets/form.h"

#include <memory>

namespace Ui {
class syori;
}

namespace kl {

class AppStore;
class Runtime;
struct Platform;

// The recovery dialog: after a failure it offers to wipe the registered list.
// OK resets both counts and ends the program, so the next start is a first
// start; closing it lets the program go on.
class syori final : public Form
{
    Q_OBJECT

public:
    explicit syori(const Platform &platform);
    ~syori() override;

    void ok_Click();

private:
    std::unique_ptr<Ui::syori> ui;
    Runtime &m_runtime;
    AppStore &m_store;
};

} // namespace kl
