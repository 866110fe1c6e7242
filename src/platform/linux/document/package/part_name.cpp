#include "part_name.h"

#include <vector>

#include "hex_digit.h"


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

std::optional<PartReference> ResolvePart(std::string_view from, std::string_view uri)
{
    while (!uri.empty() && (uri.front() == ' ' || uri.front() == '\t' || uri.front() == '\r' || uri.front() == '\n'))
        uri.remove_prefix(1);
    while (!uri.empty() && (uri.back() == ' ' || uri.back() == '\t' || uri.back() == '\r' || uri.back() == '\n'))
        uri.remove_suffix(1);
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
