#include "registryjournal.h"

#include <algorithm>
#include <cstdint>

namespace kl::win32 {

namespace {

constexpr unsigned char Magic[] = {'K', 'L', 'J', '1'};
enum Kind : unsigned char {
    Set = 1,
    Remove = 2,
};

std::uint32_t checksum(const unsigned char *data, std::size_t size)
{
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

void put32(std::vector<unsigned char> &out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void putText(std::vector<unsigned char> &out, const std::wstring &text)
{
    put32(out, static_cast<std::uint32_t>(text.size()));
    for (const wchar_t unit : text) {
        out.push_back(static_cast<unsigned char>(unit));
        out.push_back(static_cast<unsigned char>(static_cast<std::uint16_t>(unit) >> 8));
    }
}

// Reads forward through bytes; any read past the end marks the whole as bad.
class Reader
{
public:
    Reader(const unsigned char *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_size; }
    unsigned char byte() { return take(1) ? m_data[m_at - 1] : 0; }
    std::uint32_t u32()
    {
        if (!take(4))
            return 0;
        const unsigned char *p = m_data + m_at - 4;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
    std::wstring text()
    {
        const std::uint32_t units = u32();
        if (!m_ok || units > (m_size - m_at) / 2)
            return m_ok = false, std::wstring();
        std::wstring out(units, L'\0');
        for (wchar_t &unit : out) {
            unit = static_cast<wchar_t>(m_data[m_at] | m_data[m_at + 1] << 8);
            m_at += 2;
        }
        return out;
    }

private:
    bool take(std::size_t n)
    {
        if (!m_ok || m_size - m_at < n)
            return m_ok = false;
        m_at += n;
        return true;
    }

    const unsigned char *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_ok = true;
};

} // namespace

std::vector<unsigned char> encodeJournal(const std::vector<JournalEntry> &entries)
{
    std::vector<unsigned char> out(std::begin(Magic), std::end(Magic));
    put32(out, static_cast<std::uint32_t>(entries.size()));
    for (const JournalEntry &entry : entries) {
        out.push_back(entry.text ? Set : Remove);
        putText(out, entry.section);
        putText(out, entry.key);
        if (entry.text)
            putText(out, *entry.text);
    }
    put32(out, checksum(out.data(), out.size()));
    return out;
}

std::optional<std::vector<JournalEntry>> decodeJournal(const std::vector<unsigned char> &bytes)
{
    constexpr std::size_t Least = sizeof Magic + 8; // the count and the checksum
    if (bytes.size() < Least || !std::equal(std::begin(Magic), std::end(Magic), bytes.begin()))
        return std::nullopt;
    const std::size_t body = bytes.size() - 4;
    Reader sum(bytes.data() + body, 4);
    if (sum.u32() != checksum(bytes.data(), body))
        return std::nullopt;
    Reader in(bytes.data() + sizeof Magic, body - sizeof Magic);
    const std::uint32_t count = in.u32();
    std::vector<JournalEntry> entries;
    for (std::uint32_t i = 0; i < count && in.ok(); ++i) {
        const unsigned char kind = in.byte();
        JournalEntry entry{in.text(), in.text(), std::nullopt};
        if (kind == Set)
            entry.text = in.text();
        else if (kind != Remove)
            return std::nullopt;
        entries.push_back(std::move(entry));
    }
    if (!in.ok() || !in.atEnd())
        return std::nullopt;
    return entries;
}

} // namespace kl::win32
