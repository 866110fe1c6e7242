// How deep markup nests, followed as a part streams past: refused past the bound however it is split,
// and never a refusal for a part that is not markup.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "document_status.h"
#include "markup_depth.h"

namespace {

std::string Nested(std::size_t depth, const std::string& open = "<Canvas>", const std::string& close = "</Canvas>")
{
    std::string markup;
    for (std::size_t i = 0; i < depth; ++i)
        markup += open;
    for (std::size_t i = 0; i < depth; ++i)
        markup += close;
    return markup;
}

// Fed in pieces of the given size, so that every state is crossed at a piece boundary somewhere.
HRESULT Check(const std::string& part, std::size_t piece = 1)
{
    MarkupDepth depth;
    for (std::size_t at = 0; at < part.size(); at += piece) {
        const std::string chunk = part.substr(at, piece);
        if (const HRESULT status = depth.Feed(reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size());
            status != S_OK)
            return status;
    }
    return S_OK;
}

TEST(MarkupDepth, MarkupNestedUpToTheBoundPassesAndOneLevelMoreIsRefused)
{
    for (const std::size_t piece : {1, 7, 4096}) {
        EXPECT_EQ(Check(Nested(kMaxMarkupDepth), piece), S_OK);
        EXPECT_EQ(Check(Nested(kMaxMarkupDepth + 1), piece), XPS_E_INVALID_MARKUP);
        EXPECT_EQ(Check("\xEF\xBB\xBF <?xml version=\"1.0\"?>\n" + Nested(kMaxMarkupDepth + 1, "<Canvas Name=\"a>b\">"),
                        piece),
                  XPS_E_INVALID_MARKUP);
    }
}

TEST(MarkupDepth, EmptyElementsClosedElementsCommentsAndCdataAddNoDepth)
{
    std::string wide = "<FixedPage>";
    for (std::size_t i = 0; i < 3 * kMaxMarkupDepth; ++i)
        wide += "<Path Data=\"M 0,0 L 1,1\" /><Canvas></Canvas><!-- <a><b><c> --><![CDATA[<x><y>]]><?pi <z>?>";
    wide += "</FixedPage>";
    EXPECT_EQ(Check(wide), S_OK);
    EXPECT_EQ(Check(wide, 13), S_OK);
}

TEST(MarkupDepth, PartsThatAreNotMarkupAreLeftAlone)
{
    // A font, an image, text, and markup that turns into something else before it gets deep.
    std::string noise(1 << 20, '\0');
    std::mt19937 random(6);
    for (char& c : noise)
        c = static_cast<char>(random() % 256);
    EXPECT_EQ(Check(noise, 4096), S_OK);
    EXPECT_EQ(Check(std::string("\x89PNG\r\n") + Nested(2 * kMaxMarkupDepth)), S_OK);
    EXPECT_EQ(Check("letter " + Nested(2 * kMaxMarkupDepth)), S_OK);
    EXPECT_EQ(Check("<a><1>" + Nested(2 * kMaxMarkupDepth)), S_OK);
    EXPECT_EQ(Check("\xEF\xBB" + Nested(2 * kMaxMarkupDepth)), S_OK);
}

}  // namespace
