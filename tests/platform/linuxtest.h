#pragma once

// Helpers of the tests of the Linux implementations: their interfaces speak
// UTF-8 std::string, the tests Qt.
#include "support/errorof.h"

#include <QFile>
#include <QStringList>

#include <filesystem>
#include <string>
#include <vector>

namespace kl::test {

inline QString q(const std::string &text)
{
    return QString::fromStdString(text);
}

inline std::string s(const QString &text)
{
    return text.toStdString();
}

inline QStringList q(const std::vector<std::string> &texts)
{
    QStringList list;
    for (const std::string &text : texts)
        list.append(q(text));
    return list;
}

inline std::vector<std::string> s(const QStringList &list)
{
    std::vector<std::string> texts;
    for (const QString &text : list)
        texts.push_back(s(text));
    return texts;
}

// Removes a folder that holds names Qt cannot read (and so QTemporaryDir leaves).
inline void removeAll(const QString &folder)
{
    std::error_code failed;
    std::filesystem::remove_all(QFile::encodeName(folder).toStdString(), failed);
}

} // namespace kl::test
