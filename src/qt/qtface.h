#pragma once

#include "windows/face.h"

namespace kl::qt {

// The windows drawn by Qt Widgets from their Designer forms. Needs a
// QApplication for as long as any view lives.
class QtFace final : public Face
{
public:
    std::unique_ptr<MainView> main(kl::main &window) override;
    std::unique_ptr<SetupView> Setup(kl::Setup &window) override;
    std::unique_ptr<NamechengeView> namechenge(kl::namechenge &window) override;
    std::unique_ptr<SyoriView> syori(kl::syori &window) override;
    std::unique_ptr<AboutView> frmAbout(kl::frmAbout &window, MainView *owner) override;
};

} // namespace kl::qt
