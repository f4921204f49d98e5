#pragma once

#include "fakes.h"

#include "platform/registry.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <cstring>

namespace kl::test {

// An in-memory HKEY_LOCAL_MACHINE answering as the Win32 calls do. Calls are
// logged as
//   RegOpenKeyEx 80000002 SOFTWARE\Test 0 2003F = 0 [1]        (new handle)
//   RegQueryValueEx 1 PATH 1024/1024 zeroed = 0 type 1 size 12
//       (size offered / buffer size, whether the offered bytes were all
//        zero, then the status with the type and size handed back)
//   RegCloseKey 1 = 0
// Handles count up from 1. Key and value names match without regard to case.
class FakeRegistry final : public Registry
{
public:
    explicit FakeRegistry(CallLog &log)
        : m_log(log)
    {
    }

    // Arranging, without logging.
    void putKey(const QString &key) { m_keys[fold(key)]; }
    void putValue(const QString &key, const QString &name, quint32 type, const QByteArray &data)
    {
        m_keys[fold(key)].insert(fold(name), Value{type, data});
    }
    // A text value as the registry holds one: with its terminating zero byte.
    void putText(const QString &key, const QString &name, const QString &text)
    {
        putValue(key, name, reg::TypeSz, text.toLocal8Bit() + '\0');
    }
    // Opening key fails with status.
    void denyKey(const QString &key, long status = reg::AccessDenied) { m_denied.insert(fold(key), status); }

    int openKeys() const { return int(m_open.size()); }

    long RegOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                      quint32 &key) override
    {
        long status = reg::Success;
        if (root != reg::LocalMachine)
            status = reg::InvalidHandle;
        else if (m_denied.contains(fold(subKey)))
            status = m_denied.value(fold(subKey));
        else if (!m_keys.contains(fold(subKey)))
            status = reg::FileNotFound;
        QString line = QStringLiteral("RegOpenKeyEx %1 %2 %3 %4 = %5")
                           .arg(QString::number(root, 16).toUpper(), subKey)
                           .arg(options)
                           .arg(QString::number(samDesired, 16).toUpper())
                           .arg(status);
        if (status == reg::Success) {
            key = m_nextKey++;
            m_open.insert(key, fold(subKey));
            line += QStringLiteral(" [%1]").arg(key);
        }
        m_log.add(line);
        return status;
    }

    long RegQueryValueEx(quint32 key, const QString &valueName, quint32 &type, QByteArray &buffer,
                         quint32 &size) override
    {
        const quint32 offered = std::min(size, quint32(buffer.size()));
        const bool zeroed = std::all_of(buffer.cbegin(), buffer.cbegin() + offered, [](char c) { return c == 0; });
        QString line = QStringLiteral("RegQueryValueEx %1 %2 %3/%4 %5 = ")
                           .arg(key)
                           .arg(valueName)
                           .arg(size)
                           .arg(buffer.size())
                           .arg(zeroed ? QStringLiteral("zeroed") : QStringLiteral("dirty"));
        long status = reg::Success;
        if (!m_open.contains(key)) {
            status = reg::InvalidHandle;
        } else {
            const auto values = m_keys.value(m_open.value(key));
            if (!values.contains(fold(valueName))) {
                status = reg::FileNotFound;
            } else {
                const Value &value = *values.find(fold(valueName));
                type = value.type;
                if (quint32(value.data.size()) > offered) {
                    status = reg::MoreData;
                } else {
                    std::memcpy(buffer.data(), value.data.constData(), std::size_t(value.data.size()));
                }
                size = quint32(value.data.size());
            }
        }
        line += QString::number(status);
        if (status == reg::Success || status == reg::MoreData)
            line += QStringLiteral(" type %1 size %2").arg(type).arg(size);
        m_log.add(line);
        return status;
    }

    long RegCloseKey(quint32 key) override
    {
        const long status = m_open.remove(key) ? reg::Success : reg::InvalidHandle;
        m_log.add(QStringLiteral("RegCloseKey %1 = %2").arg(key).arg(status));
        return status;
    }

private:
    struct Value
    {
        quint32 type = 0;
        QByteArray data;
    };

    static QString fold(const QString &name) { return name.toCaseFolded(); }

    CallLog &m_log;
    QHash<QString, QHash<QString, Value>> m_keys; // folded key -> folded value name -> value
    QHash<QString, long> m_denied;
    QMap<quint32, QString> m_open; // handle -> folded key
    quint32 m_nextKey = 1;
};

} // namespace kl::test
