#include "main.h"

#include "Setup.h"
#include "forms.h"
#include "frmAbout.h"
#include "namechenge.h"
#include "platform/runtime.h"
#include "store/appstore.h"
#include "syori.h"

#include <utility>

namespace kl {

main::main(const Platform &platform, Forms &forms)
    : m_runtime(platform.runtime)
    , m_store(platform.store)
    , m_forms(forms)
    , m_storeWatch(platform.storeWatch)
    , m_view(platform.face.main(*this))
{
    // The first call comes soon after, from the event loop: the rows are then
    // checked against the store, so no change after the first read goes unseen.
    if (m_storeWatch)
        m_storeWatch->follow([this] { storeChanged(); });
}

main::~main()
{
    if (m_storeWatch)
        m_storeWatch->follow({});
}

std::string &main::slot(std::int16_t position)
{
    if (position < 0 || position >= std::int16_t(m_slots.size()))
        throw RuntimeError(err::SubscriptOutOfRange);
    return m_slots[std::size_t(position)];
}

void main::recover()
{
    m_forms.syori().showModal();
}

void main::askForFirstProgram()
{
    m_view->AllRan().setEnabled(false);
    m_runtime.MsgBox("起動するアプリケーションを登録してください。", vbOKOnly, "登録");
    m_forms.Setup().showModal();
}

std::vector<std::string> main::storedNames()
{
    const std::int16_t count = m_store.CheckedCount();
    std::vector<std::string> names;
    for (std::int16_t position = 1; position <= count; ++position)
        names.push_back(m_store.NameOf(position));
    return names;
}

std::vector<std::string> main::shownNames() const
{
    ListControl &list = m_view->List1();
    std::vector<std::string> names;
    for (std::int16_t row = 0; row < list.ListCount(); ++row)
        names.push_back(list.List(row));
    return names;
}

void main::showRows(const std::vector<std::string> &names)
{
    ListControl &list = m_view->List1();
    list.Clear();
    for (const std::string &name : names)
        list.setList(list.ListCount(), name);
    m_view->AllRan().setEnabled(!names.empty());
    disableRowButtons();
}

void main::reloadList() noexcept
{
    try {
        showRows(storedNames());
    } catch (const RuntimeError &) {
        // Unreadable: the failure being handled is the one the user hears
        // about; the rows stay as they are until the store reads again.
        disableRowButtons();
    }
}

void main::followStore()
{
    const std::vector<std::string> names = storedNames();
    const std::vector<std::string> shown = shownNames();
    if (names == shown)
        return;
    // The chosen row stays chosen while it shows the same entry.
    const std::int16_t chosen = m_view->List1().ListIndex();
    showRows(names);
    if (chosen >= 0 && std::size_t(chosen) < names.size() && names[std::size_t(chosen)] == shown[std::size_t(chosen)]) {
        m_view->List1().setListIndex(chosen);
        m_view->AppDel().setEnabled(true);
        m_view->Run().setEnabled(true);
        m_view->chenge().setEnabled(true);
    } else if (chosen >= 0) {
        m_choiceDropped = true;
    }
}

bool main::rowShowsStore(std::int16_t row)
{
    ListControl &list = m_view->List1();
    if (row < 0) {
        // No row chosen is never damage: either the user's choice went with
        // rows shown again (say so), or there was none (the handler's rule).
        if (!std::exchange(m_choiceDropped, false))
            return true;
    } else {
        const std::int16_t position = std::int16_t(row + 1);
        if (row < list.ListCount() && position <= m_store.Count() && m_store.NameOf(position) == list.List(row))
            return true;
        reloadList();
    }
    m_runtime.MsgBox("一覧がほかで変更されていたため、表示し直しました。もう一度選択して下さい。", vbOKOnly, "注意");
    return false;
}

void main::storeChanged()
{
    // A handler like any other, so that its reads end their transaction;
    // a store that cannot be read now is reported at the user's next action,
    // and one in use is read again as soon as it is free.
    m_runtime.withoutRecovery([this] {
        try {
            followStore();
        } catch (const RuntimeError &e) {
            if (e.isBusy() && m_storeWatch)
                m_storeWatch->retry();
        }
    });
}

void main::disableRowButtons()
{
    m_view->AppDel().setEnabled(false);
    m_view->Run().setEnabled(false);
    m_view->chenge().setEnabled(false);
}

void main::Form_Load()
{
    m_runtime.withRecovery(
        [this] {
            try {
                m_count = m_store.CheckedCount();
            } catch (const RuntimeError &e) {
                // In use, not damaged: nothing is listed, so nothing can be
                // chosen or started, until the rows come by themselves. No
                // first-start prompt either: the list may well hold entries.
                if (e.isBusy()) {
                    showRows({});
                    if (m_storeWatch)
                        m_storeWatch->retry();
                }
                throw;
            }
            if (m_count != 0) {
                for (m_position = 1; m_position <= m_count; ++m_position) {
                    slot(m_position) = m_store.NameOf(m_position);
                    m_view->List1().setList(std::int16_t(m_position - 1), slot(m_position));
                }
            }
            if (m_count == 0)
                askForFirstProgram();
            disableRowButtons();
        },
        [this] { recover(); });
}

void main::List1_Click()
{
    m_runtime.withoutRecovery([this] {
        m_choiceDropped = false;
        m_view->AppDel().setEnabled(true);
        m_view->Run().setEnabled(true);
        m_view->chenge().setEnabled(true);
    });
}

void main::List1_DblClick()
{
    m_runtime.withoutRecovery([this] { Run_Click(); });
}

void main::Run_Click()
{
    m_runtime.withRecovery(
        [this] {
            m_position = std::int16_t(m_view->List1().ListIndex() + 1);
            if (!rowShowsStore(std::int16_t(m_position - 1)) || m_position == 0)
                return;
            slot(m_position) = m_store.PathOf(m_position);
            m_runtime.Shell(slot(m_position), vbNormalFocus);
            if (m_view->form().WindowState() == vbMinimized)
                m_view->form().setWindowState(vbNormal);
        },
        [this] { recover(); });
}

void main::AllRan_Click()
{
    m_runtime.withoutRecovery([this] {
        m_count = m_store.CheckedCount();
        for (m_position = 1; m_position <= m_count; ++m_position) {
            slot(m_position) = m_store.PathOf(m_position);
            // One program that cannot start must not stop the others: say
            // which one and why, then go on.
            try {
                m_runtime.Shell(slot(m_position), vbNormalFocus);
            } catch (const RuntimeError &e) {
                m_runtime.MsgBox("次のアプリケーションを起動できませんでした。\n" + slot(m_position) + "\n" + e.description(),
                                 vbOKOnly, "注意");
            }
        }
        m_view->form().setWindowState(vbMinimized);
    });
}

void main::AppAdd_Click()
{
    m_runtime.withoutRecovery([this] {
        if (m_view->List1().ListCount() >= 100)
            m_runtime.MsgBox("これ以上は登録できません。", vbOKOnly, "注意");
        else
            m_forms.Setup().showModal();
    });
}

void main::AppDel_Click()
{
    m_runtime.withoutRecovery([this] {
        m_count = m_store.Count();
        m_index = std::int16_t(m_view->List1().ListIndex() + 1);
        if (!rowShowsStore(std::int16_t(m_index - 1)) || m_index == 0)
            return;
        // The removal moves the later rows with the store's: they must be its.
        followStore();
        m_runtime.withRecovery(
            [this] {
                m_count = m_store.Remove(m_index, m_view->List1());
                if (m_count == 0) {
                    m_view->List1().Clear();
                    askForFirstProgram();
                }
                disableRowButtons();
            },
            [this] {
                // What ran of the removal stays in the store; show just that.
                reloadList();
                recover();
            });
    });
}

void main::chenge_Click()
{
    m_runtime.withoutRecovery([this] {
        m_count = m_view->List1().ListIndex();
        m_forms.namechenge().OpenForRow(m_count);
    });
}

void main::Command1_Click()
{
    m_runtime.withoutRecovery([this] { m_forms.frmAbout().view().form().Show(); });
}

void main::Exit_Click()
{
    m_runtime.withoutRecovery([this] { m_runtime.End(); });
}

void main::Unload()
{
    m_runtime.withoutRecovery([this] { m_runtime.End(); });
}

} // namespace kl
