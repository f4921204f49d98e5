#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <string>

namespace kl::inibytes {

// Text of the settings file that keeps bytes that are not UTF-8. A byte that
// starts no valid UTF-8 sequence reads as a lone surrogate U+DC80..U+DCFF
// and writes back as that byte, so that what other programs or a user put
// there moves with the store's rewrites unchanged (QString alone would
// turn each such byte into U+FFFD).
QString decode(QByteArrayView bytes);
std::string encode(QStringView text);

// Whether run, lone surrogates of bytes only, reads back as itself once
// written as those bytes: they may form valid UTF-8 together.
bool writesAsBytes(QStringView run);
// The byte a lone surrogate of decode() stands for, or -1.
int byteOf(char16_t unit);

} // namespace kl::inibytes
