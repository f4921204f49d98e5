// libFuzzer target for the settings file: any bytes parse without a crash;
// what the store writes reads back clean and unchanged and writes again byte
// for byte the same; any name and value set reads back equal.
#include "linux/inidocument.h"
#include "linux/initext.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <cstring>

namespace {

using Names = QList<std::pair<QString, QString>>;

// The store's write and its next read: what it wrote must read back clean,
// hold the same settings and write again byte for byte the same.
kl::IniDocument writeAndReadBack(const kl::IniDocument &doc, const Names &names)
{
    const QByteArray written = doc.serialize();
    kl::IniDocument back = kl::IniDocument::parse(written);
    if (!back.clean() || back.serialize() != written)
        qFatal("%s; written:\n%s", back.clean() ? "writing again gives other bytes" : "written reads back damaged", written.data());
    for (const auto &[section, key] : names)
        if (const QString *a = doc.find(section, key), *b = back.find(section, key); !a || !b || *a != *b)
            qFatal("[%s] %s did not read back unchanged; written:\n%s", qPrintable(section), qPrintable(key), written.data());
    return back;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    kl::IniDocument doc = kl::IniDocument::parse(text.toByteArray());
    Names names; // every setting the text names
    QString section;
    kl::initext::parse(text, [&names, &section](kl::initext::Line &&line) {
        line.kind == kl::initext::Line::Section ? void(section = line.name) : names.append(std::pair{section, line.name});
    });
    writeAndReadBack(doc, names);
    // The input again as UTF-16 (any code unit, lone surrogates too), cut into a
    // section, a key and a value by its first two bytes; the store refuses empty names.
    if (size < 2)
        return 0;
    QString units(qsizetype((size - 2) / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data + 2, size_t(units.size()) * 2);
    const qsizetype sectionLength = data[0] % (units.size() + 1);
    const qsizetype keyLength = data[1] % (units.size() - sectionLength + 1);
    section = units.first(sectionLength);
    const QString key = units.sliced(sectionLength, keyLength), value = units.sliced(sectionLength + keyLength);
    if (section.isEmpty() || key.isEmpty())
        return 0;
    doc.set(section, key, value);
    names.append({section, key});
    const kl::IniDocument back = writeAndReadBack(doc, names);
    if (const QString *got = back.find(section, key); !got || *got != value)
        qFatal("a value set did not read back equal; written:\n%s", doc.serialize().constData());
    return 0;
}
