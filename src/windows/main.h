#pragma once

#include "widgets/listwidgetcontrol.h"

#include <QFileSystemWatcher>
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
    // Shows the store's rows again if they differ from those shown: another
    // process changed the store. The chosen row stays if its entry did.
    void followStore();
    // For a handler about to act on row (-1: none chosen): whether it still
    // shows the store's entry at its position (the name, within the count).
    // If not, the rows are shown again and the user is told; the handler
    // then does nothing else.
    bool rowShowsStore(qint16 row);

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
    QStringList storedNames();
    QStringList shownNames() const;
    void showRows(const QStringList &names);
    // The settings file changed on disk: watch it afresh, then follow it.
    void storeChanged();
    void watchStore();

    std::unique_ptr<Ui::main> ui;
    Runtime &m_runtime;
    AppStore &m_store;
    Forms &m_forms;
    ListWidgetControl m_list;
    ButtonEnabledFlag m_allRan;
    const QString m_storeFile;
    QFileSystemWatcher m_storeWatch;

    qint16 m_count = 0;
    qint16 m_position = 0;
    qint16 m_index = 0;
    std::array<QString, 101> m_slots;
};

} // namespace kl
