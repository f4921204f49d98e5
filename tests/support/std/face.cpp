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
    face.log.add("Show " + name);
    visible = true;
}

void FakeForm::ShowModal()
{
    face.log.add("ShowModal " + name);
    visible = true;
    face.runModal(*this);
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
    on(w, {{"Run", &main::Run_Click}, {"AllRan", &main::AllRan_Click}, {"AppAdd", &main::AppAdd_Click},
           {"AppDel", &main::AppDel_Click}, {"chenge", &main::chenge_Click}, {"Command1", &main::Command1_Click},
           {"Exit", &main::Exit_Click}, {"close", &main::Unload}});
}

FakeSetupView::FakeSetupView(FakeFace &face, kl::Setup &w)
    : FakeView(face, "Setup")
{
    on(w, {{"AddProgram", &Setup::AddProgram_Click}, {"cxsetup", &Setup::cxsetup_Click}, {"close", &Setup::Unload}});
}

FakeNamechengeView::FakeNamechengeView(FakeFace &face, kl::namechenge &w)
    : FakeView(face, "namechenge")
{
    on(w, {{"chenge", &namechenge::chenge_Click}, {"clear", &namechenge::clear_Click},
           {"cancel", &namechenge::cancel_Click}, {"close", &namechenge::Unload}});
}

FakeSyoriView::FakeSyoriView(FakeFace &face, kl::syori &w)
    : FakeView(face, "syori")
{
    on(w, {{"ok", &syori::ok_Click}, {"close", &syori::Unload}});
}

FakeAboutView::FakeAboutView(FakeFace &face, kl::frmAbout &w, MainView *owner)
    : FakeView(face, "frmAbout")
    , owner(owner)
{
    on(w, {{"cmdOK", &frmAbout::cmdOK_Click}, {"cmdSysInfo", &frmAbout::cmdSysInfo_Click}, {"close", &frmAbout::Unload}});
}

} // namespace kl::test
