// What a document's print tickets ask reaches its job on the server, as far as the queue can take it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "memory_zip.h"
#include "print_server.h"
#include "ticket/ticket_markup.h"

namespace {

namespace fs = std::filesystem;
using namespace ticket_markup;

const PrintServer& Server() { return SharedPrintServer(); }

// Duplex-Printer's PPD offers two sides, A4 and Letter (Letter its default), colour, trays and media types.
class JobSettings : public testing::Test {
protected:
    // Prints a one-page package whose job ticket is ticket, and gives the job the server ran.
    int Print(const std::string& queue, const std::string& ticket, ProcessOptions options = {})
    {
        const std::string xps = "http://schemas.microsoft.com/xps/2005/06";
        const std::string rels = "http://schemas.openxmlformats.org/package/2006/relationships";
        const auto relationship = [&](const std::string& type, const std::string& target) {
            return "<Relationships xmlns=\"" + rels + "\"><Relationship Id=\"R1\" Type=\"" + type + "\" Target=\"" +
                target + "\"/></Relationships>";
        };
        const UniqueFd package = memory_zip::Zip({
            {"[Content_Types].xml",
             "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/vnd.ms-printing.printticket+xml\"/>"
             "<Default Extension=\"fdseq\" ContentType=\"application/vnd.ms-package.xps-fixeddocumentsequence+xml\"/>"
             "<Default Extension=\"fdoc\" ContentType=\"application/vnd.ms-package.xps-fixeddocument+xml\"/>"
             "<Default Extension=\"fpage\" ContentType=\"application/vnd.ms-package.xps-fixedpage+xml\"/></Types>"},
            {"_rels/.rels", relationship(rels + "/fixedrepresentation", "/Job.fdseq")},
            {"Job.fdseq", "<FixedDocumentSequence xmlns=\"" + xps + "\"><DocumentReference Source=\"/Doc.fdoc\"/>"
                          "</FixedDocumentSequence>"},
            {"_rels/Job.fdseq.rels", relationship(xps + "/printticket", "/Job_PT.xml")},
            {"Job_PT.xml", ticket},
            {"Doc.fdoc", "<FixedDocument xmlns=\"" + xps + "\"><PageContent Source=\"/1.fpage\"/></FixedDocument>"},
            {"1.fpage", "<FixedPage xmlns=\"" + xps + "\" Width=\"816\" Height=\"1056\">"
                        "<Path Data=\"M 96,96 L 400,400\" Stroke=\"#000000\"/></FixedPage>"},
        });
        const fs::path document = m_folder.Path() / "ticket.xps";
        fs::copy_file("/proc/self/fd/" + std::to_string(package.Get()), document, fs::copy_options::overwrite_existing);

        const std::set<int> before = Server().Captured();
        const ProcessRun run = RunProcess(WRENPAGE_BINARY, {queue, document.string()}, Server().Clients(std::move(options)));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        for (int job : Server().Captured())
            if (before.count(job) == 0)
                return job;
        ADD_FAILURE() << "no job reached the printer";
        return -1;
    }

    // The job's options as the backend received them, with a space before and after each "name=value".
    static std::string Options(int job) { return " " + Server().Options(job) + " "; }

