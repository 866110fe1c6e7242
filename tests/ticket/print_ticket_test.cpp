// One print ticket's markup read, and tickets merged by the scope of their keywords.
#include <gtest/gtest.h>

#include <string>

#include "ticket/ticket_markup.h"
#include "xps/ticket/print_ticket.h"

namespace {

using namespace ticket_markup;

bool AsksNothing(const PrintTicket& ticket)
{
    return !ticket.job.copies && !ticket.document.copies && !ticket.document.duplex && !ticket.page.mediaSize &&
        !ticket.page.outputColor && !ticket.page.inputBin;
}

TEST(PrintTicket, EachSettingIsReadFromItsKeyword)
{
    const PrintTicket ticket = ReadPrintTicket(Ticket(
        Parameter("psk:JobCopiesAllDocuments", " 2 ") + Parameter("psk:DocumentCopiesAllPages", "3") +
        Feature("psk:JobDuplexAllDocumentsContiguously", "psk:TwoSidedLongEdge") +
        Feature("psk:DocumentDuplex", "psk:TwoSidedShortEdge") + Feature("psk:DocumentCollate", "psk:Collated") +
        Feature("psk:JobNUpAllDocumentsContiguously", "", Scored("psk:PagesPerSheet", "4")) +
        Feature("psk:DocumentNUp", "", Scored("psk:PagesPerSheet", "2")) + Parameter("psk:DocumentPageRanges", "1-3,5") +
        Feature("psk:JobInputBin", "psk:Manual") + Feature("psk:DocumentInputBin", "psk:Cassette") +
        Feature("psk:PageInputBin", "psk:High") +
        Feature("psk:PageMediaSize", "psk:ISOA4", Scored("psk:MediaSizeWidth", "210000") + Scored("psk:MediaSizeHeight", "297000")) +
        Feature("psk:PageOutputColor", "psk:Grayscale", Scored("psk:DeviceBitsPerPixel", "8")) +
        Feature("psk:PageMediaType", "psk:PhotographicGlossy") + Feature("psk:PageScaling", "psk:FitApplicationBleedToImageable")));
    EXPECT_EQ(ticket.job.copies, 2);
    EXPECT_EQ(ticket.job.duplex, "TwoSidedLongEdge");
    EXPECT_EQ(ticket.job.pagesPerSheet, 4);
    EXPECT_EQ(ticket.job.inputBin, "Manual");
    EXPECT_EQ(ticket.document.copies, 3);
    EXPECT_EQ(ticket.document.duplex, "TwoSidedShortEdge");
    EXPECT_EQ(ticket.document.collate, "Collated");
    EXPECT_EQ(ticket.document.pagesPerSheet, 2);
    EXPECT_EQ(ticket.document.inputBin, "Cassette");
    EXPECT_EQ(ticket.document.pageRanges, (std::vector<PageRange>{{1, 3}, {5, 5}}));
    EXPECT_EQ(ticket.page.inputBin, "High");
    EXPECT_EQ(ticket.page.mediaSize, (MediaSize{210000, 297000}));
    EXPECT_EQ(ticket.page.outputColor, "Grayscale");
    EXPECT_EQ(ticket.page.mediaType, "PhotographicGlossy");
    EXPECT_EQ(ticket.page.scaling, "FitApplicationBleedToImageable");
}

TEST(PrintTicket, CustomMediaSizeIsReadThroughItsParameters)
{
    const std::string custom = Feature("psk:PageMediaSize", "psk:CustomMediaSize",
                                       Referring("psk:MediaSizeWidth", "psk:PageMediaSizeMediaSizeWidth") +
                                           Referring("psk:MediaSizeHeight", "psk:PageMediaSizeMediaSizeHeight"));
    // Parameters may come before or after what refers to them.
    const PrintTicket ticket = ReadPrintTicket(Ticket(Parameter("psk:PageMediaSizeMediaSizeWidth", "280021") + custom +
                                                      Parameter("psk:PageMediaSizeMediaSizeHeight", "396014")));
    EXPECT_EQ(ticket.page.mediaSize, (MediaSize{280021, 396014}));
    // A size that is no number, or none, or beyond any paper asks for no media.
    EXPECT_FALSE(ReadPrintTicket(Ticket(Media(210000, 0))).page.mediaSize);
    EXPECT_FALSE(ReadPrintTicket(Ticket(Media(210000, 2000000000))).page.mediaSize);
    EXPECT_FALSE(ReadPrintTicket(Ticket(Feature("psk:PageMediaSize", "psk:ISOA4"))).page.mediaSize);
}

TEST(PrintTicket, OnlyPrintSchemaKeywordsAreReadWhateverTheirPrefix)
{
    const PrintTicket ticket = ReadPrintTicket(
        "<t:PrintTicket xmlns:t=\"" + kFramework + "\" xmlns:k=\"" + kKeywords + "\" xmlns:psk=\"http://example.com/other\">"
        "<t:Feature name=\"k:PageOutputColor\"><t:Option name=\"k:Monochrome\"/></t:Feature>"
        "<t:Feature name=\"psk:JobInputBin\"><t:Option name=\"psk:Manual\"/></t:Feature>"
        "<t:Feature name=\"k:PageMediaType\"><t:Option name=\"psk:Plain\"/></t:Feature>"
        "<t:Feature name=\"PageScaling\"><t:Option name=\"None\"/></t:Feature>"
        "<t:ParameterInit name=\"psk:JobCopiesAllDocuments\"><t:Value>2</t:Value></t:ParameterInit>"
        "</t:PrintTicket>");
    EXPECT_EQ(ticket.page.outputColor, "Monochrome");
    EXPECT_FALSE(ticket.job.inputBin);
    EXPECT_FALSE(ticket.page.mediaType);
    EXPECT_FALSE(ticket.page.scaling);
    EXPECT_FALSE(ticket.job.copies);
    EXPECT_FALSE(ReadPrintTicket(Ticket(Feature("ns0000:PageOutputColor", "psk:Monochrome"))).page.outputColor);
}

TEST(PrintTicket, AFeatureTellsItsFirstOptionAndARepeatedFeatureTellsNothingNew)
{
    const PrintTicket ticket = ReadPrintTicket(Ticket(
        "<psf:Feature name=\"psk:DocumentNUp\"><psf:Option>" + Scored("psk:PagesPerSheet", "2") + "</psf:Option><psf:Option>" +
        Scored("psk:PagesPerSheet", "6") + "</psf:Option></psf:Feature>" + Feature("psk:PageOutputColor", "psk:Monochrome") +
        Feature("psk:PageOutputColor", "psk:Color") + Parameter("psk:JobCopiesAllDocuments", "two")));
    EXPECT_EQ(ticket.document.pagesPerSheet, 2);
    EXPECT_EQ(ticket.page.outputColor, "Monochrome");
    EXPECT_FALSE(ticket.job.copies);
}

TEST(PrintTicket, PageRangesAreParsedOrDropped)
{
    EXPECT_EQ(ParsePageRanges("2"), (std::vector<PageRange>{{2, 2}}));
    EXPECT_EQ(ParsePageRanges(" 1 - 3 ,7-7"), (std::vector<PageRange>{{1, 3}, {7, 7}}));
    for (const char* malformed : {"", "0", "3-1", "1,,2", "1-", "-4", "a", "1;2", "99999999999"})
        EXPECT_FALSE(ParsePageRanges(malformed)) << malformed;
    EXPECT_FALSE(ReadPrintTicket(Ticket(Parameter("psk:DocumentPageRanges", "5-2"))).document.pageRanges);
}

TEST(PrintTicket, ABrokenTicketAsksNothingAtAll)
{
    const std::string copies = Parameter("psk:JobCopiesAllDocuments", "2");
    ASSERT_EQ(ReadPrintTicket(Ticket(copies)).job.copies, 2);
    std::string features;
    for (int i = 0; i < 10'000; ++i)
        features += Feature("ns0000:Private" + std::to_string(i), "ns0000:On");
    std::string deep = copies;
    for (int i = 0; i < 40; ++i)
        deep = "<psf:Property name=\"ns0000:Nest\">" + deep + "</psf:Property>";
    std::string doctype = Ticket(Parameter("psk:JobCopiesAllDocuments", "&two;"));
    doctype.insert(doctype.find("?>") + 2, "<!DOCTYPE psf:PrintTicket [<!ENTITY two \"2\">]>");
    const std::string broken[] = {
        "",
        "not markup at all",
        Ticket(copies).substr(0, 400),
        doctype,
        "<psf:PrintCapabilities xmlns:psf=\"" + kFramework + "\" xmlns:psk=\"" + kKeywords + "\">" + copies + "</psf:PrintCapabilities>",
        "<psf:PrintTicket xmlns:psf=\"http://example.com/framework\" xmlns:psk=\"" + kKeywords + "\">" + copies + "</psf:PrintTicket>",
        Ticket(copies + features),
        Ticket(deep),
        Ticket(copies + Feature("psk:PageMediaSize", "psk:CustomMediaSize", Referring("psk:MediaSizeWidth", "psk:Nothing"))),
        Ticket(copies + Feature("undeclared:PageOutputColor", "psk:Monochrome")),
    };
    for (const std::string& markup : broken)
        EXPECT_TRUE(AsksNothing(ReadPrintTicket(markup))) << markup.substr(0, 200);
}

TEST(TicketMerge, TheMoreSpecificTicketWinsOfWhatItsLevelMaySay)
{
    const PrintTicket job = Scoped(ReadPrintTicket(Ticket(Parameter("psk:JobCopiesAllDocuments", "2") +
                                                          Feature("psk:DocumentDuplex", "psk:TwoSidedLongEdge") +
                                                          Feature("psk:PageOutputColor", "psk:Monochrome") + Media(210000, 297000) +
                                                          Feature("psk:PageMediaType", "psk:Plain"))),
                                   TicketLevel::Job);
    const PrintTicket document = Scoped(ReadPrintTicket(Ticket(Parameter("psk:JobCopiesAllDocuments", "5") +
                                                               Feature("psk:DocumentDuplex", "psk:OneSided") +
                                                               Feature("psk:PageOutputColor", "psk:Grayscale"))),
                                        TicketLevel::Document);
    const PrintTicket page = Scoped(ReadPrintTicket(Ticket(Feature("psk:DocumentDuplex", "psk:TwoSidedShortEdge") +
                                                           Media(215900, 279400))),
                                    TicketLevel::Page);
    const PrintTicket merged = Merged(page, Merged(document, job));
    // A document ticket's Job* keyword is not its to say, nor a page ticket's Document* one.
    EXPECT_EQ(merged.job.copies, 2);
    EXPECT_EQ(merged.document.duplex, "OneSided");
    // Page* keywords hold at every level, the page's over the document's over the job's.
    EXPECT_EQ(merged.page.outputColor, "Grayscale");
    EXPECT_EQ(merged.page.mediaSize, (MediaSize{215900, 279400}));
    EXPECT_EQ(merged.page.mediaType, "Plain");
}

}  // namespace
