// Part names compared as parts are, and parts stored interleaved, in pieces, joined into one part each.
#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/package/zip_directory.h"

std::string FoldCase(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        c = FoldCase(c);
    return folded;
}

std::size_t SamePrefix(std::string_view a, std::string_view b)
{
    constexpr std::size_t kBlock = 64;
    const std::size_t size = std::min(a.size(), b.size());
    std::size_t at = 0;
    while (at + kBlock <= size && std::memcmp(a.data() + at, b.data() + at, kBlock) == 0)
        at += kBlock;
    while (at < size && a[at] == b[at])
        ++at;
    return at;
}

int CompareFolded(std::string_view a, std::string_view b)
{
    for (std::size_t at = 0;; ++at) {
        at += SamePrefix(a.substr(at), b.substr(at));
        if (at == a.size() || at == b.size())
            return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
        const auto x = static_cast<unsigned char>(FoldCase(a[at]));
        const auto y = static_cast<unsigned char>(FoldCase(b[at]));
        if (x != y)
            return x < y ? -1 : 1;
    }
}

namespace {

// What an entry's name says of the piece it holds, if it holds one: a part may be stored interleaved,
// in pieces named from "name/[0].piece" to "name/[n].last.piece".
struct ZipPiece {
    // Of the part's name, which the entry's name starts with.
    std::size_t partSize = 0;
    // Nothing for a name that reads as a piece's but has no number.
    std::optional<std::uint32_t> number;
    bool last = false;
};

bool FoldedEqual(std::string_view text, std::string_view lower)
{
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(), [](char a, char b) { return FoldCase(a) == b; });
}

std::optional<ZipPiece> ParsePiece(std::string_view entry)
{
    const std::size_t slash = entry.rfind('/');
    if (slash == std::string_view::npos || slash + 1 >= entry.size() || entry[slash + 1] != '[')
        return std::nullopt;
    const std::string_view last = entry.substr(slash + 2);
    const std::size_t close = last.find(']');
    const std::string_view suffix = close == std::string_view::npos ? std::string_view() : last.substr(close);
    const bool isLast = FoldedEqual(suffix, "].last.piece");
    if (!isLast && !FoldedEqual(suffix, "].piece"))
        return std::nullopt;
    const std::string_view digits = last.substr(0, close);
    // More digits than any directory holds entries would only overflow.
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return ZipPiece{slash, std::nullopt, isLast};
    std::uint32_t number = 0;
    for (const char digit : digits)
        number = number * 10 + static_cast<std::uint32_t>(digit - '0');
    return ZipPiece{slash, number, isLast};
}

// Each entry as the part it belongs to, and its place among that part's pieces.
struct Gathered {
    std::uint32_t entry;
    std::uint32_t partSize;
    std::uint32_t number;
    bool piece;
    bool last;
};

// A directory's entries gathered by part: each part's side by side, the whole one first, then the
// pieces by their numbers.
class Gathering {
public:
    Gathering(std::vector<ZipEntry>& entries, std::string_view names) : m_entries(entries), m_names(names) {}

    // Gathers the entries and checks that no part is stored whole twice, or whole and in pieces. A
    // piece's name without a number fails once the entries before it are gathered and checked, as if
    // each had been looked at in turn.
    void Gather()
    {
        m_gathered.reserve(m_entries.size());
        for (std::uint32_t i = 0; i < m_entries.size(); ++i) {
            const std::string_view name = Name(m_entries[i]);
            const std::optional<ZipPiece> piece = ParsePiece(name);
            if (piece && !piece->number) {
                SortAndCheck();
                ThrowDocument(OPC_E_INVALID_PIECE);
            }
            m_gathered.push_back({i, static_cast<std::uint32_t>(piece ? piece->partSize : name.size()),
                                  piece ? *piece->number : 0, piece.has_value(), piece && piece->last});
        }
        SortAndCheck();
    }

    std::size_t Size() const { return m_gathered.size(); }
    const Gathered& operator[](std::size_t i) const { return m_gathered[i]; }

    // Where the part that starts at begin ends.
    std::size_t PartEnd(std::size_t begin) const
    {
        std::size_t end = begin + 1;
        while (end < m_gathered.size() && CompareFolded(PartName(m_gathered[begin]), PartName(m_gathered[end])) == 0)
            ++end;
        return end;
    }

