#pragma once

#include "adapters.h"
#include "ui_main.h"

#include "windows/face.h"

#include <QWidget>

namespace kl::qt {

// The list window drawn by Qt: its design, and the user's actions handed to
// the handlers of kl::main.
class MainForm final : public QWidget, public MainView
{
    Q_OBJECT

public:
    explicit MainForm(kl::main &window);
    ~MainForm() override;

    Form &form() override { return m_form; }
    ListControl &List1() override { return m_list; }
    CommandButton &Run() override { return m_run; }
    CommandButton &AllRan() override { return m_allRan; }
    CommandButton &AppAdd() override { return m_appAdd; }
    CommandButton &AppDel() override { return m_appDel; }
    CommandButton &chenge() override { return m_chenge; }
    CommandButton &Command1() override { return m_command1; }
    CommandButton &Exit() override { return m_exit; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void route(QPushButton *button, void (kl::main::*handler)());

    kl::main &m_window;
    Ui::main ui;
    WindowForm m_form{*this};
    ListWidgetControl m_list;
    Button m_run, m_allRan, m_appAdd, m_appDel, m_chenge, m_command1, m_exit;
};

} // namespace kl::qt
