// The fonts a document holds past its bound are let go least recently drawn first; one larger than the
// bound on its own is held alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xps/text/font_memory.h"

namespace {

using Keys = std::vector<std::string>;

TEST(FontMemory, LetsGoTheLeastRecentlyDrawnFirst)
{
    FontMemory memory(100);
    memory.Hold("a", 40);
    memory.Hold("b", 40);
    EXPECT_EQ(memory.ToLetGo(20), Keys{});
    memory.Drawn("a");
    EXPECT_EQ(memory.ToLetGo(30), Keys{"b"});
    EXPECT_EQ(memory.ToLetGo(70), (Keys{"b", "a"}));
    EXPECT_EQ(memory.ToLetGo(500), (Keys{"b", "a"}));
    memory.LetGo("b");
    memory.Hold("c", 500);
    EXPECT_EQ(memory.Held(), 540u);
    EXPECT_EQ(memory.ToLetGo(1), (Keys{"a", "c"}));
}

}  // namespace
