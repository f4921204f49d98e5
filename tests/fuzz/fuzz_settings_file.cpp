// libFuzzer target for the settings file: any bytes parse without a crash;
// what the store writes reads back clean and unchanged and writes again byte
// for byte the same; any name and value set reads back equal.
#include "platform/inidocument.h"
#include "platform/initext.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void fail(const char *what, const QByteArray &text)
{
    std::fprintf(stderr, "settings file round trip: %s\n--- text written:\n%s\n---\n", what, text.constData());
    std::abort();
}

QByteArray utf16Hex(const QString *s)
{
    if (!s)
        return "(none)";
    return QByteArrayView(reinterpret_cast<const char *>(s->utf16()), s->size() * 2).toByteArray().toHex(' ');
}

void requireSame(const kl::IniDocument &want, const kl::IniDocument &got, const QString &section,
                 const QString &key, const QByteArray &text)
{
    const QString *a = want.find(section, key);
    const QString *b = got.find(section, key);
    if (!a || !b || *a != *b) {
        std::fprintf(stderr, "[%s] %s: UTF-16 %s became %s\n", qPrintable(section), qPrintable(key),
                     utf16Hex(a).constData(), utf16Hex(b).constData());
        fail("a setting did not read back unchanged", text);
    }
}

// The store's write and its next read: what it wrote must read back clean,
// hold the same settings and write again byte for byte the same.
kl::IniDocument writeAndReadBack(const kl::IniDocument &doc, const QList<std::pair<QString, QString>> &names)
{
    const QByteArray written = doc.serialize();
    kl::IniDocument back = kl::IniDocument::parse(written);
    if (!back.clean())
        fail("what was written reads back damaged", written);
    if (back.serialize() != written)
        fail("writing again gives other bytes", written);
    for (const auto &[section, key] : names)
        requireSame(doc, back, section, key, written);
    return back;
}

// The input again as UTF-16 (any code unit, lone surrogates too), cut into a
// section, a key and a value by its first two bytes.
void setFromInput(kl::IniDocument doc, QList<std::pair<QString, QString>> names, const uint8_t *data, size_t size)
{
    if (size < 2)
        return;
    QString units(qsizetype((size - 2) / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data + 2, size_t(units.size()) * 2);
    const qsizetype sectionLength = data[0] % (units.size() + 1);
    const qsizetype keyLength = data[1] % (units.size() - sectionLength + 1);
    const QString section = units.first(sectionLength);
    const QString key = units.sliced(sectionLength, keyLength);
    if (section.isEmpty() || key.isEmpty())
        return; // the store refuses empty names
    const QString value = units.sliced(sectionLength + keyLength);
    doc.set(section, key, value);
    names.append({section, key});
    const kl::IniDocument back = writeAndReadBack(doc, names);
    const QString *got = back.find(section, key);
    if (!got || *got != value)
        fail("a value set did not read back equal", doc.serialize());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    const kl::IniDocument doc = kl::IniDocument::parse(text);
    QList<std::pair<QString, QString>> names; // every setting the text names
    QString section;
    kl::initext::parse(text, [&names, &section](kl::initext::Line &&line) {
        if (line.kind == kl::initext::Line::Section)
            section = line.name;
        else
            names.append({section, line.name});
    });
    writeAndReadBack(doc, names);
    setFromInput(doc, names, data, size);
    return 0;
}