    TempFolder m_folder;
};

const std::string kEverySetting =
    Ticket(Parameter("psk:JobCopiesAllDocuments", "3") + Feature("psk:DocumentCollate", "psk:Collated") +
           Feature("psk:JobDuplexAllDocumentsContiguously", "psk:TwoSidedShortEdge") + Media(210000, 297000) +
           Feature("psk:PageOutputColor", "psk:Grayscale") + Feature("psk:JobInputBin", "psk:Manual") +
           Feature("psk:PageMediaType", "psk:PhotographicGlossy") + Feature("psk:PageScaling", "psk:None") +
           Feature("psk:JobNUpAllDocumentsContiguously", "", Scored("psk:PagesPerSheet", "2")) +
           Parameter("psk:DocumentPageRanges", "1"));

TEST_F(JobSettings, EachSettingReachesAQueueThatOffersIt)
{
    const int job = Print("Duplex-Printer", kEverySetting);
    EXPECT_EQ(Server().Copies(job), 3);
    const std::string options = Options(job);
    for (const char* option : {"sides=two-sided-short-edge", "media=iso_a4_210x297mm", "print-color-mode=monochrome",
                               "media-source=manual", "media-type=photo", "print-scaling=none", "number-up=2",
                               "page-ranges=1", "multiple-document-handling=separate-documents-collated-copies"})
        EXPECT_NE(options.find(std::string(" ") + option + " "), std::string::npos) << option << " not in" << options;
}

TEST_F(JobSettings, AQueueThatOffersNoneStillPrintsWithoutThem)
{
    // Such a queue's jobs are monochrome by default, so print-color-mode tells nothing here.
    const std::string options = Server().Options(Print("Office-Printer", kEverySetting));
    for (const char* attribute : {"sides=", "media=", "media-source=", "media-type="})
        EXPECT_EQ(options.find(attribute), std::string::npos) << options;
}

TEST_F(JobSettings, WhatTheQueueCannotTakeIsMappedOrLeftOut)
{
    // Copies past what the queue takes are clamped; 3 pages a sheet and B5 paper it has not; AutoSelect
    // names no bin; a colour page asks nothing.
    const int job = Print("Duplex-Printer", Ticket(Parameter("psk:JobCopiesAllDocuments", "100000") + Media(182000, 257000) +
                                                   Feature("psk:DocumentNUp", "", Scored("psk:PagesPerSheet", "3")) +
                                                   Feature("psk:PageInputBin", "psk:AutoSelect") +
                                                   Feature("psk:PageOutputColor", "psk:Color")));
    EXPECT_EQ(Server().Copies(job), 9999);
    const std::string options = Server().Options(job);
    for (const char* attribute : {"number-up=3", "media=jis_b5", "media-source=", "print-color-mode=monochrome"})
        EXPECT_EQ(options.find(attribute), std::string::npos) << options;
}

TEST_F(JobSettings, TheDocumentWinsOverSavedOptionsButNotOverANamedInstance)
{
    const std::string home = (m_folder.Path() / "home").string();
    ProcessOptions user;
    user.environment.push_back("HOME=" + home);
    fs::create_directories(home + "/.cups");
    std::ofstream(home + "/.cups/lpoptions") << "Dest Duplex-Printer sides=one-sided media=na_letter_8.5x11in\n"
                                                "Dest Duplex-Printer/draft sides=one-sided ColorModel=RGB\n";
    const std::string ticket =
        Ticket(Feature("psk:JobDuplexAllDocumentsContiguously", "psk:TwoSidedLongEdge") + Media(210000, 297000) +
               Feature("psk:PageOutputColor", "psk:Monochrome"));

    const std::string saved = Options(Print("Duplex-Printer", ticket, user));
    EXPECT_NE(saved.find(" sides=two-sided-long-edge "), std::string::npos) << saved;
    EXPECT_NE(saved.find(" media=iso_a4_210x297mm "), std::string::npos) << saved;

    const std::string instance = Options(Print("Duplex-Printer/draft", ticket, user));
    EXPECT_NE(instance.find(" sides=one-sided "), std::string::npos) << instance;
    EXPECT_EQ(instance.find("print-color-mode=monochrome"), std::string::npos) << instance;
    EXPECT_NE(instance.find(" media=iso_a4_210x297mm "), std::string::npos) << instance;
}

TEST_F(JobSettings, ABrokenTicketPrintsAsIfThereWereNone)
{
    for (const std::string& ticket :
         {std::string("not a ticket <"), "<!DOCTYPE x []>" + Ticket(Media(210000, 297000)),
          "<Unknown>" + Feature("psk:PageOutputColor", "psk:Monochrome") + "</Unknown>",
          Ticket(Referring("psk:MediaSizeWidth", "psk:Nothing"))}) {
        const std::string options = Server().Options(Print("Duplex-Printer", ticket));
        EXPECT_EQ(options.find("iso_a4"), std::string::npos) << options;
        EXPECT_EQ(options.find("monochrome"), std::string::npos) << options;
    }
}

}  // namespace
