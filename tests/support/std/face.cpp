#include "face.h"

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
    , log(face.log)
    , window(face, name)
{
    face.views[name] = this;
}

FakeView::~FakeView()
{
    if (face.views[window.name] == this)
        face.views.erase(window.name);
}

} // namespace kl::test
