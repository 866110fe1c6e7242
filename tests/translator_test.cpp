// The translator as a reader of its PDF sees it: each feature of the imaging model drawn by a small
// page of its own and probed where the answer is known, text extracted, the title and links kept, and
// every file valid.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "document_status.h"
#include "process.h"
#include "unique_fd.h"
#include "xps_translate.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDocuments = WRENPAGE_DOCUMENTS;

struct Rendered {
    HRESULT status;
    fs::path pdf;
};

Rendered TranslateDocument(const std::string& document)
{
    const fs::path pdf = fs::temp_directory_path() / ("wrenpage-translated-" + document + ".pdf");
    UniqueFd in(open((kDocuments / document).c_str(), O_RDONLY | O_CLOEXEC));
    std::ofstream out(pdf, std::ios::binary);
    const HRESULT status = TranslateXpsToPdf(in.Get(), [&](const unsigned char* data, std::size_t size) {
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return S_OK;
    });
    return {status, pdf};
}

Rendered Translate(const std::string& feature) { return TranslateDocument("feature-" + feature + ".xps"); }

// The first page at 96 dpi, where a pixel is an XPS unit.
class Raster {
public:
    explicit Raster(const fs::path& pdf)
    {
        const ProcessRun run = RunProcess("/usr/bin/pdftoppm", {"-r", "96", "-f", "1", "-l", "1", pdf.string()});
        int header = 0;
        if (std::sscanf(run.out.c_str(), "P6 %d %d 255%n", &m_width, &m_height, &header) == 2 && header > 0)
            m_pixels = run.out.substr(static_cast<std::size_t>(header) + 1);
    }
    // The pixel as "r,g,b", or "none" beyond the page.
    std::array<int, 3> At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_pixels.size() < std::size_t(m_width * m_height * 3))
            return {-1, -1, -1};
        const std::size_t at = (std::size_t(y) * m_width + x) * 3;
        return {static_cast<unsigned char>(m_pixels[at]), static_cast<unsigned char>(m_pixels[at + 1]),
                static_cast<unsigned char>(m_pixels[at + 2])};
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::string m_pixels;
};

struct Probe {
    int x, y;
    std::array<int, 3> color;
    int tolerance;
};

struct Feature {
    const char* name;
    std::vector<Probe> probes;
};

const std::array<int, 3> kWhite{255, 255, 255};
const std::array<int, 3> kBlack{0, 0, 0};
const std::array<int, 3> kRed{255, 0, 0};
const std::array<int, 3> kGreen{0, 255, 0};
const std::array<int, 3> kBlue{0, 0, 255};
const std::array<int, 3> kGrey{128, 128, 128};
const std::array<int, 3> kPurple{128, 0, 128};

const Feature kFeatures[] = {
    {"solid", {{100, 100, kBlue, 2}, {20, 100, kRed, 2}, {5, 5, kWhite, 2}}},
    {"linear", {{100, 100, kPurple, 12}, {1, 100, kRed, 8}, {198, 100, kBlue, 8}}},
    {"radial", {{100, 100, kWhite, 16}, {100, 149, kBlack, 24}, {5, 5, kBlack, 2}}},
    // Reflected every 50 units: just past a period's end it runs back from the end's colour.
    {"repeat", {{25, 100, kPurple, 16}, {48, 100, kBlue, 30}, {52, 100, kBlue, 30}, {98, 100, kRed, 30}}},
    {"tile", {{5, 5, kRed, 40}, {15, 5, kGreen, 40}, {5, 15, kBlue, 40}, {15, 15, kWhite, 40}, {195, 165, kGreen, 40}}},
    {"remote", {{5, 5, kRed, 40}, {15, 5, kGreen, 40}}},
    {"visual", {{50, 100, kGreen, 2}, {150, 100, kWhite, 2}}},
    {"visuals", {{25, 100, kBlue, 2}, {75, 100, kRed, 2}, {125, 100, kRed, 2}, {175, 100, kBlue, 2}}},
    {"opacity", {{100, 100, kGrey, 3}}},
    {"mask", {{3, 100, kWhite, 16}, {100, 100, kGrey, 16}, {196, 100, kBlack, 16}}},
    {"canvasmask", {{50, 100, kWhite, 2}, {103, 100, kWhite, 16}, {196, 100, kBlack, 16}}},
    {"clip", {{75, 75, kRed, 2}, {125, 125, kWhite, 2}, {40, 40, kWhite, 2}}},
    {"figures", {{110, 10, kBlue, 2}, {125, 125, kBlue, 2}, {25, 35, kBlue, 2}, {25, 170, kWhite, 2}, {5, 5, kWhite, 2}}},
    {"sideways", {{60, 100, kBlack, 40}, {34, 60, kWhite, 2}}},
    // The stem of the "K", drawn by its CID.
    {"cid", {{14, 85, kBlack, 60}}},
    {"alternate", {{100, 100, kGreen, 2}}},
    {"large", {{50, 50, kRed, 2}, {150, 50, kBlue, 2}, {100, 150, kGreen, 2}, {199, 199, kGreen, 2}}},
    {"icc", {{100, 100, kBlue, 12}}},
};

