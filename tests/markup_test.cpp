#include <gtest/gtest.h>

#include <string>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/markup_namespaces.h"
#include "xps/markup/xml_element.h"

namespace {

#define XPS " xmlns='http://schemas.microsoft.com/xps/2005/06'"
#define OXPS " xmlns='http://schemas.openxps.org/oxps/v1.0'"
#define MC " xmlns:mc='http://schemas.openxmlformats.org/markup-compatibility/2006'"

class Recorder final : public MarkupHandler {
public:
    void StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes) override
    {
        events += "<" + std::string(name);
        for (const MarkupAttribute& attribute : attributes)
            events += " " + std::string(attribute.name) + "=" + std::string(attribute.value);
        events += ">";
    }
    void EndElement(std::string_view name) override { events += "</" + std::string(name) + ">"; }

    std::string events;
};

std::string Events(std::string_view markup, std::size_t chunk = std::string_view::npos)
{
    Recorder recorder;
    MarkupReader reader(recorder);
    for (std::size_t at = 0; at < markup.size(); at += chunk)
        reader.Feed(markup.data() + at, std::min(chunk, markup.size() - at));
    reader.Finish();
    return recorder.events;
}

HRESULT Failure(std::string_view markup)
{
    try {
        Events(markup);
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    return S_OK;
}

std::string Dump(const XmlElement& element)
{
    std::string dump = "<" + element.name;
    for (const XmlAttribute& attribute : element.attributes)
        dump += " " + attribute.name + "=" + attribute.value;
    dump += ">";
    for (const XmlElement& child : element.children)
        dump += Dump(child);
    return dump + "</>";
}

std::string Utf16(std::u16string_view text, bool bigEndian)
{
    std::string bytes;
    for (const char16_t unit : std::u16string(u"\uFEFF") + std::u16string(text)) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

}  // namespace

TEST(MarkupNames, BothXpsNamespacesGiveTheSameEvents)
{
#define PAGE(NAMESPACE, KEY)                                                                                   \
    "<FixedPage" NAMESPACE " xmlns:x='" KEY "' xmlns:f='urn:foreign' Width='8' xml:lang='en' f:Extra='1'>" \
    "<Canvas.Resources><ResourceDictionary><SolidColorBrush x:Key='Red' Color='#f00'/>"                      \
    "</ResourceDictionary></Canvas.Resources><f:Shape><Path/></f:Shape>"                                    \
    "<Path Data='M 0,0 L 1,1'><Path.Fill><SolidColorBrush Color='&amp;'/></Path.Fill></Path></FixedPage>"
    const std::string xps = Events(PAGE(XPS, "http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key"));
    EXPECT_EQ(xps, "<FixedPage Width=8 xml:lang=en><Canvas.Resources><ResourceDictionary>"
                   "<SolidColorBrush x:Key=Red Color=#f00></SolidColorBrush></ResourceDictionary></Canvas.Resources>"
                   "<Path Data=M 0,0 L 1,1><Path.Fill><SolidColorBrush Color=&></SolidColorBrush></Path.Fill></Path>"
                   "</FixedPage>");
    EXPECT_EQ(Events(PAGE(OXPS, "http://schemas.openxps.org/oxps/v1.0/resourcedictionary-key")), xps);
}

TEST(MarkupNames, AnAttributeNamedTwiceOnceFoldedFails)
{
    EXPECT_EQ(Failure("<Path" XPS " xmlns:o='http://schemas.openxps.org/oxps/v1.0' Fill='a' o:Fill='b'/>"),
              XPS_E_INVALID_MARKUP);
}

TEST(MarkupNames, PackagePartsAreReadInTheNamespacesGiven)
{
    const std::string rels = "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
                             "<Relationship Target='/FixedDocSeq.fdseq' Id='R1'/></Relationships>";
    const XmlElement tree = ParseMarkupTree(rels, {kRelationshipsNamespace});
    ASSERT_EQ(tree.children.size(), 1u);
    EXPECT_EQ(*tree.children[0].Attribute("Target"), "/FixedDocSeq.fdseq");
    EXPECT_EQ(tree.children[0].Attribute("Type"), nullptr);
    EXPECT_THROW(ParseMarkupTree(rels), DocumentFailure);
}

TEST(MarkupCompatibility, IgnorableSkipsExtensionsAndKeepsTheRest)
{
    EXPECT_EQ(Events("<Canvas" XPS MC " xmlns:v2='urn:v2' mc:Ignorable='v2' v2:Glow='1' Opacity='1'>"
                     "<v2:Shadow><Path Data='skipped'/></v2:Shadow><Path Data='kept' v2:Blur='2'/></Canvas>"),
              "<Canvas Opacity=1><Path Data=kept></Path></Canvas>");
}

TEST(MarkupCompatibility, ProcessContentStandsInTheElementsPlaceWithinItsScope)
{
    EXPECT_EQ(Events("<Canvas" XPS MC " xmlns:v2='urn:v2'>"
                     "<Canvas mc:Ignorable='v2' mc:ProcessContent='v2:Group'>"
                     "<v2:Group Tint='1'><Path Data='in'/></v2:Group><v2:Other><Path Data='not'/></v2:Other></Canvas>"
                     "<v2:Group><Path Data='out of scope'/></v2:Group>"
                     "<Canvas mc:ProcessContent='v2:Group'><v2:Group><Path Data='not ignorable'/></v2:Group></Canvas>"
                     "</Canvas>"),
              "<Canvas><Canvas><Path Data=in></Path></Canvas><Canvas></Canvas></Canvas>");
}

TEST(MarkupCompatibility, AlternateContentTakesTheFirstUnderstoodChoiceElseTheFallback)
{
    EXPECT_EQ(Events("<Canvas" XPS MC " xmlns:v3='urn:v3' xmlns:o='http://schemas.openxps.org/oxps/v1.0'>"
                     "<mc:AlternateContent><mc:Choice Requires='v3'><Path Data='v3'/></mc:Choice>"
                     "<mc:Choice Requires='o'><Path Data='first'/><Glyphs/></mc:Choice>"
                     "<mc:Choice Requires='o'><Path Data='second'/></mc:Choice>"
                     "<mc:Fallback><Path Data='fallback'/></mc:Fallback></mc:AlternateContent>"
                     "<mc:AlternateContent><mc:Choice Requires='o v3'><Path Data='v3'/></mc:Choice>"
                     "<mc:Fallback><Path Data='fallback'/></mc:Fallback></mc:AlternateContent>"
                     "<mc:AlternateContent><mc:Choice Requires='v3'><Path/></mc:Choice></mc:AlternateContent>"
                     "</Canvas>"),
              "<Canvas><Path Data=first></Path><Glyphs></Glyphs><Path Data=fallback></Path></Canvas>");
}

TEST(MarkupCompatibility, MustUnderstandFailsForANamespaceNotUnderstood)
{
    EXPECT_EQ(Failure("<Canvas" XPS MC " xmlns:v2='urn:v2' mc:MustUnderstand='v2'/>"), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<Canvas" XPS MC " mc:MustUnderstand='undeclared'/>"), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<Canvas" XPS MC " xmlns:o='http://schemas.openxps.org/oxps/v1.0' mc:MustUnderstand='o'/>"), S_OK);
}

