#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kl::win32 {

// One transaction's changes, kept as one registry value while they are
// applied, so that a process killed half way leaves them to be finished by
// the next one that opens the settings. A single value is written whole or
// not at all, where a run of values is not.

// The last state of one value: new text, or removed (no text).
struct JournalEntry
{
    std::wstring section;
    std::wstring key;
    std::optional<std::wstring> text;

    bool operator==(const JournalEntry &) const = default;
};

// "KLJ1", the number of entries, each entry (a kind byte, then the section,
// the key and, when set, the text as a 32-bit length in UTF-16 units and
// the units, all little-endian) and an FNV-1a checksum of all that precedes.
std::vector<unsigned char> encodeJournal(const std::vector<JournalEntry> &entries);

// The entries, or nothing when the bytes are not one whole journal (cut
// short, extended, altered).
std::optional<std::vector<JournalEntry>> decodeJournal(const std::vector<unsigned char> &bytes);

} // namespace kl::win32
