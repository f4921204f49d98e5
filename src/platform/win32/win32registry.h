#pragma once

#include "platform/registry.h"

namespace kl {

// The machine's own registry, through advapi32's ANSI calls.
class Win32Registry final : public Registry
{
public:
    long RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                      quint32 &key) override;
    long RegQueryValueEx(quint32 key, const QString &valueName, quint32 &type, QByteArray &buffer,
                         quint32 &size) override;
    long RegCloseKey(quint32 key) override;
};

} // namespace kl
