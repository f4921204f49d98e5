#pragma once

#include "platform/services.h"

namespace kl::qt {

// Message boxes drawn by Qt, with the button texts fixed in Japanese whatever
// the system language, and Esc or the close box answering Cancel.
class QtMessageBoxes final : public MessageBoxes
{
public:
    int MsgBox(const std::string &prompt, int buttons, const std::string &title) override;
};

} // namespace kl::qt
