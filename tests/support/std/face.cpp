#include "face.h"

#include "windows/Setup.h"
#include "windows/frmAbout.h"
#include "windows/main.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

#include <doctest/doctest.h>

namespace kl::test {

void FakeForm::Show()
{
    m_face.log.add("Show " + name);
    visible = true;
}

void FakeForm::ShowModal()
{
    m_face.log.add("ShowModal " + name);
    visible = true;
    m_face.runModal(*this);
}

void FakeFace::runModal(FakeForm &form)
{
    if (m_modals.empty() || m_modals.front().first != form.name)
        FAIL("a modal window no test answers: " << form.name);
    const auto step = std::move(m_modals.front().second);
    m_modals.pop_front();
    step();
    // A real modal wait would never end.
    if (form.visible)
        FAIL("the modal window " << form.name << " was left up");
}

FakeView::FakeView(FakeFace &face, const std::string &name)
    : face(face)
    , window(face, name)
{
    face.views[name] = this;
}

FakeView::~FakeView()
{
    if (face.views[window.name] == this)
        face.views.erase(window.name);
}

FakeMainView::FakeMainView(FakeFace &face, kl::main &w)
    : FakeView(face, "main")
    , list(face.log)
{
    handlers = {{"Run", [&w] { w.Run_Click(); }},           {"AllRan", [&w] { w.AllRan_Click(); }},
                {"AppAdd", [&w] { w.AppAdd_Click(); }},     {"AppDel", [&w] { w.AppDel_Click(); }},
                {"chenge", [&w] { w.chenge_Click(); }},     {"Command1", [&w] { w.Command1_Click(); }},
                {"Exit", [&w] { w.Exit_Click(); }},         {"close", [&w] { w.Unload(); }}};
}

FakeSetupView::FakeSetupView(FakeFace &face, kl::Setup &w)
    : FakeView(face, "Setup")
{
    handlers = {{"AddProgram", [&w] { w.AddProgram_Click(); }},
                {"cxsetup", [&w] { w.cxsetup_Click(); }},
                {"close", [&w] { w.Unload(); }}};
}

FakeNamechengeView::FakeNamechengeView(FakeFace &face, kl::namechenge &w)
    : FakeView(face, "namechenge")
{
    handlers = {{"chenge", [&w] { w.chenge_Click(); }},
                {"clear", [&w] { w.clear_Click(); }},
                {"cancel", [&w] { w.cancel_Click(); }},
                {"close", [&w] { w.Unload(); }}};
}

FakeSyoriView::FakeSyoriView(FakeFace &face, kl::syori &w)
    : FakeView(face, "syori")
{
    handlers = {{"ok", [&w] { w.ok_Click(); }}, {"close", [&w] { w.Unload(); }}};
}

FakeAboutView::FakeAboutView(FakeFace &face, kl::frmAbout &w, MainView *owner)
    : FakeView(face, "frmAbout")
    , owner(owner)
{
    handlers = {{"cmdOK", [&w] { w.cmdOK_Click(); }},
                {"cmdSysInfo", [&w] { w.cmdSysInfo_Click(); }},
                {"close", [&w] { w.Unload(); }}};
}

} // namespace kl::test
