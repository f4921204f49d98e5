#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

namespace kl::iniescape {

// Names and values as QSettings::IniFormat escapes them, so that either side
// reads what the other wrote: names %-escaped, values C-escaped and quoted
// where needed, and marked with a leading '@' where QSettings marks them.

bool isBlank(QChar c);

void escapeKey(QStringView key, QByteArray &out);
QString unescapeKey(QStringView s);

void escapeValue(const QString &text, QByteArray &out);
// Reads the value part of a line. *lossy is set when the text holds
// something QSettings reads by dropping characters, so that writing the value
// back would not reproduce what the user had.
QString unescapeValue(QStringView s, bool *lossy);
// Undoes the '@' marks QSettings puts on values. Typed values (@Rect and the
// like) have no text form and read as written; their lines are written back
// as they were read (IniDocument).
QString unmarkValue(QString s);

} // namespace kl::iniescape
