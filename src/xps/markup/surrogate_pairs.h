// expat reads a UTF-16 high surrogate with whatever unit follows it, and so lets an unpaired one through
// as some other character: the units are checked before expat sees them.
#pragma once

#include <cstddef>

class SurrogatePairs {
public:
    // The part's next bytes; XPS_E_INVALID_MARKUP where a surrogate of UTF-16 markup is unpaired. Markup in
    // any other encoding passes.
    void Feed(const unsigned char* bytes, std::size_t size);
    // The part has ended; fails if it ended inside a pair.
    void Finish() const;

private:
    enum class Order { Unknown, None, Big, Little };

    void Decide();
    void Unit(unsigned unit);

    Order m_order = Order::Unknown;
    unsigned m_unit = 0;
    int m_read = 0;
    unsigned m_byte = 0;
    bool m_odd = false;
    bool m_high = false;
};
