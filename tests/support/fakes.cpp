#include "fakes.h"

namespace kl::test {

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

QStringList CallLog::matching(const QString &prefix) const
{
    QStringList result;
    for (const QString &call : calls) {
        if (call.startsWith(prefix))
            result.append(call);
    }
    return result;
}

FakeSettings::FakeSettings(CallLog &log)
    : m_log(log)
{
}

QString FakeSettings::id(const QString &section, const QString &key)
{
    return section.toCaseFolded() + u'/' + key.toCaseFolded();
}

QString FakeSettings::GetSetting(const QString &app, const QString &section, const QString &key, const QString &def)
{
    Q_ASSERT(app.compare(QStringLiteral("Kicklist"), Qt::CaseInsensitive) == 0);
    const QString call = QStringLiteral("Get %1/%2 [%3]").arg(section, key, def);
    m_log.add(call);
    return m_values.value(id(section, key), def);
}

void FakeSettings::SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value)
{
    Q_ASSERT(app.compare(QStringLiteral("Kicklist"), Qt::CaseInsensitive) == 0);
    const QString call = QStringLiteral("Save %1/%2 = %3").arg(section, key, value);
    m_log.add(call);
    m_values.insert(id(section, key), value);
    m_dirty = true;
}

void FakeSettings::DeleteSetting(const QString &app, const QString &section, const QString &key)
{
    Q_ASSERT(app.compare(QStringLiteral("Kicklist"), Qt::CaseInsensitive) == 0);
    const QString call = QStringLiteral("Delete %1/%2").arg(section, key);
    if (!m_values.contains(id(section, key))) {
        m_log.add(call + QStringLiteral(" !"));
        throw RuntimeError(err::InvalidProcedureCall);
    }
    m_log.add(call);
    m_values.remove(id(section, key));
    m_dirty = true;
}

void FakeSettings::commit()
{
    if (!m_dirty)
        return;
    m_dirty = false;
    ++commits;
    m_log.add(QStringLiteral("Commit"));
}

void FakeSettings::put(const QString &section, const QString &key, const QString &value)
{
    m_values.insert(id(section, key), value);
}

void FakeSettings::erase(const QString &section, const QString &key)
{
    m_values.remove(id(section, key));
}

std::optional<QString> FakeSettings::value(const QString &section, const QString &key) const
{
    const auto it = m_values.constFind(id(section, key));
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

void FakeSettings::putPrograms(int n)
{
    put(QStringLiteral("SetApp"), QStringLiteral("AppCount"), QString::number(n));
    put(QStringLiteral("Appnames"), QStringLiteral("AppCount"), QString::number(n));
    for (int p = 1; p <= n; ++p) {
        put(QStringLiteral("SetApp"), QString::number(p), QStringLiteral("/opt/p%1").arg(p));
        put(QStringLiteral("Appnames"), QString::number(p), QStringLiteral("Program %1").arg(p));
    }
}

FakeStarter::FakeStarter(CallLog &log)
    : m_log(log)
{
}

void FakeStarter::Shell(const QString &path, int style)
{
    if (path.isEmpty() || missing.contains(path)) {
        m_log.add(QStringLiteral("Shell %1 %2 !").arg(path).arg(style));
        throw RuntimeError(err::FileNotFound);
    }
    m_log.add(QStringLiteral("Shell %1 %2").arg(path).arg(style));
}

ScriptedBoxes::ScriptedBoxes(CallLog &log)
    : m_log(log)
{
}

int ScriptedBoxes::MsgBox(const QString &prompt, int buttons, const QString &title)
{
    m_log.add(QStringLiteral("MsgBox %1: %2 [%3]").arg(title, prompt).arg(buttons));
    if (m_script.empty())
        return vbOK;
    auto [button, whileOpen] = std::move(m_script.front());
    m_script.pop_front();
    if (whileOpen)
        whileOpen();
    return button;
}

void ScriptedBoxes::answer(int button, std::function<void()> whileOpen)
{
    m_script.emplace_back(button, std::move(whileOpen));
}

FakeProcess::FakeProcess(CallLog &log)
    : m_log(log)
{
}

void FakeProcess::end()
{
    ++ends;
    m_log.add(QStringLiteral("End"));
}

FakeList::FakeList(CallLog &log)
    : m_log(log)
{
}

void FakeList::setList(qint16 row, const QString &text)
{
    m_log.add(QStringLiteral("List(%1) = %2").arg(row).arg(text));
    if (row < 0 || row > rows.size())
        throw RuntimeError(err::InvalidPropertyArrayIndex);
    if (row == rows.size())
        rows.append(text);
    else
        rows[row] = text;
}

void FakeList::RemoveItem(qint16 row)
{
    m_log.add(QStringLiteral("RemoveItem %1").arg(row));
    if (row < 0 || row >= rows.size())
        throw RuntimeError(err::InvalidProcedureCall);
    rows.removeAt(row);
    selected = -1;
}

void FakeList::Clear()
{
    m_log.add(QStringLiteral("Clear"));
    rows.clear();
    selected = -1;
}

FakeFlag::FakeFlag(CallLog &log, QString name)
    : m_log(log)
    , m_name(std::move(name))
{
}

void FakeFlag::setEnabled(bool enabled)
{
    m_log.add(m_name + (enabled ? QStringLiteral(" enabled") : QStringLiteral(" disabled")));
}

} // namespace kl::test
