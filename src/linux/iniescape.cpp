#include "iniescape.h"

#include "inibytes.h"

namespace kl::iniescape {

namespace {

bool isHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int hexValue(char16_t c)
{
    if (c <= u'9')
        return c - u'0';
    if (c >= u'a')
        return c - u'a' + 10;
    return c - u'A' + 10;
}

// The escapes QSettings writes for control characters; null for others.
const char *controlEscape(char16_t ch)
{
    switch (ch) {
    case u'\0': return "\\0";
    case u'\a': return "\\a";
    case u'\b': return "\\b";
    case u'\f': return "\\f";
    case u'\n': return "\\n";
    case u'\r': return "\\r";
    case u'\t': return "\\t";
    case u'\v': return "\\v";
    default: return nullptr;
    }
}

} // namespace

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

void escapeKey(QStringView key, QByteArray &out)
{
    static const char hex[] = "0123456789ABCDEF";
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char16_t ch = key[i].unicode();
        // '\\' before '=' would read as an escaped '=': a last '/' is %-escaped.
        if (ch == u'/' && i + 1 < key.size()) {
            out += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9')
                   || ch == u'_' || ch == u'-' || ch == u'.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += hex[ch / 16];
            out += hex[ch % 16];
        } else {
            out += "%U";
            out += hex[(ch >> 12) & 0xF];
            out += hex[(ch >> 8) & 0xF];
            out += hex[(ch >> 4) & 0xF];
            out += hex[ch & 0xF];
        }
    }
}

QString unescapeKey(QStringView s)
{
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c == u'\\') {
            out += u'/';
            continue;
        }
        if (c != u'%' || i + 1 >= n) {
            out += c;
            continue;
        }
        qsizetype first = i + 1;
        qsizetype digits = 2;
        if (s[first] == u'U') {
            ++first;
            digits = 4;
        }
        bool ok = first + digits <= n;
        char16_t value = 0;
        for (qsizetype d = 0; ok && d < digits; ++d) {
            const char16_t h = s[first + d].unicode();
            ok = isHexDigit(h);
            value = char16_t(value * 16 + (ok ? hexValue(h) : 0));
        }
        if (!ok) {
            out += c; // a lone '%' is just a character
            continue;
        }
        out += QChar(value);
        i = first + digits - 1;
    }
    return out;
}

