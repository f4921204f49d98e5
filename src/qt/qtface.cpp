#include "qtface.h"
#include "dialogs.h"
#include "mainform.h"
#include "setupform.h"

namespace kl::qt {

std::unique_ptr<MainView> QtFace::main(kl::main &window)
{
    return std::make_unique<MainForm>(window);
}

std::unique_ptr<SetupView> QtFace::Setup(kl::Setup &window)
{
    return std::make_unique<SetupForm>(window);
}

std::unique_ptr<NamechengeView> QtFace::namechenge(kl::namechenge &window)
{
    return std::make_unique<NamechengeForm>(window);
}

std::unique_ptr<SyoriView> QtFace::syori(kl::syori &window)
{
    return std::make_unique<SyoriForm>(window);
}

std::unique_ptr<AboutView> QtFace::frmAbout(kl::frmAbout &window, MainView *owner)
{
    // Views of this face are all widgets; another face's owner has no window here.
    return std::make_unique<AboutForm>(window, dynamic_cast<MainForm *>(owner));
}

} // namespace kl::qt
