#include "xps/text/font_memory.h"

void FontMemory::Hold(const std::string& key, std::size_t bytes)
{
    LetGo(key);
    m_fonts.emplace(key, HeldFont{++m_clock, bytes});
    m_byDrawn.emplace(m_clock, key);
    m_held += bytes;
}

void FontMemory::Drawn(const std::string& key)
{
    const auto found = m_fonts.find(key);
    if (found == m_fonts.end() || found->second.drawn == m_clock)
        return;
    m_byDrawn.erase(found->second.drawn);
    found->second.drawn = ++m_clock;
    m_byDrawn.emplace(m_clock, key);
}

void FontMemory::LetGo(const std::string& key)
{
    const auto found = m_fonts.find(key);
    if (found == m_fonts.end())
        return;
    m_byDrawn.erase(found->second.drawn);
    m_held -= found->second.bytes;
    m_fonts.erase(found);
}

std::vector<std::string> FontMemory::ToLetGo(std::size_t bytes) const
{
    std::vector<std::string> keys;
    std::size_t held = m_held;
    for (auto next = m_byDrawn.begin(); next != m_byDrawn.end() && held + bytes > m_bound; ++next) {
        keys.push_back(next->second);
        held -= m_fonts.at(next->second).bytes;
    }
    return keys;
}
