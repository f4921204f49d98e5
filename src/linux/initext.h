#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>

namespace kl::initext {

// The INI text layout QSettings::IniFormat reads and writes, so that either
// side reads what the other wrote: one setting or section header a line,
// names %-escaped, values C-escaped and quoted where needed, UTF-8 throughout;
// bytes that are not UTF-8 are kept as inibytes reads them.

// What one line of text holds.
struct Line
{
    enum Kind {
        Section, // name holds the section; empty for the settings outside any
        Setting, // name and value hold the key and the value
    };
    Kind kind = Setting;
    QString name;
    QString value;
    // The line as read, without its line break, when it reads back the same
    // written as it is; empty for a damaged line.
    QByteArrayView raw;
};

// Reads data line by line and hands each header and setting to onLine, in
// file order. Returns false when a line was skipped or read in a way that
// writing it back would not reproduce (the text is damaged).
bool parse(QByteArrayView data, const std::function<void(Line &&)> &onLine);

// Appends a section header or a setting line, each ending in '\n'.
void writeSection(const QString &name, QByteArray &out);
void writeSetting(const QString &key, const QString &value, QByteArray &out);

} // namespace kl::initext
