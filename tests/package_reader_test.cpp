// The ZIP directory and the package reader on packages made here: statuses in the order entries fail,
// and parts found by the part names their entries stand for.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

#include "memory_zip.h"
#include "platform/linux/statuses.h"
#include "platform/linux/unique_fd.h"
#include "xps/document_failure.h"
#include "xps/package/package_reader.h"
#include "xps/package/part_name.h"
#include "xps/package/zip_directory.h"
#include "xps/package/zip_read_ahead.h"

namespace {

using memory_zip::Entry;
using memory_zip::Put;
using memory_zip::Zip;

std::string RawDeflated(const std::string& data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// The status the work throws, or S_OK.
HRESULT StatusOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    return S_OK;
}

HRESULT ReadDirectory(const std::vector<Entry>& entries)
{
    const UniqueFd file = Zip(entries);
    ZipDirectory directory;
    return StatusOf([&] { directory.Read(file.Get()); });
}

TEST(ZipDirectory, EntriesFailInTheirOrderARepeatedNameAmongThem)
{
    const Entry unsupported{"b.xml", "", 99};
    EXPECT_EQ(ReadDirectory({{"a.xml", ""}, {"A.XML", ""}, unsupported}), OPC_E_ZIP_DUPLICATE_NAME);
    EXPECT_EQ(ReadDirectory({{"a.xml", ""}, unsupported, {"A.XML", ""}}), OPC_E_ZIP_UNSUPPORTEDARCHIVE);
    // A piece's name without its number, after a part both whole and in pieces, and before one.
    EXPECT_EQ(ReadDirectory({{"p", ""}, {"P/[0].last.piece", ""}, {"q/[x].piece", ""}}), OPC_E_DUPLICATE_PART);
    EXPECT_EQ(ReadDirectory({{"p", ""}, {"q/[x].piece", ""}, {"P/[0].last.piece", ""}}), OPC_E_INVALID_PIECE);
}

// A directory that says it holds count items, with nothing in it but its Zip64 end records.
HRESULT ReadEmptyDirectoryOf(std::uint64_t count)
{
    std::string zip;
    Put(zip, 0x06064B50, 4);
    Put(zip, 44, 4), Put(zip, 0, 4);
    Put(zip, 45, 2), Put(zip, 45, 2), Put(zip, 0, 4), Put(zip, 0, 4);
    for (int i = 0; i < 2; ++i)
        Put(zip, static_cast<std::uint32_t>(count), 4), Put(zip, static_cast<std::uint32_t>(count >> 32), 4);
    Put(zip, 0, 4), Put(zip, 0, 4), Put(zip, 0, 4), Put(zip, 0, 4);
    Put(zip, 0x07064B50, 4), Put(zip, 0, 4), Put(zip, 0, 4), Put(zip, 0, 4), Put(zip, 1, 4);
    Put(zip, 0x06054B50, 4), Put(zip, 0, 4), Put(zip, 0xFFFF, 2), Put(zip, 0xFFFF, 2);
    Put(zip, 0xFFFFFFFF, 4), Put(zip, 0xFFFFFFFF, 4), Put(zip, 0, 2);
    UniqueFd file(memfd_create("package.xps", MFD_CLOEXEC));
    EXPECT_EQ(write(file.Get(), zip.data(), zip.size()), static_cast<ssize_t>(zip.size()));
    ZipDirectory directory;
    return StatusOf([&] { directory.Read(file.Get()); });
}

TEST(ZipDirectory, NamesWithANulEscapedOrNotAndDirectoriesOfOverAMillionItemsAreRefused)
{
    EXPECT_EQ(ReadDirectory({{"a%00.xml", ""}}), OPC_E_NONCONFORMING_URI);
    EXPECT_EQ(ReadDirectory({{std::string("a\0.xml", 6), ""}}), OPC_E_NONCONFORMING_URI);
    EXPECT_EQ(ReadEmptyDirectoryOf(1'000'001), OPC_E_ZIP_CENTRAL_DIRECTORY_TOO_LARGE);
    // A million is allowed: this one fails only for holding none of them.
    EXPECT_EQ(ReadEmptyDirectoryOf(1'000'000), OPC_E_ZIP_INCONSISTENT_DIRECTORY);
}

TEST(PackageReader, PartsAreFoundByTheirUnescapedNamesWithoutRegardToCase)
{
    const std::string relationships = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string xps = "http://schemas.microsoft.com/xps/2005/06";
    const UniqueFd file = Zip({
        {"[Content_Types].xml", "<Types/>"},
        {"_rels/.rels", "<Relationships xmlns=\"" + relationships + "\"><Relationship Type=\"" + relationships +
                            "/fixedrepresentation\" Target=\"/Sequence.fdseq\" Id=\"R1\"/></Relationships>"},
        {"Sequence.fdseq", "<FixedDocumentSequence xmlns=\"" + xps + "\"><DocumentReference Source=\"Doc.fdoc\"/></FixedDocumentSequence>"},
        {"Doc.fdoc", "<FixedDocument xmlns=\"" + xps + "\"><PageContent Source=\"pages/PAGE%201.fpage\"/>"
                     "<PageContent Source=\"/Pages/x.fpage\"/></FixedDocument>"},
        {"Pages/Page%201.fpage", "one"},
        {"Pages/%78.fpage", "first x"},
        {"pages/X.fpage", "second x"},
        {"Pages/100%.fpage", "broken escape"},
    });
    const PackageReader package(file.Get());
    const std::vector<ZipPart>& parts = package.Directory().Parts();
    ASSERT_EQ(package.Pages().size(), 2u);
    EXPECT_EQ(package.Pages()[0], &parts[4]);
    EXPECT_EQ(PartName(package.Pages()[0]->name), "Pages/Page 1.fpage");
    // Of two entries that stand for one part name, the first in the directory.
    EXPECT_EQ(package.Pages()[1], &parts[5]);
    EXPECT_EQ(package.Find("PAGES/100%.FPAGE"), &parts[7]);
    EXPECT_EQ(package.Read("pages/page 1.FPAGE"), "one");
    EXPECT_EQ(package.Find("Pages/Page%201.fpage"), nullptr);
    EXPECT_EQ(package.Find("Pages/Page 1.fpag"), nullptr);
}

TEST(ZipDirectory, DeflatedPartsComeWholeOrFailAfterWhatInflatedBeforeTheFault)
{
    std::string content;
    for (int i = 0; content.size() < (1u << 20); ++i)
        content += "<Path Data=\"M " + std::to_string(i % 997) + ",0 h 1 v 1 Z\"/>\n";
    const std::string deflated = RawDeflated(content);
    const auto inflate = [](const UniqueFd& file, std::string& read) {
        ZipDirectory directory;
        directory.Read(file.Get());
        read.clear();
        return StatusOf([&] {
            InflateZipPart(file.Get(), directory.Parts().front(), [&](const unsigned char* bytes, std::size_t size) {
                read.append(reinterpret_cast<const char*>(bytes), size);
            });
        });
    };
    std::string read;
    EXPECT_EQ(inflate(Zip({{"page", deflated, 8, content}}), read), S_OK);
    EXPECT_EQ(read, content);

    // A CRC that is not the data's fails once all of it has been given.
    Entry unsound{"page", deflated, 8, content};
    unsound.inflated.back() = ' ';
    EXPECT_EQ(inflate(Zip({unsound}), read), OPC_E_ZIP_CORRUPTED_ARCHIVE);
    EXPECT_EQ(read.size(), content.size());

    // Data broken halfway gives what inflated before the break, then fails.
    std::string broken = deflated;
    for (std::size_t i = broken.size() / 2; i < broken.size() / 2 + 64; ++i)
        broken[i] = static_cast<char>(0xFF);
    EXPECT_NE(inflate(Zip({{"page", broken, 8, content}}), read), S_OK);
    EXPECT_GT(read.size(), content.size() / 4);
    EXPECT_LT(read.size(), content.size());
}

TEST(ZipReadAhead, GivesThePartInOrderAndAReadersFailureBeforeTheInflatings)
{
    std::string data(3u << 20, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 % 251);
    const UniqueFd file = Zip({{"big", data}});
    ZipDirectory directory;
    directory.Read(file.Get());
    const ZipPart& part = directory.Parts().front();
    std::string read;
    InflateZipPartAhead(file.Get(), part, [&](const unsigned char* bytes, std::size_t size) {
        read.append(reinterpret_cast<const char*>(bytes), size);
    });
    EXPECT_EQ(read, data);

    // The data no longer has its CRC: the failure comes at the end, after every chunk.
    const char changed = 'x';
    ASSERT_EQ(pwrite(file.Get(), &changed, 1, 30 + 3 + 100), 1);
    std::size_t chunks = 0;
    const auto failingAt = [&](std::size_t failing) {
        chunks = 0;
        return StatusOf([&] {
            InflateZipPartAhead(file.Get(), part, [&, failing](const unsigned char*, std::size_t) {
                if (++chunks == failing)
                    ThrowDocument(STG_E_WRITEFAULT);
            });
        });
    };
    std::size_t inflated = 0;
    const HRESULT corrupt = StatusOf([&] {
        InflateZipPart(file.Get(), part, [&](const unsigned char*, std::size_t) { ++inflated; });
    });
    EXPECT_NE(corrupt, S_OK);
    EXPECT_EQ(failingAt(0), corrupt);
    EXPECT_EQ(chunks, inflated);
    EXPECT_EQ(failingAt(2), STG_E_WRITEFAULT);
    EXPECT_EQ(chunks, 2u);
    struct Thrown {};
    EXPECT_THROW(InflateZipPartAhead(file.Get(), part, [](const unsigned char*, std::size_t) { throw Thrown(); }), Thrown);
}

}  // namespace