TEST(Translator, EachFeatureDrawsWhatItShouldWhereItShould)
{
    for (const Feature& feature : kFeatures) {
        const Rendered rendered = Translate(feature.name);
        ASSERT_EQ(rendered.status, S_OK) << feature.name;
        const Raster raster(rendered.pdf);
        for (const Probe& probe : feature.probes) {
            const std::array<int, 3> got = raster.At(probe.x, probe.y);
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(got[c], probe.color[c], probe.tolerance)
                    << feature.name << " at (" << probe.x << ", " << probe.y << ") channel " << c;
            }
        }
        const ProcessRun check = RunProcess("/usr/bin/qpdf", {"--check", rendered.pdf.string()});
        EXPECT_EQ(check.exitCode, 0) << feature.name << ": " << check.out << check.err;
        fs::remove(rendered.pdf);
    }
}

TEST(Translator, TextExtractsAndTheTitleAndLinksAreKept)
{
    for (const auto& [feature, text] : {std::pair{"text", "Hello"}, {"text", "wrenpage"}, {"odttf", "Hidden font"}, {"cid", "Keyed by"}}) {
        const Rendered rendered = Translate(feature);
        ASSERT_EQ(rendered.status, S_OK) << feature;
        EXPECT_NE(RunProcess("/usr/bin/pdftotext", {rendered.pdf.string(), "-"}).out.find(text), std::string::npos) << feature;
        const std::string fonts = RunProcess("/usr/bin/pdffonts", {rendered.pdf.string()}).out;
        EXPECT_NE(fonts.find(feature == std::string("cid") ? "CID Type 0C" : "CID TrueType"), std::string::npos) << fonts;
        fs::remove(rendered.pdf);
    }

    const Rendered link = Translate("link");
    ASSERT_EQ(link.status, S_OK);
    std::ifstream in(link.pdf, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> uris;
    for (std::size_t at = bytes.find("/URI ("); at != std::string::npos; at = bytes.find("/URI (", at + 1))
        uris.push_back(bytes.substr(at + 6, bytes.find(')', at) - at - 6));
    EXPECT_EQ(uris, (std::vector<std::string>{"http://example.com/wrenpage", "HTTPS://example.com/secure",
                                              "mailto:someone@example.com"}));
    EXPECT_NE(RunProcess("/usr/bin/pdfinfo", {link.pdf.string()}).out.find("Title:           Feature \xC3\xA9t\xC3\xA9"),
              std::string::npos);
    fs::remove(link.pdf);
}

// Across a long document every page comes once and in order, and pages that each show a picture of
// their own, named every way a page can name a part, keep it.
TEST(Translator, EveryPageOfLongDocumentsKeepsItsTextAndPicture)
{
    const Rendered text = TranslateDocument("pages-150.xps");
    ASSERT_EQ(text.status, S_OK);
    const std::string extracted = RunProcess("/usr/bin/pdftotext", {text.pdf.string(), "-"}).out;
    std::size_t at = 0;
    for (int page = 1; page <= 150; ++page) {
        at = extracted.find("wrenpage page " + std::to_string(page) + " of 150", at);
        ASSERT_NE(at, std::string::npos) << "page " << page;
    }
    fs::remove(text.pdf);

    const Rendered gallery = TranslateDocument("gallery.xps");
    ASSERT_EQ(gallery.status, S_OK);
    // pdfimages lists one line for each image a page shows, its page first, after two lines of heading.
    std::istringstream list(RunProcess("/usr/bin/pdfimages", {"-list", gallery.pdf.string()}).out);
    std::map<int, int> images;
    std::string line;
    for (int skipped = 0; skipped < 2 && std::getline(list, line); ++skipped) {
    }
    while (std::getline(list, line))
        ++images[std::stoi(line)];
    for (int page = 1; page <= 40; ++page)
        EXPECT_EQ(images[page], 1) << "page " << page;
    fs::remove(gallery.pdf);
}

// A large page is drawn while its markup is still being read, yet fails as if it were read first: the
// missing font near its end, not the markup that the reading meets after it.
TEST(Translator, ALargePageFailsAtItsFirstFaultInTheOrderOfItsMarkup)
{
    const Rendered rendered = TranslateDocument("late-failure.xps");
    EXPECT_EQ(rendered.status, XPS_E_MISSING_PART_REFERENCE);
    fs::remove(rendered.pdf);
}

}  // namespace
