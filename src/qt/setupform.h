#pragma once

#include "adapters.h"
#include "folderlists.h"
#include "form.h"
#include "ui_Setup.h"

#include "windows/face.h"

namespace kl::qt {

// The program picker drawn by Qt, its user's actions handed to kl::Setup.
class SetupForm final : public Dialog, public SetupView
{
    Q_OBJECT

public:
    explicit SetupForm(kl::Setup &window);
    ~SetupForm() override;

    Form &form() override { return m_form; }
    DriveListBox &Drive1() override { return m_drive1; }
    FolderListBox &Dir1() override { return m_dir1; }
    FileListBox &File1() override { return m_file1; }
    CommandButton &AddProgram() override { return m_addProgram; }
    CommandButton &cxsetup() override { return m_cxsetup; }

protected:
    void closeBox() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A click is a row chosen with the mouse or the keys, or a click on the
    // row already chosen, which changes no selection.
    void routeClick(QListWidget *list, void (kl::Setup::*handler)());
    void open(int row);

    kl::Setup &m_window;
    Ui::Setup ui;
    WindowForm m_form{*this};
    DriveCombo m_drive1;
    FolderList m_dir1;
    FileList m_file1;
    Button m_addProgram, m_cxsetup;
    // Whether the row under a mouse press was selected already: Qt raises no
    // selection change for it, yet the press is a click all the same.
    bool m_pressOnSelected = false;
};

} // namespace kl::qt
