#pragma once

#include "widgets/form.h"

#include <memory>

namespace Ui {
class namechenge;
}

namespace kl {

class AppStore;
class Forms;
class Runtime;
struct Platform;

// The rename dialog: shows a registered program's path and lets the user
// change its display name. Modeless, with a taskbar button of its own; the
// row it renames is the one selected in the list window when the user
// confirms, not the one it was opened for.
class namechenge final : public Form
{
    Q_OBJECT

public:
    namechenge(const Platform &platform, Forms &forms);
    ~namechenge() override;

    // Fills the dialog for a row of the list window (-1: none) and shows it.
    void OpenForRow(qint16 row);

    void chenge_Click();
    void clear_Click();
    void cancel_Click();
    // keyCode is a Windows virtual-key code; shift is not looked at.
    void Text1_KeyDown(int keyCode, int shift);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::namechenge> ui;
    Runtime &m_runtime;
    AppStore &m_store;
    Forms &m_forms;

    qint16 m_position = 0;
};

} // namespace kl