TEST(HostileMarkup, DoctypesAndTheirEntitiesAreRefusedBeforeAnythingIsRead)
{
    std::string laughs = "<!DOCTYPE FixedPage [<!ENTITY l0 'ha'>";
    for (int level = 1; level < 30; ++level) {
        laughs += "<!ENTITY l" + std::to_string(level) + " '";
        for (int copy = 0; copy < 10; ++copy)
            laughs += "&l" + std::to_string(level - 1) + ";";
        laughs += "'>";
    }
    laughs += "]><FixedPage" XPS " Name='&l29;'/>";
    EXPECT_EQ(Failure(laughs), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<?xml version='1.0'?><!DOCTYPE FixedPage [<!ENTITY e SYSTEM 'file:///etc/passwd'>]>"
                      "<FixedPage" XPS ">&e;</FixedPage>"),
              XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<!DOCTYPE FixedPage SYSTEM 'http://example.com/page.dtd'><FixedPage" XPS "/>"), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<FixedPage" XPS ">&undeclared;</FixedPage>"), XPS_E_INVALID_MARKUP);
}

TEST(HostileMarkup, MarkupNotWellFormedFails)
{
    EXPECT_EQ(Failure(""), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<FixedPage" XPS "><Path>"), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<FixedPage" XPS " Width='1' Width='2'/>"), XPS_E_INVALID_MARKUP);
}

