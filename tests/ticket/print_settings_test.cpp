// A package's print tickets found through its relationships and merged into the job's settings.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "memory_zip.h"
#include "ticket/ticket_markup.h"
#include "xps/package/package_reader.h"
#include "xps/ticket/print_settings.h"

namespace {

using namespace ticket_markup;

const std::string kRelationships = "http://schemas.openxmlformats.org/package/2006/relationships";
const std::string kXpsTicket = "http://schemas.microsoft.com/xps/2005/06/printticket";
const std::string kOpenXpsTicket = "http://schemas.openxps.org/oxps/v1.0/printticket";

// A part's relationships, each a target of that type.
std::string Relationships(const std::vector<std::pair<std::string, std::string>>& targets)
{
    std::string markup = "<Relationships xmlns=\"" + kRelationships + "\">";
    for (std::size_t i = 0; i < targets.size(); ++i)
        markup += "<Relationship Id=\"R" + std::to_string(i) + "\" Type=\"" + targets[i].first + "\" Target=\"" +
            targets[i].second + "\"/>";
    return markup + "</Relationships>";
}

// Ticket parts named as targets (relative to the part that has them, or absolute), empty for none.
struct Document {
    std::string ticket;
    std::vector<std::string> pageTickets;
};

struct Package {
    std::string jobTicket;
    std::vector<Document> documents;
    std::map<std::string, std::string> tickets;
    std::string ticketType = kXpsTicket;

    PrintSettings Read() const
    {
        const std::string xps = "http://schemas.microsoft.com/xps/2005/06";
        std::vector<memory_zip::Entry> entries = {
            {"[Content_Types].xml", "<Types/>"},
            {"_rels/.rels", Relationships({{kRelationships + "/fixedrepresentation", "/Job.fdseq"}})},
        };
        std::string sequence = "<FixedDocumentSequence xmlns=\"" + xps + "\">";
        for (std::size_t d = 0; d < documents.size(); ++d) {
            const std::string folder = "Documents/" + std::to_string(d + 1);
            sequence += "<DocumentReference Source=\"/" + folder + "/Doc.fdoc\"/>";
            std::string document = "<FixedDocument xmlns=\"" + xps + "\">";
            for (std::size_t p = 0; p < documents[d].pageTickets.size(); ++p) {
                const std::string page = std::to_string(p + 1) + ".fpage";
                document += "<PageContent Source=\"Pages/" + page + "\"/>";
                entries.push_back({folder + "/Pages/" + page, "<FixedPage/>"});
                Relate(entries, folder + "/Pages/_rels/" + page + ".rels", documents[d].pageTickets[p]);
            }
            entries.push_back({folder + "/Doc.fdoc", document + "</FixedDocument>"});
            Relate(entries, folder + "/_rels/Doc.fdoc.rels", documents[d].ticket);
        }
        entries.push_back({"Job.fdseq", sequence + "</FixedDocumentSequence>"});
        Relate(entries, "_rels/Job.fdseq.rels", jobTicket);
        for (const auto& [name, markup] : tickets)
            entries.push_back({name, markup});
        const UniqueFd file = memory_zip::Zip(entries);
        return ReadPrintSettings(PackageReader(file.Get()));
    }

