#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

namespace kl {

// name folded to one letter case, as names are matched.
QString foldCase(const QString &name);

// A name folded to one letter case, with its hash worked out once: files
// of many thousand keys would otherwise spend their load time hashing.
struct FoldedName
{
    QString text;
    size_t hash = 0;
    static FoldedName of(const QString &name);
    friend bool operator==(const FoldedName &a, const FoldedName &b)
    {
        return a.hash == b.hash && a.text == b.text;
    }
    friend size_t qHash(const FoldedName &name, size_t seed = 0) noexcept { return name.hash ^ seed; }
};

// The parsed form of one settings file, in file order, with indexes that
// find sections and keys without regard to letter case. Lines read and not
// set since are written back as they were read: what other programs keep
// there (typed values, lists, their own layout) reads back as theirs.
class IniDocument
{
public:
    // Parses INI text, which the document keeps (shared, not copied). Lines
    // that do not parse are skipped, and clean() turns false: writing the
    // document back would lose them.
    static IniDocument parse(const QByteArray &data);
    QByteArray serialize() const;

    bool clean() const { return m_clean; }
    const QString *find(const QString &section, const QString &key) const;
    void set(const QString &section, const QString &key, const QString &value);
    bool remove(const QString &section, const QString &key);
    // Drops what remove() left behind; the result is clean.
    void compact();

private:
    // Where a line stands in m_source; none: written from its parts.
    struct Span
    {
        qsizetype at = -1;
        qsizetype size = 0;
    };
    struct Entry
    {
        QString key;
        QString value;
        bool removed = false;
        Span line;
    };
    struct Section
    {
        QString name;
        QList<Entry> entries;
        QHash<FoldedName, qsizetype> index; // key -> entries position
        Span header;
    };

    qsizetype sectionFor(const QString &name, Span header);
    Span spanOf(QByteArrayView raw) const;
    void appendLine(Span line, QByteArray &out) const;

    QByteArray m_source; // the text parsed
    QList<Section> m_sections;
    QHash<FoldedName, qsizetype> m_sectionIndex; // name -> m_sections position
    bool m_clean = true;
};

} // namespace kl