TEST(HostileMarkup, UnpairedSurrogatesInUtf16Fail)
{
    const auto glyphs = [](std::u16string_view text) {
        return u"<Glyphs" XPS " UnicodeString='" + std::u16string(text) + u"'/>";
    };
    for (const bool bigEndian : {false, true}) {
        for (const std::u16string& text : {std::u16string{0xD83D, u'x'}, std::u16string{0xDE00}, std::u16string{0xD83D}}) {
            const std::string markup = Utf16(glyphs(text), bigEndian);
            EXPECT_EQ(Failure(markup), XPS_E_INVALID_MARKUP);
            EXPECT_THROW(Events(markup, 1), DocumentFailure);
        }
        EXPECT_EQ(Failure(Utf16(glyphs(std::u16string{0xD83D, 0xDE00}), bigEndian)), S_OK);
    }
}

TEST(HostileMarkup, ElementsXpsDoesNotDefineFailInItsNamespacesOnly)
{
    EXPECT_EQ(Failure("<FixedPage" XPS "><Rectangle/></FixedPage>"), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<Canvas" OXPS "><Canvas.Fill/></Canvas>"), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<PathFigure" XPS "><LineSegment Point='1,1'/></PathFigure>"), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(Failure("<FixedDocument" XPS "><PageContent><PageContent.LinkTargets><LinkTarget Name='a'/>"
                      "</PageContent.LinkTargets></PageContent></FixedDocument>"),
              S_OK);
    EXPECT_EQ(Failure("<Canvas" XPS MC " xmlns:v2='urn:v2' xmlns:f='urn:foreign' mc:Ignorable='v2'>"
                      "<Glyphs><Glyphs.RenderTransform><MatrixTransform/></Glyphs.RenderTransform></Glyphs>"
                      "<Path><Path.Fill><RadialGradientBrush><RadialGradientBrush.Transform/></RadialGradientBrush>"
                      "</Path.Fill></Path><v2:Ink><Rectangle/></v2:Ink><f:Shape><Rectangle/></f:Shape>"
                      "<mc:AlternateContent><mc:Choice Requires='v2'><Rectangle/></mc:Choice></mc:AlternateContent>"
                      "</Canvas>"),
              S_OK);
}

TEST(HostileMarkup, NestingPastTheLimitFails)
{
    const auto nested = [](std::size_t depth) {
        std::string markup = "<Canvas" XPS ">";
        for (std::size_t level = 1; level < depth; ++level)
            markup += "<Canvas>";
        for (std::size_t level = 0; level < depth; ++level)
            markup += "</Canvas>";
        return markup;
    };
    EXPECT_EQ(Failure(nested(kMaxMarkupDepth)), S_OK);
    EXPECT_EQ(Failure(nested(kMaxMarkupDepth + 1)), XPS_E_INVALID_MARKUP);
}

TEST(HostileMarkup, AHandlersFailureComesBackFromFeed)
{
    struct Refuser final : MarkupHandler {
        void StartElement(std::string_view, const std::vector<MarkupAttribute>&) override { ThrowDocument(E_FAIL); }
        void EndElement(std::string_view) override {}
    } refuser;
    MarkupReader reader(refuser);
    const std::string markup = "<FixedPage" XPS "><Path/></FixedPage>";
    try {
        reader.Feed(markup.data(), markup.size());
        FAIL();
    } catch (const DocumentFailure& failure) {
        EXPECT_EQ(failure.Status(), E_FAIL);
    }
    EXPECT_THROW(reader.Finish(), DocumentFailure);
}

#define SAMPLE                                                                                                 \
    "<FixedPage xmlns='http://schemas.openxps.org/oxps/v1.0'" MC " xmlns:v2='urn:v2' mc:Ignorable='v2'>"       \
    "<mc:AlternateContent><mc:Choice Requires='v2'><Path/></mc:Choice><mc:Fallback>"                           \
    "<Glyphs UnicodeString='\u00e9\u20ac\U0001F600' v2:Glow='1'/></mc:Fallback></mc:AlternateContent></FixedPage>"

