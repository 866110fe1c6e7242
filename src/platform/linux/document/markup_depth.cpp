#include "markup_depth.h"

#include <cstring>
#include <string_view>

#include "document_status.h"

namespace {

bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

const unsigned char kBom[] = {0xEF, 0xBB, 0xBF};

}  // namespace

HRESULT MarkupDepth::Feed(const unsigned char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size && m_state != State::NotMarkup; ++i) {
        if (const HRESULT status = FeedByte(data[i]); status != S_OK)
            return status;
    }
    return S_OK;
}

// Within <!...> or <?...?>: true once its terminator has passed. Until "<!" has shown whether it opens a
// comment or a CDATA section, the terminator is not yet known.
bool MarkupDepth::Skipped(unsigned char byte)
{
    if (m_terminator == nullptr) {
        m_opening[m_openingSize++] = static_cast<char>(byte);
        const std::string_view opening(m_opening, m_openingSize);
        if (opening == "--")
            m_terminator = "-->";
        else if (opening == "[CDATA[")
            m_terminator = "]]>";
        else if (std::string_view("--").substr(0, m_openingSize) != opening &&
                 std::string_view("[CDATA[").substr(0, m_openingSize) != opening)
            m_terminator = ">";
        if (m_terminator == nullptr || m_terminator[0] != '>')
            return false;
    }
    const std::size_t length = std::strlen(m_terminator);
    if (byte == static_cast<unsigned char>(m_terminator[m_matched]))
        ++m_matched;
    else
        m_matched = byte == static_cast<unsigned char>(m_terminator[0]) ? 1 : 0;
    return m_matched == length;
}

HRESULT MarkupDepth::FeedByte(unsigned char byte)
{
    switch (m_state) {
    case State::Start:
        // An optional byte order mark, white space, then the first tag.
        if (m_bomSeen < sizeof kBom && byte == kBom[m_bomSeen] && !m_spaceSeen) {
            ++m_bomSeen;
            return S_OK;
        }
        if (m_bomSeen != 0 && m_bomSeen != sizeof kBom)
            m_state = State::NotMarkup;
        else if (IsSpace(byte))
            m_spaceSeen = true;
        else
            m_state = byte == '<' ? State::TagOpen : State::NotMarkup;
        return S_OK;
    case State::Text:
        if (byte == '<')
            m_state = State::TagOpen;
        return S_OK;
    case State::TagOpen:
        if (byte == '/') {
            m_state = State::EndTag;
        } else if (byte == '!' || byte == '?') {
            m_state = State::Skip;
            m_terminator = byte == '?' ? "?>" : nullptr;
            m_matched = 0;
            m_openingSize = 0;
        } else {
            m_state = IsNameStart(byte) ? State::Name : State::NotMarkup;
        }
        return S_OK;
    case State::Name:
        if (IsNameChar(byte))
            return S_OK;
        m_state = State::InTag;
        [[fallthrough]];
    case State::InTag:
        if (byte == '"' || byte == '\'') {
            m_quote = byte;
            m_state = State::Quoted;
        } else if (byte == '/') {
            m_state = State::EmptyEnd;
        } else if (byte == '>') {
            m_state = State::Text;
            if (++m_depth > kMaxMarkupDepth)
                return XPS_E_INVALID_MARKUP;
        } else if (byte == '<') {
            m_state = State::NotMarkup;
        }
        return S_OK;
    case State::Quoted:
        if (byte == m_quote)
            m_state = State::InTag;
        return S_OK;
    case State::EmptyEnd:
        m_state = byte == '>' ? State::Text : State::NotMarkup;
        return S_OK;
    case State::EndTag:
        if (byte == '>') {
            m_state = m_depth > 0 ? State::Text : State::NotMarkup;
            if (m_depth > 0)
                --m_depth;
        }
        return S_OK;
    case State::Skip:
        if (Skipped(byte))
            m_state = State::Text;
        return S_OK;
    case State::NotMarkup:
        return S_OK;
    }
    return S_OK;
}