    void Relate(std::vector<memory_zip::Entry>& entries, const std::string& name, const std::string& ticket) const
    {
        if (!ticket.empty())
            entries.push_back({name, Relationships({{kRelationships + "/thumbnail", "/x.png"}, {ticketType, ticket}})});
    }
};

TEST(TicketSettings, PagesOverDocumentOverJobOfWhatEachLevelMaySay)
{
    Package package;
    package.jobTicket = "/Metadata/Job_PT.xml";
    package.documents = {{"../../Metadata/Doc_PT.xml", {"../Metadata/Page_PT.xml", "../Metadata/Page_PT.xml"}}};
    package.tickets = {
        {"Metadata/Job_PT.xml", Ticket(Parameter("psk:JobCopiesAllDocuments", "2") + Feature("psk:DocumentCollate", "psk:Collated") +
                                       Feature("psk:PageOutputColor", "psk:Monochrome") + Feature("psk:JobInputBin", "psk:AutoSelect") +
                                       Media(210000, 297000) + Feature("ns0000:JobInterleaving", "ns0000:OFF"))},
        // As Windows' own writer does, a Job* keyword in the document ticket, which is not the document's to say.
        {"Metadata/Doc_PT.xml", Ticket(Parameter("psk:JobCopiesAllDocuments", "1") + Feature("psk:DocumentDuplex", "psk:TwoSidedLongEdge") +
                                       Feature("psk:DocumentInputBin", "psk:Manual") + Feature("psk:PageOutputColor", "psk:Grayscale"))},
        {"Documents/1/Metadata/Page_PT.xml", Ticket(Parameter("psk:JobCopiesAllDocuments", "9") + Media(215900, 279400) +
                                                    Feature("psk:PageScaling", "psk:None") + Feature("psk:PageInputBin", "psk:AutoSelect"))},
    };
    const PrintSettings settings = package.Read();
    EXPECT_EQ(settings.copies, 2);
    EXPECT_EQ(settings.sides, "TwoSidedLongEdge");
    EXPECT_EQ(settings.collated, true);
    // The pages' AutoSelect names no bin, and leaves the document's.
    EXPECT_EQ(settings.inputBin, "Manual");
    EXPECT_EQ(settings.outputColor, "Grayscale");
    EXPECT_EQ(settings.media, (MediaSize{215900, 279400}));
    EXPECT_FALSE(settings.mediaVaries);
    EXPECT_EQ(settings.scaling, "None");
    EXPECT_FALSE(settings.mediaType);

    package.ticketType = kOpenXpsTicket;
    EXPECT_EQ(package.Read().copies, 2);
}

TEST(TicketSettings, PageSettingsHoldOnlyWherePagesAgree)
{
    Package package;
    package.jobTicket = "/A4.xml";
    package.documents = {{"", {"", "/A4.xml"}}, {"", {"/Letter.xml"}}};
    package.tickets = {
        {"A4.xml", Ticket(Media(210000, 297000) + Feature("psk:PageOutputColor", "psk:Monochrome"))},
        {"Letter.xml", Ticket(Media(215900, 279400) + Feature("psk:PageOutputColor", "psk:Monochrome"))},
    };
    PrintSettings settings = package.Read();
    EXPECT_FALSE(settings.media);
    EXPECT_TRUE(settings.mediaVaries);
    EXPECT_EQ(settings.outputColor, "Monochrome");

    package.documents[1].pageTickets = {"/A4.xml"};
    settings = package.Read();
    EXPECT_EQ(settings.media, (MediaSize{210000, 297000}));
    EXPECT_FALSE(settings.mediaVaries);
}

TEST(TicketSettings, TheFirstDocumentSettlesWhatDocumentsDisagreeOn)
{
    Package package;
    package.documents = {{"/One.xml", {""}}, {"/Two.xml", {"", ""}}};
    package.tickets = {
        {"One.xml", Ticket(Parameter("psk:DocumentCopiesAllPages", "3") + Feature("psk:DocumentDuplex", "psk:OneSided") +
                           Feature("psk:DocumentCollate", "psk:Uncollated"))},
        {"Two.xml", Ticket(Parameter("psk:DocumentCopiesAllPages", "2") + Feature("psk:DocumentDuplex", "psk:TwoSidedShortEdge") +
                           Feature("psk:DocumentCollate", "psk:Collated"))},
    };
    const PrintSettings settings = package.Read();
    EXPECT_EQ(settings.copies, 3);
    EXPECT_EQ(settings.sides, "OneSided");
    EXPECT_EQ(settings.collated, false);
}

TEST(TicketSettings, PageRangesAreClampedToTheDocumentsPages)
{
    Package package;
    package.jobTicket = "/Job.xml";
    package.documents = {{"", {"", "", ""}}};
    package.tickets = {{"Job.xml", Ticket(Parameter("psk:DocumentPageRanges", "2-5,9"))}};
    EXPECT_EQ(package.Read().pageRanges, (std::vector<PageRange>{{2, 3}}));
    // Ranges count one document's pages, which a job of two documents cannot say.
    package.documents.push_back({"", {""}});
    EXPECT_TRUE(package.Read().pageRanges.empty());
}

TEST(TicketSettings, TicketsMissingOversizedOrBrokenAreNoTickets)
{
    const std::string copies = Parameter("psk:JobCopiesAllDocuments", "2");
    Package package;
    package.documents = {{"", {""}}};
    package.jobTicket = "/Missing.xml";
    EXPECT_FALSE(package.Read().copies);

    package.jobTicket = "/Large.xml";
    package.tickets = {{"Large.xml", Ticket(copies + std::string(kMaxTicketBytes, ' '))}};
    EXPECT_FALSE(package.Read().copies);

    package.jobTicket = "/Broken.xml";
    package.tickets = {{"Broken.xml", "<!DOCTYPE x>" + Ticket(copies)}};
    EXPECT_FALSE(package.Read().copies);

    // A target that leaves the package, and relationships that do not parse.
    package.jobTicket = "http://example.com/Job.xml";
    EXPECT_FALSE(package.Read().copies);
    package.jobTicket = "/Job.xml\"<";
    package.tickets = {{"Job.xml", Ticket(copies)}};
    EXPECT_FALSE(package.Read().copies);
    package.jobTicket = "/Job.xml";
    EXPECT_EQ(package.Read().copies, 2);
}

}  // namespace