TEST(MarkupEncodings, Utf16AndByteOrderMarksGiveTheSameTreeAsUtf8)
{
    const std::string utf8 = Dump(ParseMarkupTree(u8"" SAMPLE));
    EXPECT_EQ(utf8, "<FixedPage><Glyphs UnicodeString=\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80></></>");
    EXPECT_EQ(Dump(ParseMarkupTree(u8"\uFEFF<?xml version='1.0' encoding='UTF-8'?>" SAMPLE)), utf8);
    for (const bool bigEndian : {false, true}) {
        EXPECT_EQ(Dump(ParseMarkupTree(Utf16(u"" SAMPLE, bigEndian))), utf8);
        EXPECT_EQ(Dump(ParseMarkupTree(Utf16(u"<?xml version='1.0' encoding='UTF-16'?>" SAMPLE, bigEndian))), utf8);
    }
}

TEST(MarkupStreaming, FeedingByteByByteGivesTheSameEventsAsWhole)
{
    const std::string utf16 = Utf16(u"" SAMPLE, false);
    EXPECT_EQ(Events(utf16, 1), Events(utf16));
    EXPECT_EQ(Events(u8"" SAMPLE, 1), Events(u8"" SAMPLE));
}

TEST(MarkupTrees, TheBuilderTakesOneSubtreeAfterAnother)
{
    XmlTreeBuilder builder;
    builder.StartElement("Path", {{"Data", "M 0,0"}});
    builder.StartElement("Path.Fill", {});
    builder.EndElement("Path.Fill");
    EXPECT_FALSE(builder.Done());
    builder.EndElement("Path");
    ASSERT_TRUE(builder.Done());
    EXPECT_EQ(Dump(builder.Take()), "<Path Data=M 0,0><Path.Fill></></>");
    builder.StartElement("Glyphs", {});
    builder.EndElement("Glyphs");
    EXPECT_EQ(Dump(builder.Take()), "<Glyphs></>");
}

TEST(MarkupTrees, TheNodeCapHolds)
{
    // Five nodes: three elements, two attributes.
    const std::string markup = "<Canvas" XPS " Opacity='1'><Path Data='M'/><Path/></Canvas>";
    EXPECT_NO_THROW(ParseMarkupTree(markup, {}, 5));
    try {
        ParseMarkupTree(markup, {}, 4);
        FAIL();
    } catch (const DocumentFailure& failure) {
        EXPECT_EQ(failure.Status(), E_OUTOFMEMORY);
    }
}

TEST(MarkupTrees, FiguresAndSegmentsArePackedInOrderAndNotCountedAsNodes)
{
    // Nine nodes held at most of fifteen: the geometry, its transform's two elements and attribute, and
    // the open figure and segment with theirs.
    const std::string markup = "<PathGeometry" XPS "><PathGeometry.Transform><MatrixTransform Matrix='m'/>"
                               "</PathGeometry.Transform><PathFigure StartPoint='1,1'><ArcSegment Point='2,2' Size='1,1'/>"
                               "<PolyLineSegment Points='3,3'/></PathFigure><PathFigure><PolyLineSegment/></PathFigure>"
                               "<PathFigure IsClosed='true'/></PathGeometry>";
    const XmlElement tree = ParseMarkupTree(markup, {}, 9);
    EXPECT_EQ(Dump(tree), "<PathGeometry><PathGeometry.Transform><MatrixTransform Matrix=m></></></>");
    std::string figures;
    PackedElement figure, segment;
    for (PackedElements packed(tree.packed); packed.Next(figure);) {
        figures += "<" + std::string(figure.name);
        for (const auto& [name, value] : figure.attributes)
            figures += " " + std::string(name) + "=" + std::string(value);
        for (PackedElements segments(figure.packed); segments.Next(segment);)
            figures += " [" + std::string(segment.name) + " " + std::string(segment.Attribute("Point").value_or("-")) + "]";
        figures += ">";
    }
    EXPECT_EQ(figures, "<PathFigure StartPoint=1,1 [ArcSegment 2,2] [PolyLineSegment -]><PathFigure [PolyLineSegment -]>"
                       "<PathFigure IsClosed=true>");
}
