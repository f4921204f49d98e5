#pragma once

#include "widgets/listwidgetcontrol.h"

#include <QWidget>

#include <array>
#include <memory>

namespace Ui {
class main;
}

namespace kl {

class AppStore;
class Forms;
class Runtime;
struct Platform;

// The list window: the registered programs by display name, and the buttons
// that start, add, remove and rename them. Its title-bar close box ends the
// program.
class main final : public QWidget
{
    Q_OBJECT

public:
    main(const Platform &platform, Forms &forms);
    ~main() override;

    // The list and the start-all button, as the dialogs change them.
    ListControl &List1() { return m_list; }
    EnabledFlag &AllRan() { return m_allRan; }

    // Shows the rows the store holds again, with none chosen. Used when the
    // store and the rows may have parted (a failed commit or removal).
    void reloadList() noexcept;

    void Form_Load();
    void List1_Click();
    void List1_DblClick();
    void Run_Click();
    void AllRan_Click();
    void AppAdd_Click();
    void AppDel_Click();
    void chenge_Click();
    void Command1_Click();
    void Exit_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The recovery step of every handler that runs with recovery.
    void recover();
    // The list is empty: start-all off, then the prompt and the picker, so
    // that a first program can be registered.
    void askForFirstProgram();
    // Remove, start and rename wait for a row to be chosen again.
    void disableRowButtons();
    // Slot of the scratch table; positions outside 0..100 fail.
    QString &slot(qint16 position);

    std::unique_ptr<Ui::main> ui;
    Runtime &m_runtime;
    AppStore &m_store;
    Forms &m_forms;
    ListWidgetControl m_list;
    ButtonEnabledFlag m_allRan;

    qint16 m_count = 0;
    qint16 m_position = 0;
    qint16 m_index = 0;
    std::array<QString, 101> m_slots;
};

} // namespace kl
