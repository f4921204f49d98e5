#include "inibytes.h"

#include <QByteArray>

namespace kl::inibytes {

namespace {

// The length of the valid UTF-8 sequence at bytes[i], or 0.
qsizetype sequenceAt(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t low = 0; // the smallest code point of that length: shorter forms are not UTF-8
    if (lead >= 0xc2 && lead < 0xe0)
        length = 2, low = 0x80;
    else if (lead >= 0xe0 && lead < 0xf0)
        length = 3, low = 0x800;
    else if (lead >= 0xf0 && lead < 0xf5)
        length = 4, low = 0x10000;
    if (length == 0 || i + length > bytes.size())
        return 0;
    char32_t cp = lead & (0x7f >> length);
    for (qsizetype k = 1; k < length; ++k) {
        if ((at(i + k) & 0xc0) != 0x80)
            return 0;
        cp = (cp << 6) | (at(i + k) & 0x3f);
    }
    const bool surrogate = cp >= 0xd800 && cp <= 0xdfff;
    return cp >= low && !surrogate && cp <= 0x10ffff ? length : 0;
}

// Appends valid UTF-8 to out. QString::fromUtf8 reads past a byte order
// mark at the start of what it is given: one inside a line is a character.
void appendUtf8(QString &out, QByteArrayView bytes)
{
    while (bytes.startsWith("\xEF\xBB\xBF")) {
        out += QChar(0xfeff);
        bytes = bytes.sliced(3);
    }
    out += QString::fromUtf8(bytes);
}

} // namespace

int byteOf(char16_t unit)
{
    return unit >= 0xdc80 && unit <= 0xdcff ? int(unit - 0xdc00) : -1;
}

QString decode(QByteArrayView bytes)
{
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString out;
    out.reserve(bytes.size());
    qsizetype plain = 0; // where the valid run being gathered starts
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = sequenceAt(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        // The line's start reads as the whole line would, past a mark.
        if (plain == 0)
            out += QString::fromUtf8(bytes.first(i));
        else
            appendUtf8(out, bytes.sliced(plain, i - plain));
        out += QChar(char16_t(0xdc00 + static_cast<unsigned char>(bytes[i])));
        plain = ++i;
    }
    appendUtf8(out, bytes.sliced(plain));
    return out;
}

std::string encode(QStringView text)
{
    std::string out;
    out.reserve(std::size_t(text.size()));
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const bool paired = i > 0 && QChar::isHighSurrogate(text[i - 1].unicode());
        if (byteOf(unit) < 0 || paired)
            continue;
        out += text.sliced(plain, i - plain).toUtf8().toStdString();
        out += char(byteOf(unit));
        plain = i + 1;
    }
    out += text.sliced(plain).toUtf8().toStdString();
    return out;
}

bool writesAsBytes(QStringView run)
{
    QByteArray bytes;
    for (QChar c : run)
        bytes += char(byteOf(c.unicode()));
    return decode(bytes) == run;
}

} // namespace kl::inibytes
