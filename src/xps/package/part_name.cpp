#include "xps/package/part_name.h"

#include <vector>

#include "xps/hex_digit.h"
#include "xps/markup/xml_space.h"
#include "xps/package/zip_directory.h"

namespace {

// Whether text has %-escapes to decode: where one is broken, the name stands as it is.
bool Escaped(std::string_view text)
{
    const std::size_t first = text.find('%');
    if (first == std::string_view::npos)
        return false;
    for (std::size_t at = first; at != std::string_view::npos; at = text.find('%', at + 3)) {
        if (at + 2 >= text.size() || HexDigit(text[at + 1]) < 0 || HexDigit(text[at + 2]) < 0)
            return false;
    }
    return true;
}

// A name read a byte at a time as names are compared.
class NameBytes {
public:
    NameBytes(const PartKey& key, std::size_t at) : m_text(key.text), m_escaped(key.escaped), m_at(at) {}

    bool Done() const { return m_at == m_text.size(); }
    unsigned char Next()
    {
        char c = m_text[m_at++];
        if (m_escaped && c == '%') {
            c = static_cast<char>(HexDigit(m_text[m_at]) * 16 + HexDigit(m_text[m_at + 1]));
            m_at += 2;
        }
        return static_cast<unsigned char>(FoldCase(c));
    }

private:
    std::string_view m_text;
    bool m_escaped;
    std::size_t m_at;
};

int Compare(NameBytes a, NameBytes b)
{
    while (!a.Done() && !b.Done()) {
        const unsigned char x = a.Next();
        const unsigned char y = b.Next();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.Done() == b.Done() ? 0 : a.Done() ? -1 : 1;
}

}  // namespace


std::optional<std::string> Unescape(std::string_view text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '%') {
            out += text[at];
            continue;
        }
        if (at + 2 >= text.size())
            return std::nullopt;
        const int high = HexDigit(text[at + 1]);
        const int low = HexDigit(text[at + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return out;
}

std::string PartName(std::string_view zipName)
{
    return Unescape(zipName).value_or(std::string(zipName));
}

PartKey ZipNameKey(std::string_view zipName)
{
    return {zipName, Escaped(zipName)};
}

int ComparePartKeys(const PartKey& a, const PartKey& b)
{
    if (!a.escaped && !b.escaped)
        return CompareFolded(a.text, b.text);
    // Bytes alike decode alike where both names decode, up to an escape that runs past them.
    std::size_t same = a.escaped == b.escaped ? SamePrefix(a.text, b.text) : 0;
    if (same >= 1 && a.text[same - 1] == '%')
        same -= 1;
    else if (same >= 2 && a.text[same - 2] == '%')
        same -= 2;
    return Compare(NameBytes(a, same), NameBytes(b, same));
}

std::optional<PartReference> ResolvePart(std::string_view from, std::string_view uri)
{
    uri = TrimXmlSpace(uri);
    PartReference reference;
    if (const std::size_t hash = uri.find('#'); hash != std::string_view::npos) {
        reference.fragment = std::string(uri.substr(hash + 1));
        uri = uri.substr(0, hash);
    }
    uri = uri.substr(0, uri.find('?'));
    // A scheme (http:, file:, pack:) points outside the package.
    const std::size_t colon = uri.find(':');
    if (colon != std::string_view::npos && uri.find('/') > colon)
        return std::nullopt;
    const std::optional<std::string> unescaped = Unescape(uri);
    if (!unescaped || unescaped->empty())
        return std::nullopt;
    std::string path = *unescaped;
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    if (path[0] != '/') {
        const std::string_view base = from.substr(0, from.rfind('/') + 1);
        path = std::string(base) + path;
    }
    std::vector<std::string> segments;
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string segment = path.substr(at, end - at);
        if (segment == "..") {
            if (segments.empty())
                return std::nullopt;
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        at = end + 1;
    }
    if (segments.empty())
        return std::nullopt;
    for (const std::string& segment : segments)
        reference.part += (reference.part.empty() ? "" : "/") + segment;
    return reference;
}
