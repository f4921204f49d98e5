#pragma once

#include "fakes.h"

#include "platform/registry.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace kl::test {

// An in-memory HKEY_LOCAL_MACHINE answering as the Win32 calls do; names
// match without regard to case, handles count up from 1. Logged as
//   RegOpenKeyEx 80000002 SOFTWARE\Test 0 20019 = 0 [1]   (the new handle)
//   RegQueryValueEx 1 PATH 1024 = 0                       (the size offered)
//   RegCloseKey 1 = 0
class FakeRegistry final : public Registry, private LogsTo
{
public:
    explicit FakeRegistry(CallLog &log) : LogsTo{log} {}

    void putValue(const QString &key, const QString &name, quint32 type, const QByteArray &data)
    {
        m_keys[key.toCaseFolded()].insert(name.toCaseFolded(), {type, data});
    }
    int openKeys() const { return int(m_open.size()); }

    long RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 sam, quint32 &key) override
    {
        const bool found = root == reg::LocalMachine && m_keys.contains(subKey.toCaseFolded());
        if (found)
            m_open.insert(key = m_nextKey++, subKey.toCaseFolded());
        return logged(QStringLiteral("RegOpenKeyEx %1 %2 %3 %4 = ").arg(hex(root), subKey).arg(options).arg(hex(sam)),
                      found ? reg::Success : reg::FileNotFound, found ? QStringLiteral(" [%1]").arg(key) : QString());
    }

    // A buffer too short gets MoreData and the size needed, as the real call.
    long RegQueryValueEx(quint32 key, const QString &name, quint32 &type, QByteArray &buffer, quint32 &size) override
    {
        const QString call = QStringLiteral("RegQueryValueEx %1 %2 %3 = ").arg(key).arg(name).arg(size);
        const auto values = m_keys.value(m_open.value(key));
        if (!m_open.contains(key) || !values.contains(name.toCaseFolded()))
            return logged(call, m_open.contains(key) ? reg::FileNotFound : reg::InvalidHandle);
        QByteArray data;
        std::tie(type, data) = values.value(name.toCaseFolded());
        const bool fits = quint32(data.size()) <= std::min(size, quint32(buffer.size()));
        if (fits)
            std::memcpy(buffer.data(), data.constData(), data.size());
        size = quint32(data.size());
        return logged(call, fits ? reg::Success : reg::MoreData);
    }

    long RegCloseKey(quint32 key) override
    {
        const long status = m_open.remove(key) ? reg::Success : reg::InvalidHandle;
        return logged(QStringLiteral("RegCloseKey %1 = ").arg(key), status);
    }

private:
    static QString hex(quint32 n) { return QString::number(n, 16).toUpper(); }
    long logged(const QString &call, long status, const QString &more = {})
    {
        m_log.add(call + QString::number(status) + more);
        return status;
    }

    QHash<QString, QHash<QString, std::pair<quint32, QByteArray>>> m_keys; // folded names -> type, data
    QHash<quint32, QString> m_open; // handle -> folded key
    quint32 m_nextKey = 1;
};

} // namespace kl::test
