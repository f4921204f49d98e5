#pragma once

#include "adapters.h"
#include "form.h"
#include "ui_frmAbout.h"
#include "ui_namechenge.h"
#include "ui_syori.h"

#include "windows/face.h"

namespace kl::qt {

// The rename dialog drawn by Qt: a window of its own, the keys typed into
// its name box handed to kl::namechenge first.
class NamechengeForm final : public Dialog, public NamechengeView
{
    Q_OBJECT

public:
    explicit NamechengeForm(kl::namechenge &window);
    ~NamechengeForm() override;

    Form &form() override { return m_form; }
    Label &whatname() override { return m_whatname; }
    TextBox &Text1() override { return m_text1; }
    CommandButton &chenge() override { return m_chenge; }
    CommandButton &clear() override { return m_clear; }
    CommandButton &cancel() override { return m_cancel; }

protected:
    void closeBox() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    kl::namechenge &m_window;
    Ui::namechenge ui;
    WindowForm m_form{*this};
    LabelText m_whatname;
    LineEdit m_text1;
    Button m_chenge, m_clear, m_cancel;
};

// The recovery dialog: a tool window with no icon, where Enter and Esc do
// nothing (its one button ends the program).
class SyoriForm final : public Dialog, public SyoriView
{
    Q_OBJECT

public:
    explicit SyoriForm(kl::syori &window);
    ~SyoriForm() override;

    Form &form() override { return m_form; }
    CommandButton &ok() override { return m_ok; }

protected:
    void closeBox() override;

private:
    kl::syori &m_window;
    Ui::syori ui;
    WindowForm m_form{*this};
    Button m_ok;
};

// The about box, owned by the list window; Enter and Esc press OK.
class AboutForm final : public Dialog, public AboutView
{
    Q_OBJECT

public:
    AboutForm(kl::frmAbout &window, QWidget *owner);
    ~AboutForm() override;

    Form &form() override { return m_form; }
    Label &lblVersion() override { return m_lblVersion; }
    Label &lblTitle() override { return m_lblTitle; }
    CommandButton &cmdOK() override { return m_cmdOK; }
    CommandButton &cmdSysInfo() override { return m_cmdSysInfo; }

protected:
    void closeBox() override;
    // Esc presses OK: the box is unloaded, not merely hidden.
    void reject() override;

private:
    kl::frmAbout &m_window;
    Ui::frmAbout ui;
    WindowForm m_form{*this};
    LabelText m_lblVersion, m_lblTitle;
    Button m_cmdOK, m_cmdSysInfo;
};

} // namespace kl::qt
