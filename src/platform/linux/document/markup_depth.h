// Keeps deeply nested markup away from libgxps, which holds drawing state for every open element as it
// renders: 100,000 nested canvases take it 70 MiB, and a part of 64 MiB can nest millions deep.
#pragma once

#include <cstddef>

#include "platform.h"

// XmlLite, which reads XPS markup on Windows, stops at 256 levels by default; real pages nest a few.
constexpr std::size_t kMaxMarkupDepth = 1024;

// Reads a part as it streams past and, if it is markup, follows how deep its elements nest. A part that
// does not begin as markup, or stops looking like it, is left alone: no XML reader would get deeper.
class MarkupDepth {
public:
    // The next bytes of the part; fails with XPS_E_INVALID_MARKUP as soon as an element opens deeper
    // than kMaxMarkupDepth.
    HRESULT Feed(const unsigned char* data, std::size_t size);

private:
    enum class State { Start, Text, TagOpen, Name, InTag, Quoted, EmptyEnd, EndTag, Skip, NotMarkup };

    HRESULT FeedByte(unsigned char byte);
    bool Skipped(unsigned char byte);

    State m_state = State::Start;
    std::size_t m_depth = 0;
    std::size_t m_bomSeen = 0;
    bool m_spaceSeen = false;
    unsigned char m_quote = 0;
    // For <!-- -->, <![CDATA[ ]]>, <? ?> and <!...>: what ends it, and how much of that has been seen.
    const char* m_terminator = nullptr;
    std::size_t m_matched = 0;
    // The bytes after "<!" so far, to tell a comment and a CDATA section from a declaration: decided by
    // the seventh byte at the latest.
    char m_opening[8] = {};
    std::size_t m_openingSize = 0;
};
