#include "numbers.h"

#include "runtimeerror.h"

#include <cmath>
#include <limits>

namespace kl {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Accepts [sign] digits [. digits], or [sign] . digits; nothing else.
bool looksNumeric(QStringView s)
{
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < s.size() && isAsciiDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && isAsciiDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    return digits > 0 && i == s.size();
}

} // namespace

qint16 toInt16(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (!looksNumeric(trimmed))
        throw RuntimeError(err::TypeMismatch);

    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok)
        throw RuntimeError(err::Overflow); // digits only, so only range can fail

    const double rounded = std::nearbyint(value); // default mode: half to even
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        throw RuntimeError(err::Overflow);
    return static_cast<qint16>(rounded);
}

QString str(qint16 value)
{
    return QString::number(value);
}

qint16 add16(qint16 value, int delta)
{
    const int sum = int(value) + delta;
    if (sum < std::numeric_limits<qint16>::min() || sum > std::numeric_limits<qint16>::max())
        throw RuntimeError(err::Overflow);
    return static_cast<qint16>(sum);
}

} // namespace kl