// QSettings marks strings it cannot write plainly with a leading '@'.
void escapeValue(const QString &text, QByteArray &out)
{
    QString marked;
    const QString *v = &text;
    if (text.contains(QChar(0))) {
        marked = QStringLiteral("@String(") + text + u')';
        v = &marked;
    } else if (text.startsWith(u'@')) {
        marked = u'@' + text;
        v = &marked;
    }

    const qsizetype start = out.size();
    bool needsQuotes = false;
    bool escapeNextIfHex = false; // after \0 or \xHH a hex digit would join the escape
    const qsizetype n = v->size();
    for (qsizetype i = 0; i < n;) {
        const char16_t ch = v->at(i).unicode();
        if (ch == u';' || ch == u',' || ch == u'=')
            needsQuotes = true;
        if (escapeNextIfHex && isHexDigit(ch)) {
            out += "\\x";
            out += QByteArray::number(ch, 16);
            ++i;
            continue;
        }
        escapeNextIfHex = false;
        if (const char *escape = controlEscape(ch)) {
            out += escape;
            escapeNextIfHex = ch == u'\0';
            ++i;
            continue;
        }
        if (ch == u'"' || ch == u'\\') {
            out += '\\';
            out += char(ch);
            ++i;
            continue;
        }
        // Bytes that are not UTF-8 go back as they came, where they read back so.
        if (inibytes::byteOf(ch) >= 0) {
            qsizetype j = i + 1;
            while (j < n && inibytes::byteOf(v->at(j).unicode()) >= 0)
                ++j;
            const QStringView run = QStringView(*v).sliced(i, j - i);
            if (inibytes::writesAsBytes(run)) {
                out += QByteArray::fromStdString(inibytes::encode(run));
                i = j;
                continue;
            }
        }
        // A lone surrogate has no UTF-8 form: escaped, it reads back as it was.
        const bool loneSurrogate = QChar::isSurrogate(ch)
            && !(QChar::isHighSurrogate(ch) && i + 1 < n && QChar::isLowSurrogate(v->at(i + 1).unicode()));
        if (ch < 0x20 || loneSurrogate) {
            out += "\\x";
            out += QByteArray::number(ch, 16);
            escapeNextIfHex = true;
            ++i;
            continue;
        }
        // A run of plain characters, written raw as UTF-8.
        qsizetype j = QChar::isHighSurrogate(ch) ? i + 2 : i + 1;
        while (j < n) {
            const char16_t c = v->at(j).unicode();
            if (c < 0x20 || c == u'"' || c == u'\\')
                break;
            if (QChar::isSurrogate(c)) {
                // Only a whole pair goes into the run as it is.
                if (!QChar::isHighSurrogate(c) || j + 1 >= n || !QChar::isLowSurrogate(v->at(j + 1).unicode()))
                    break;
                ++j;
            }
            if (c == u';' || c == u',' || c == u'=')
                needsQuotes = true;
            ++j;
        }
        out += QStringView(*v).sliced(i, j - i).toUtf8();
        i = j;
    }

    if (needsQuotes || (out.size() > start && (out.at(start) == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

QString unescapeValue(QStringView s, bool *lossy)
{
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && isBlank(s[i]))
        ++i;
    bool quoted = false;
    bool inQuotes = false;
    qsizetype chopLimit = 0; // escaped characters are never trimmed
    while (i < n) {
        const QChar c = s[i];
        if (c == u'\\') {
            if (++i >= n)
                break;
            const char16_t e = s[i++].unicode();
            switch (e) {
            case u'a': out += u'\a'; break;
            case u'b': out += u'\b'; break;
            case u'f': out += u'\f'; break;
            case u'n': out += u'\n'; break;
            case u'r': out += u'\r'; break;
            case u't': out += u'\t'; break;
            case u'v': out += u'\v'; break;
            case u'"': out += u'"'; break;
            case u'?': out += u'?'; break;
            case u'\'': out += u'\''; break;
            case u'\\': out += u'\\'; break;
            case u'x': {
                if (i >= n || !isHexDigit(s[i].unicode())) {
                    *lossy = true;
                    break;
                }
                quint32 value = 0;
                while (i < n && isHexDigit(s[i].unicode()))
                    value = value * 16 + quint32(hexValue(s[i++].unicode()));
                out += QChar(char16_t(value & 0xFFFF));
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    quint32 value = e - u'0';
                    while (i < n && s[i] >= u'0' && s[i] <= u'7')
                        value = value * 8 + quint32(s[i++].unicode() - u'0');
                    out += QChar(char16_t(value & 0xFFFF));
                } else {
                    *lossy = true; // an unknown escape: the character is dropped
                }
                break;
            }
            chopLimit = out.size();
        } else if (c == u'"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                while (i < n && isBlank(s[i]))
                    ++i;
                chopLimit = out.size();
            }
        } else {
            qsizetype j = i + 1;
            while (j < n && s[j] != u'\\' && s[j] != u'"')
                ++j;
            out += s.sliced(i, j - i);
            i = j;
        }
    }
    if (!quoted) {
        qsizetype end = out.size();
        while (end > chopLimit && isBlank(out.at(end - 1)))
            --end;
        out.truncate(end);
    }
    return out;
}

QString unmarkValue(QString s)
{
    if (!s.startsWith(u'@'))
        return s;
    if (s.endsWith(u')')) {
        if (s.startsWith(QLatin1String("@ByteArray("))) {
            QString inner = s.mid(11, s.size() - 12);
            for (QChar c : inner) {
                if (c.unicode() > 0xFF)
                    return inner;
            }
            const QByteArray bytes = inner.toLatin1();
            return QByteArrayView(bytes).isValidUtf8() ? QString::fromUtf8(bytes) : inner;
        }
        if (s.startsWith(QLatin1String("@String(")))
            return s.mid(8, s.size() - 9);
        if (s == QLatin1String("@Invalid()"))
            return QString();
    }
    if (s.startsWith(QLatin1String("@@")))
        s.remove(0, 1);
    return s;
}

} // namespace kl::iniescape
