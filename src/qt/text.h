#pragma once

#include <QString>

#include <string>

namespace kl::qt {

// The shared code's text is UTF-8; Qt's is UTF-16. The face converts here only.
inline QString toQt(const std::string &text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

inline std::string toUtf8(const QString &text)
{
    return text.toStdString();
}

} // namespace kl::qt
