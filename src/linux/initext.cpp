#include "initext.h"

#include "iniescape.h"
#include "inibytes.h"

namespace kl::initext {

namespace {

using iniescape::escapeKey;
using iniescape::escapeValue;
using iniescape::isBlank;
using iniescape::unescapeKey;
using iniescape::unescapeValue;
using iniescape::unmarkValue;

struct LineScan
{
    qsizetype end = 0;     // where a trailing comment starts, or the line's end
    qsizetype equals = -1; // the first '=' outside quotes
    bool openQuote = false;
    bool danglingEscape = false;
};

// Quotes and backslash escapes hide ';' and '=' from the line structure.
LineScan scanLine(QStringView s)
{
    LineScan r;
    bool inQuotes = false;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c == u'\\') {
            if (i + 1 >= n) {
                r.danglingEscape = true;
                break;
            }
            ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (inQuotes) {
            continue;
        } else if (c == u'=' && r.equals < 0) {
            r.equals = i;
        } else if (c == u';') {
            r.end = i;
            return r;
        }
    }
    r.end = n;
    r.openQuote = inQuotes;
    return r;
}

QString sectionHeader(QStringView raw)
{
    if (raw.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
        return QString(); // the settings outside any section
    if (raw.compare(QLatin1String("%general"), Qt::CaseInsensitive) == 0)
        return raw.mid(1).toString();
    return unescapeKey(raw);
}
// Reads one line, without its line break, into *out: a Setting with no
// name is nothing to hand on. Returns false when the line is damaged; a
// damaged header still names the section QSettings would use.
bool parseLine(QStringView line, Line *out)
{
    qsizetype start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    line = line.sliced(start);
    if (line.isEmpty() || line.front() == u';')
        return true;

    if (line.front() == u'[') {
        out->kind = Line::Section;
        const qsizetype close = line.indexOf(u']');
        if (close < 0) {
            // Read as QSettings does, but keep the original aside on write.
            out->name = sectionHeader(line.sliced(1).trimmed());
            return false;
        }
        const QStringView rest = line.sliced(close + 1).trimmed();
        out->name = sectionHeader(line.sliced(1, close - 1).trimmed());
        return rest.isEmpty() || rest.front() == u';';
    }

    // A trailing backslash would join the next line in QSettings; such a
    // line is hand-made, and is left out rather than guessed at.
    const LineScan scan = scanLine(line);
    if (scan.danglingEscape || scan.openQuote || scan.equals < 0)
        return false;
    qsizetype keyEnd = scan.equals;
    while (keyEnd > 0 && isBlank(line[keyEnd - 1]))
        --keyEnd;
    out->name = unescapeKey(line.first(keyEnd));
    if (out->name.isEmpty())
        return false;
    bool lossy = false;
    out->value = unmarkValue(unescapeValue(line.sliced(scan.equals + 1, scan.end - scan.equals - 1), &lossy));
    return !lossy;
}

} // namespace

bool parse(QByteArrayView data, const std::function<void(Line &&)> &onLine)
{
    bool clean = true;
    qsizetype pos = 0;
    const qsizetype n = data.size();
    if (data.startsWith("\xEF\xBB\xBF"))
        pos = 3;
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && data[end] != '\n' && data[end] != '\r')
            ++end;
        const QByteArrayView raw = data.sliced(pos, end - pos);
        pos = end;
        if (pos < n) {
            const char first = data[pos++];
            if (pos < n && (data[pos] == '\n' || data[pos] == '\r') && data[pos] != first)
                ++pos;
        }
        if (raw.isEmpty())
            continue;
        if (raw.contains('\0')) {
            clean = false;
            continue;
        }
        Line line;
        const bool ok = parseLine(inibytes::decode(raw), &line);
        clean = clean && ok;
        if (line.kind == Line::Section || !line.name.isEmpty()) {
            // The decoder reads past a byte order mark: first in a file, such
            // a line would lose it on the next read. It is written from its parts.
            if (ok && !raw.startsWith("\xEF\xBB\xBF"))
                line.raw = raw;
            onLine(std::move(line));
        }
    }
    return clean;
}

void writeSection(const QString &name, QByteArray &out)
{
    if (name.isEmpty()) {
        out += "[General]";
    } else if (name.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0) {
        out += "[%" + name.toLatin1() + ']';
    } else {
        out += '[';
        escapeKey(name, out);
        out += ']';
    }
    out += '\n';
}

void writeSetting(const QString &key, const QString &value, QByteArray &out)
{
    escapeKey(key, out);
    out += '=';
    escapeValue(value, out);
    out += '\n';
}

} // namespace kl::initext