// The translator as a reader of its PDF sees it: each feature of the imaging model drawn by a small
// page of its own and probed where the answer is known, text extracted, the title and links kept, and
// every file valid.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/statuses.h"
#include "platform/linux/unique_fd.h"
#include "process.h"
#include "xps/xps_translate.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDocuments = WRENPAGE_DOCUMENTS;

struct Rendered {
    HRESULT status;
    fs::path pdf;
};

Rendered TranslateDocument(const std::string& document, std::size_t fontMemory = kFontMemoryBound)
{
    // Tests run side by side and translate some documents alike: each process has files of its own.
    const fs::path pdf = fs::temp_directory_path() / ("wrenpage-translated-" + std::to_string(getpid()) + "-" + document +
                                                      "-" + std::to_string(fontMemory) + ".pdf");
    UniqueFd in(open((kDocuments / document).c_str(), O_RDONLY | O_CLOEXEC));
    std::ofstream out(pdf, std::ios::binary);
    const HRESULT status = TranslateXpsToPdf(
        in.Get(),
        [&](const unsigned char* data, std::size_t size) {
            out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
            return S_OK;
        },
        {}, fontMemory)
                              .First();
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
    // Periods 0, 0.5, 1, 24 and 24.5 out from the centre, the last two among the periods drawn last.
    {"cycles", {{100, 100, kRed, 8}, {102, 100, kPurple, 8}, {104, 100, kBlue, 8}, {196, 100, kRed, 8}, {198, 100, kPurple, 8}}},
    {"thin", {{100, 50, kBlue, 4}, {100, 150, kRed, 4}}},
    {"window", {{50, 100, kRed, 20}, {150, 100, kRed, 20}}},
    {"unusable", {{100, 100, kGreen, 2}, {5, 5, kGreen, 2}, {195, 100, kGreen, 2}, {100, 195, kGreen, 2}, {175, 175, kBlue, 2}}},
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

// The text copied from the PDF is the UnicodeStrings, however the glyphs draw it: one glyph for "a" and
// "A", a cluster of two glyphs for one character and one glyph for two, characters the font lacks, and
// a font whose glyphs the second of two FixedDocuments gives other text.
TEST(Translator, TextReadsAsTheUnicodeStringsWhateverGlyphsDrawIt)
{
    for (const auto& [document, text] : {
             std::pair{"smallcaps", "Example\nEXAMPLE\n\f"},
             {"clusters", "ae \u00e6 e\u0301\n\f"},
             {"missing", "Zebra \u4e2d\u6587\n\f"},
             {"shared", "First \u4e2d\n\fSecond \u6587\u5b57 fjord\n\f"},
             {"bold", "iiiiiiiiii\niiiiiiiiii\n\f"},
         }) {
        const Rendered rendered = TranslateDocument(std::string("reads-") + document + ".xps");
        ASSERT_EQ(rendered.status, S_OK) << document;
        EXPECT_EQ(RunProcess("/usr/bin/pdftotext", {"-raw", "-enc", "UTF-8", rendered.pdf.string(), "-"}).out, text);
        fs::remove(rendered.pdf);
    }
}

// Simulated bold widens each glyph's advance by a fiftieth of the em: ten glyphs at 20 units (15 points)
// to the em take nine times 0.3 points more than the same glyphs unemboldened.
TEST(Translator, SimulatedBoldWidensEachAdvanceByAFiftiethOfTheEm)
{
    const Rendered rendered = TranslateDocument("reads-bold.xps");
    ASSERT_EQ(rendered.status, S_OK);
    const std::string boxes = RunProcess("/usr/bin/pdftotext", {"-bbox", rendered.pdf.string(), "-"}).out;
    fs::remove(rendered.pdf);
    std::vector<double> widths;
    for (std::size_t at = boxes.find("<word "); at != std::string::npos; at = boxes.find("<word ", at + 1)) {
        double xMin = 0, yMin = 0, xMax = 0;
        ASSERT_EQ(std::sscanf(boxes.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\"", &xMin, &yMin, &xMax), 3);
        widths.push_back(xMax - xMin);
    }
    ASSERT_EQ(widths.size(), 2u) << boxes;
    EXPECT_NEAR(widths[1] - widths[0], 9 * 0.3, 0.02);
}

// Readers sample a shading's function at a few hundred points: a function running through 36 periods
// of a gradient, a piece for each of their stops, prints as bands. Each function holds one period.
TEST(Translator, AGradientOfManyPeriodsIsNoFunctionOfManyPieces)
{
    const Rendered rendered = Translate("cycles");
    ASSERT_EQ(rendered.status, S_OK);
    std::ifstream in(rendered.pdf, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    int shadings = 0;
    for (std::size_t at = bytes.find("/ShadingType 3"); at != std::string::npos; at = bytes.find("/ShadingType 3", at + 1))
        ++shadings;
    EXPECT_GE(shadings, 36);
    for (std::size_t at = bytes.find("/Bounds ["); at != std::string::npos; at = bytes.find("/Bounds [", at + 1)) {
        const std::string bounds = bytes.substr(at, bytes.find(']', at) - at);
        EXPECT_LE(std::count(bounds.begin(), bounds.end(), ' '), 3) << bounds;
    }
    fs::remove(rendered.pdf);
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

// With room for no font, each run lets go of the font before it, even on the same page, and a font drawn
// again is read again: the document reads and looks as it does with every font held.
TEST(Translator, FontsLetGoAndDrawnAgainKeepTheirTextAndGlyphs)
{
    const Rendered held = TranslateDocument("fonts.xps");
    const Rendered letGo = TranslateDocument("fonts.xps", 1);
    ASSERT_EQ(held.status, S_OK);
    ASSERT_EQ(letGo.status, S_OK);
    const auto text = [](const Rendered& rendered) { return RunProcess("/usr/bin/pdftotext", {rendered.pdf.string(), "-"}).out; };
    EXPECT_NE(text(letGo).find("wrenpage page 6 of 6 line 3"), std::string::npos);
    EXPECT_EQ(text(letGo), text(held));
    const auto pixels = [](const Rendered& rendered) {
        return RunProcess("/usr/bin/pdftoppm", {"-r", "48", "-gray", rendered.pdf.string()}).out;
    };
    EXPECT_EQ(pixels(letGo), pixels(held));

    // One font for each of the 18 runs, every one embedded, subset and with its text.
    std::istringstream fonts(RunProcess("/usr/bin/pdffonts", {letGo.pdf.string()}).out);
    std::string line;
    int count = 0;
    while (std::getline(fonts, line)) {
        if (line.find("Identity-H") != std::string::npos) {
            EXPECT_NE(line.find("yes yes yes"), std::string::npos) << line;
            ++count;
        }
    }
    EXPECT_EQ(count, 18);
    fs::remove(held.pdf);
    fs::remove(letGo.pdf);
}

// A large page is drawn while its markup is still being read, yet fails as loading it would: on the markup
// near its end that no reader may pass over, not on the missing font that drawing met first.
TEST(Translator, ALargePageFailsOnMarkupLoadingFindsBeforeWhatDrawingFinds)
{
    const Rendered rendered = TranslateDocument("late-failure.xps");
    EXPECT_EQ(rendered.status, XPS_E_INVALID_MARKUP);
    fs::remove(rendered.pdf);
}

}  // namespace
