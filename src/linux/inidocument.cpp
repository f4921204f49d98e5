#include "inidocument.h"

#include "initext.h"

#include <algorithm>

namespace kl {

// QString::toCaseFolded allocates even when nothing changes; names here are
// mostly ASCII, often without capitals, and folded on every call.
QString foldCase(const QString &name)
{
    bool upper = false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return name.toCaseFolded();
        upper = upper || (u >= u'A' && u <= u'Z');
    }
    if (!upper)
        return name;
    QString folded(name.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(folded.data());
    for (QChar c : name) {
        const char16_t u = c.unicode();
        *out++ = u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
    }
    return folded;
}

FoldedName FoldedName::of(const QString &name)
{
    FoldedName f{foldCase(name)};
    // FNV-1a over the UTF-16 units, with a final mix for the low bits.
    quint64 h = 14695981039346656037ULL;
    for (QChar c : std::as_const(f.text)) {
        h ^= c.unicode();
        h *= 1099511628211ULL;
    }
    h ^= h >> 32;
    f.hash = size_t(h);
    return f;
}

IniDocument IniDocument::parse(const QByteArray &data)
{
    IniDocument doc;
    doc.m_source = data;
    qsizetype section = -1; // before any header: the settings outside a section
    const bool clean = initext::parse(data, [&doc, &section](initext::Line &&line) {
        if (line.kind == initext::Line::Section) {
            section = doc.sectionFor(line.name, doc.spanOf(line.raw));
            return;
        }
        if (section < 0)
            section = doc.sectionFor(QString(), Span());
        Section &sec = doc.m_sections[section];
        FoldedName folded = FoldedName::of(line.name);
        const auto it = sec.index.constFind(folded);
        if (it != sec.index.cend()) {
            // The same name twice: the later line wins, the earlier is kept aside.
            doc.m_clean = false;
            sec.entries[*it].value = std::move(line.value);
            sec.entries[*it].line = Span();
            return;
        }
        sec.index.emplace(std::move(folded), sec.entries.size());
        sec.entries.append(Entry{std::move(line.name), std::move(line.value), false, doc.spanOf(line.raw)});
    });
    doc.m_clean = doc.m_clean && clean;
    return doc;
}

IniDocument::Span IniDocument::spanOf(QByteArrayView raw) const
{
    return raw.isEmpty() ? Span() : Span{raw.data() - m_source.constData(), raw.size()};
}

void IniDocument::appendLine(Span line, QByteArray &out) const
{
    out.append(m_source.constData() + line.at, line.size);
    out += '\n';
}

qsizetype IniDocument::sectionFor(const QString &name, Span header)
{
    FoldedName folded = FoldedName::of(name);
    const auto it = m_sectionIndex.constFind(folded);
    if (it != m_sectionIndex.cend())
        return *it;
    m_sectionIndex.emplace(std::move(folded), m_sections.size());
    m_sections.append(Section{name, {}, {}, header});
    return m_sections.size() - 1;
}

const QString *IniDocument::find(const QString &section, const QString &key) const
{
    const auto s = m_sectionIndex.constFind(FoldedName::of(section));
    if (s == m_sectionIndex.cend())
        return nullptr;
    const Section &sec = m_sections.at(*s);
    const auto k = sec.index.constFind(FoldedName::of(key));
    if (k == sec.index.cend())
        return nullptr;
    return &sec.entries.at(*k).value;
}

void IniDocument::set(const QString &section, const QString &key, const QString &value)
{
    Section &sec = m_sections[sectionFor(section, Span())];
    FoldedName folded = FoldedName::of(key);
    const auto it = sec.index.constFind(folded);
    if (it != sec.index.cend()) {
        sec.entries[*it].value = value;
        sec.entries[*it].line = Span(); // written as the store writes
        return;
    }
    sec.index.emplace(std::move(folded), sec.entries.size());
    sec.entries.append(Entry{key, value, false, Span()});
}

bool IniDocument::remove(const QString &section, const QString &key)
{
    const auto s = m_sectionIndex.constFind(FoldedName::of(section));
    if (s == m_sectionIndex.cend())
        return false;
    Section &sec = m_sections[*s];
    const auto k = sec.index.find(FoldedName::of(key));
    if (k == sec.index.end())
        return false;
    Entry &entry = sec.entries[*k];
    entry.removed = true;
    entry.value.clear();
    sec.index.erase(k);
    return true;
}

void IniDocument::compact()
{
    // Indexes are rebuilt only where something went: after each commit.
    const auto removed = [](const Entry &e) { return e.removed; };
    for (Section &sec : m_sections) {
        if (std::none_of(sec.entries.cbegin(), sec.entries.cend(), removed))
            continue;
        sec.entries.removeIf(removed);
        sec.index.clear();
        for (qsizetype i = 0; i < sec.entries.size(); ++i)
            sec.index.insert(FoldedName::of(sec.entries.at(i).key), i);
    }
    const auto empty = [](const Section &sec) { return sec.entries.isEmpty(); };
    if (std::any_of(m_sections.cbegin(), m_sections.cend(), empty)) {
        m_sections.removeIf(empty);
        m_sectionIndex.clear();
        for (qsizetype i = 0; i < m_sections.size(); ++i)
            m_sectionIndex.insert(FoldedName::of(m_sections.at(i).name), i);
    }
    m_clean = true;
}

QByteArray IniDocument::serialize() const
{
    QByteArray out;
    bool first = true;
    for (const Section &sec : m_sections) {
        if (sec.index.isEmpty())
            continue; // QSettings drops empty sections too
        if (!first)
            out += '\n';
        first = false;
        if (sec.header.at >= 0)
            appendLine(sec.header, out);
        else
            initext::writeSection(sec.name, out);
        for (const Entry &e : sec.entries) {
            if (e.removed)
                continue;
            if (e.line.at >= 0)
                appendLine(e.line, out);
            else
                initext::writeSetting(e.key, e.value, out);
        }
    }
    return out;
}

} // namespace kl
