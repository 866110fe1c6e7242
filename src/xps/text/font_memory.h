// How many bytes of font parts a document holds at once. Fonts are kept from the page that first draws
// them so that each goes into the PDF once, but a package may hold any number of them: past the bound,
// the fonts drawn least recently are let go, to be read again should a later page draw them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

constexpr std::size_t kFontMemoryBound = 32u << 20;

class FontMemory {
public:
    explicit FontMemory(std::size_t bound) : m_bound(bound) {}

    // A font now held, of so many bytes, and drawn.
    void Hold(const std::string& key, std::size_t bytes);
    // A held font drawn again: the last to be let go.
    void Drawn(const std::string& key);
    void LetGo(const std::string& key);

    // The fonts to let go, least recently drawn first, for one of so many bytes to fit within the bound.
    // A font larger than the bound on its own has every other let go, and is held alone.
    std::vector<std::string> ToLetGo(std::size_t bytes) const;
    std::size_t Held() const { return m_held; }

private:
    struct HeldFont {
        std::uint64_t drawn;
        std::size_t bytes;
    };

    std::size_t m_bound;
    std::size_t m_held = 0;
    std::uint64_t m_clock = 0;
    std::map<std::string, HeldFont> m_fonts;
    // The keys by when they were last drawn, earliest first.
    std::map<std::uint64_t, std::string> m_byDrawn;
};