    // Pieces must run from [0] to the one marked last without a gap or a repeat.
    void CheckPieces(std::size_t begin, std::size_t end) const
    {
        for (std::size_t i = begin + 1; i < end; ++i) {
            if (m_gathered[i].number == m_gathered[i - 1].number)
                ThrowDocument(OPC_E_DUPLICATE_PIECE);
        }
        for (std::size_t i = begin; i + 1 < end; ++i) {
            if (m_gathered[i].last)
                ThrowDocument(OPC_E_INVALID_PIECE);
        }
        for (std::size_t i = begin; i < end; ++i) {
            if (m_gathered[i].number != i - begin || (i + 1 == end && !m_gathered[i].last))
                ThrowDocument(OPC_E_MISSING_PIECE);
        }
    }

    // Moves the entries, in place, into the order gathered.
    void MoveEntries()
    {
        for (std::size_t i = 0; i < m_gathered.size(); ++i) {
            const ZipEntry first = m_entries[i];
            std::size_t at = i;
            for (std::size_t from = m_gathered[at].entry; from != i; at = from, from = m_gathered[at].entry) {
                m_entries[at] = m_entries[from];
                m_gathered[at].entry = static_cast<std::uint32_t>(at);
            }
            m_entries[at] = first;
            m_gathered[at].entry = static_cast<std::uint32_t>(at);
        }
    }

private:
    std::string_view Name(const ZipEntry& entry) const { return m_names.substr(entry.nameOffset, entry.nameSize); }
    std::string_view PartName(const Gathered& g) const { return Name(m_entries[g.entry]).substr(0, g.partSize); }

    // Sorts what is gathered by part, and fails for a part stored whole beside another entry.
    void SortAndCheck()
    {
        std::sort(m_gathered.begin(), m_gathered.end(), [this](const Gathered& a, const Gathered& b) {
            const int order = CompareFolded(PartName(a), PartName(b));
            return order != 0 ? order < 0
                              : std::make_tuple(a.piece, a.number, a.entry) < std::make_tuple(b.piece, b.number, b.entry);
        });
        for (std::size_t begin = 0, end = 0; begin < m_gathered.size(); begin = end) {
            end = PartEnd(begin);
            if (!m_gathered[begin].piece && end - begin > 1)
                ThrowDocument(OPC_E_DUPLICATE_PART);
        }
    }

    std::vector<ZipEntry>& m_entries;
    std::string_view m_names;
    std::vector<Gathered> m_gathered;
};

}  // namespace

// Gathers each part's entries. Pieces are ordered by the numbers in their names, wherever they stand
// in the ZIP.
void ZipDirectory::JoinPieces()
{
    Gathering gathered(m_entries, m_names);
    gathered.Gather();
    std::size_t partCount = 0;
    for (std::size_t begin = 0, end = 0; begin < gathered.Size(); begin = end, ++partCount) {
        end = gathered.PartEnd(begin);
        if (gathered[begin].piece)
            gathered.CheckPieces(begin, end);
    }

    gathered.MoveEntries();
    m_parts.reserve(partCount);
    for (std::size_t begin = 0, end = 0; begin < gathered.Size(); begin = end) {
        end = gathered.PartEnd(begin);
        // Named as its entry that comes first in the directory, whose name lies first among the names.
        const auto first = std::min_element(m_entries.begin() + static_cast<std::ptrdiff_t>(begin),
                                            m_entries.begin() + static_cast<std::ptrdiff_t>(end),
                                            [](const ZipEntry& a, const ZipEntry& b) { return a.nameOffset < b.nameOffset; });
        std::uint64_t size = 0;
        std::uint64_t compressedSize = 0;
        for (std::size_t i = begin; i < end; ++i) {
            size += m_entries[i].size;
            compressedSize += m_entries[i].compressedSize;
        }
        // Pieces are bounded as the part they make, or a bomb could be cut into pieces under the bounds.
        if (!WithinBounds(size, compressedSize))
            ThrowDocument(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
        m_parts.push_back({Name(*first).substr(0, gathered[begin].partSize), &m_entries[begin],
                           static_cast<std::uint32_t>(end - begin), static_cast<std::uint32_t>(size)});
    }
    // The parts in the order of their first entries in the directory.
    std::sort(m_parts.begin(), m_parts.end(), [](const ZipPart& a, const ZipPart& b) { return a.name.data() < b.name.data(); });
}
