#pragma once

#include "face.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kl {

class AppStore;
class Forms;
class Runtime;
class StoreWatch;
struct Platform;

// The list window: the registered programs by display name, and the buttons
// that start, add, remove and rename them. Its title-bar close box ends the
// program.
class main final
{
public:
    main(const Platform &platform, Forms &forms);
    ~main();
    main(const main &) = delete;
    main &operator=(const main &) = delete;

    MainView &view() { return *m_view; }
    // The list and the start-all button, as the dialogs change them.
    ListControl &List1() { return m_view->List1(); }
    EnabledFlag &AllRan() { return m_view->AllRan(); }

    // Shows the rows the store holds again, with none chosen. Used when the
    // store and the rows may have parted (a failed commit or removal).
    void reloadList() noexcept;
    // Shows the store's rows again if they differ from those shown: another
    // process changed the store. The chosen row stays if its entry did.
    void followStore();
    // For a handler about to act on row (-1: none chosen): whether it still
    // shows the store's entry at its position (the name, within the count).
    // If not, the rows are shown again and the user is told; the handler
    // then does nothing else. With none chosen because rows shown again took
    // the user's choice, the user is told the same; with none chosen at all
    // it is true, and the handler's own rule applies (none acts on no row).
    bool rowShowsStore(std::int16_t row);

    // Handlers. The face calls List1_Click when the user chooses a row (not
    // when focus alone makes one current), List1_DblClick for a double-click
    // anywhere in the list, Unload for the close box.
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
    // Closing the list window ends the program, hidden dialogs and all.
    void Unload();

private:
    // The recovery step of every handler that runs with recovery.
    void recover();
    // The list is empty: start-all off, then the prompt and the picker, so
    // that a first program can be registered.
    void askForFirstProgram();
    // Remove, start and rename wait for a row to be chosen again.
    void disableRowButtons();
    // Slot of the scratch table; positions outside 0..100 fail.
    std::string &slot(std::int16_t position);
    std::vector<std::string> storedNames();
    std::vector<std::string> shownNames() const;
    void showRows(const std::vector<std::string> &names);
    // The store's file changed on disk: follow it.
    void storeChanged();

    Runtime &m_runtime;
    AppStore &m_store;
    Forms &m_forms;
    StoreWatch *m_storeWatch;
    std::unique_ptr<MainView> m_view;

    std::int16_t m_count = 0;
    std::int16_t m_position = 0;
    std::int16_t m_index = 0;
    // Rows shown again took the user's choice; a click chooses afresh.
    bool m_choiceDropped = false;
    std::array<std::string, 101> m_slots;
};

} // namespace kl
