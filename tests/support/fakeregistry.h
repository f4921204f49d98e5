#pragma once

#include "fakes.h"

#include "platform/registry.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace kl::test {

// An in-memory HKEY_LOCAL_MACHINE of keys holding one value each, answering
// as the Win32 calls do; names match without regard to case, handles count
// up from 1. Opens are logged as
//   RegOpenKeyEx 80000002 SOFTWARE\Test 0 20019     (" !" when the key is missing)
class FakeRegistry final : public Registry, private LogsTo
{
public:
    explicit FakeRegistry(CallLog &log) : LogsTo{log} {}

    struct Value { QString name; quint32 type; QByteArray data; };
    void put(const QString &key, const Value &value) { m_keys.insert(key.toCaseFolded(), value); }
    int openKeys() const { return int(m_open.size()); }

    long RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 sam, quint32 &key) override
    {
        const bool found = root == reg::LocalMachine && m_keys.contains(subKey.toCaseFolded());
        m_log.add(QStringLiteral("RegOpenKeyEx %1 %2 %3 %4").arg(root, 0, 16).arg(subKey).arg(options).arg(sam, 0, 16) + (found ? "" : " !"));
        if (found)
            m_open.insert(key = m_nextKey++, subKey.toCaseFolded());
        return found ? reg::Success : reg::FileNotFound;
    }

    // A buffer too short gets MoreData and the size needed, as the real call.
    long RegQueryValueEx(quint32 key, const QString &name, quint32 &type, QByteArray &buffer, quint32 &size) override
    {
        const Value value = m_keys.value(m_open.value(key));
        if (!m_open.contains(key) || value.name.compare(name, Qt::CaseInsensitive) != 0)
            return m_open.contains(key) ? reg::FileNotFound : reg::InvalidHandle;
        const bool fits = quint32(value.data.size()) <= std::min(size, quint32(buffer.size()));
        if (fits)
            std::memcpy(buffer.data(), value.data.constData(), value.data.size());
        std::tie(type, size) = std::pair(value.type, quint32(value.data.size()));
        return fits ? reg::Success : reg::MoreData;
    }

    long RegCloseKey(quint32 key) override { return m_open.remove(key) ? reg::Success : reg::InvalidHandle; }

private:
    QHash<QString, Value> m_keys; // folded key name -> its value
    QHash<quint32, QString> m_open; // handle -> folded key
    quint32 m_nextKey = 1;
};

} // namespace kl::test
