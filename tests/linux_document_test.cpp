// The Linux XPS document service: loading a package from a path, every refusal with its own status,
// hostile packages in bounded memory, the package copied into a stream, and its rendering to PDF.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform.h"
#include "platform/com_object.h"
#include "platform/linux/startup.h"
#include "platform/linux/statuses.h"
#include "platform/linux/unique_fd.h"
#include "process.h"
#include "xps/translate_apart.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDocuments = WRENPAGE_DOCUMENTS;

std::string Document(const char* name) { return (kDocuments / name).string(); }

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

template <class T>
using Ref = ComReference<T>;

// A private folder for the files a test makes.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "wrenpage-document-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~Scratch() { fs::remove_all(m_path); }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

class XpsDocument : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_ALL, IID_IXpsOMObjectFactory,
                                   reinterpret_cast<void**>(m_factory.Out())),
                  S_OK);
    }
    void TearDown() override { CoUninitialize(); }

    HRESULT Load(const std::string& path, IXpsOMPackage** package = nullptr)
    {
        Ref<IXpsOMPackage> loaded;
        const HRESULT status = m_factory->CreatePackageFromFile(WideFromBytes(path).c_str(), FALSE, loaded.Out());
        EXPECT_TRUE(status == S_OK || loaded.Get() == nullptr);
        if (package != nullptr)
            std::swap(*package, *loaded.Out());
        return status;
    }

    Ref<IXpsOMObjectFactory> m_factory;
    Scratch m_scratch;
};

// Renders a package to a PDF file.
HRESULT RenderToFile(const std::string& package, const fs::path& pdf)
{
    UniqueFd in(open(package.c_str(), O_RDONLY | O_CLOEXEC));
    std::ofstream out(pdf, std::ios::binary);
    return TranslateApart(in.Get(), [&](const unsigned char* data, std::size_t size) {
               out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
               return S_OK;
           })
        .First();
}

// The status and peak memory of work done in a child process, and the memory the child started with.
struct MeasuredRun {
    HRESULT status;
    long startKiB;
    long peakKiB;
};

MeasuredRun RunInChild(const std::function<HRESULT()>& work)
{
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    int channel[2];
    EXPECT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
        const HRESULT status = work();
        _exit(write(channel[1], &status, sizeof status) == sizeof status ? 0 : 1);
    }
    close(channel[1]);
    HRESULT status = E_UNEXPECTED;
    EXPECT_EQ(read(channel[0], &status, sizeof status), static_cast<ssize_t>(sizeof status));
    close(channel[0]);
    int exit = 0;
    rusage usage{};
    wait4(child, &exit, 0, &usage);
    return {status, self.ru_maxrss, usage.ru_maxrss};
}

// A stream that keeps what it is given, and can be told to fail or to take less than it is given.
class RecordingStream final : public ISequentialStream {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override
    {
        chunks.push_back(size);
        if (chunks.size() == failAtWrite)
            return failure;
        const ULONG taken = chunks.size() == shortAtWrite ? size / 2 : size;
        bytes.append(static_cast<const char*>(data), taken);
        *written = taken;
        return S_OK;
    }

    std::string bytes;
    std::vector<ULONG> chunks;
    std::size_t failAtWrite = 0;
    std::size_t shortAtWrite = 0;
    HRESULT failure = S_OK;
};

TEST_F(XpsDocument, MissingFileAndMissingFolderHaveTheirOwnStatuses)
{
    const fs::path folder = m_scratch.Path();
    EXPECT_EQ(Load((folder / "absent.xps").string()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Load((folder / "absent" / "report.xps").string()), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Load(Document("text.xps") + "/report.xps"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Load(""), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    fs::create_symlink(folder / "nowhere.xps", folder / "dangling.xps");
    EXPECT_EQ(Load((folder / "dangling.xps").string()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(XpsDocument, WhatIsNotARegularFileIsRefusedWithoutWaiting)
{
    const fs::path fifo = m_scratch.Path() / "fifo.xps";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const fs::path socketPath = m_scratch.Path() / "socket.xps";
    UniqueFd listener(socket(AF_UNIX, SOCK_STREAM, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const std::string& path : {m_scratch.Path().string(), std::string("/dev/null"), std::string("/dev/zero"),
                                    fifo.string(), socketPath.string()})
        EXPECT_EQ(Load(path), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)) << path;
}

TEST_F(XpsDocument, AFileTheUserCannotReadIsAccessDenied)
{
    const fs::path locked = m_scratch.Path() / "locked.xps";
    fs::copy_file(Document("text.xps"), locked);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(Load(locked.string()), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        return;
    }
    // Root reads every file, so the load runs as nobody.
    ASSERT_EQ(chmod(m_scratch.Path().c_str(), 0755), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(Load(locked.string()) == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(XpsDocument, ThePathIsOpenedByExactlyTheBytesTyped)
{
    const fs::path strange = m_scratch.Path() / "caf\xc3\xa9 \xff\xfe-report.xps";
    fs::copy_file(Document("text.xps"), strange);
    EXPECT_EQ(Load(strange.string()), S_OK);

    // Text that no bytes could have been typed as names no file.
    const std::wstring unpaired{L'r', static_cast<wchar_t>(0xD800), L'.', L'x', L'p', L's'};
    Ref<IXpsOMPackage> package;
    EXPECT_EQ(m_factory->CreatePackageFromFile(unpaired.c_str(), FALSE, package.Out()),
              HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    EXPECT_EQ(m_factory->CreatePackageFromFile(nullptr, FALSE, package.Out()), E_POINTER);
    EXPECT_EQ(m_factory->CreatePackageFromFile(L"report.xps", FALSE, nullptr), E_POINTER);
}

struct Expected {
    const char* document;
    HRESULT status;
};

const Expected kPackages[] = {
    {"text.xps", S_OK},
    {"text.oxps", S_OK},
    {"xpswrite.xps", S_OK},
    {"streamed.xps", S_OK},
    {"zip64.xps", S_OK},
    {"pictures.xps", S_OK},
    {"not-a-zip.xps", OPC_E_ZIP_MISSING_END_OF_CENTRAL_DIRECTORY},
    {"truncated.xps", OPC_E_ZIP_MISSING_END_OF_CENTRAL_DIRECTORY},
    {"no-xps.xps", OPC_E_MISSING_CONTENT_TYPES},
    {"no-sequence.xps", XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP},
    {"broken-page.xps", XPS_E_INVALID_MARKUP},
    {"missing-page.xps", XPS_E_MISSING_REFERRED_PAGE},
    {"hidden-part.xps", OPC_E_ZIP_CORRUPTED_ARCHIVE},
    {"duplicate-part.xps", OPC_E_ZIP_DUPLICATE_NAME},
    {"bomb.xps", HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)},
    {"bomb-dense.xps", HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)},
    {"bomb-lying.xps", OPC_E_ZIP_INCORRECT_DATA_SIZE},
    {"image-bomb-jpeg.xps", WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
    {"image-bomb-png.xps", WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
    {"image-bomb-tiff.xps", WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
    {"descriptor-disagrees.xps", OPC_E_ZIP_MISSING_DATA_DESCRIPTOR},
    {"descriptor-cut.xps", OPC_E_ZIP_MISSING_DATA_DESCRIPTOR},
    {"piece-missing.xps", OPC_E_MISSING_PIECE},
    {"piece-twice.xps", OPC_E_DUPLICATE_PIECE},
    {"piece-after-last.xps", OPC_E_INVALID_PIECE},
    {"piece-unended.xps", OPC_E_MISSING_PIECE},
    {"piece-and-whole.xps", OPC_E_DUPLICATE_PART},
};

// The ways Windows and .NET store a package: data descriptors of every layout, every part in shuffled
// pieces, and markup in UTF-8 after a byte-order mark or in UTF-16 of either byte order.
const char* const kStorings[] = {"described-4-bare.xps", "described-4-signed.xps", "described-8-bare.xps",
                                 "described-8-signed.xps", "pieces.xps", "utf8-bom.xps", "utf16le.xps", "utf16be.xps"};

TEST_F(XpsDocument, EachPackageLoadsOrFailsWithItsOwnStatus)
{
    for (const Expected& expected : kPackages)
        EXPECT_EQ(Load(Document(expected.document)), expected.status) << expected.document;
    const fs::path empty = m_scratch.Path() / "empty.xps";
    WriteFile(empty, "");
    EXPECT_EQ(Load(empty.string()), OPC_E_ZIP_MISSING_END_OF_CENTRAL_DIRECTORY);
}

TEST_F(XpsDocument, ZipEntriesThatDisagreeOrDamagedDataAreZipFailures)
{
    const std::string good = ReadFile(Document("text.xps"));
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(good[at]) | static_cast<unsigned char>(good[at + 1]) << 8 |
                                          static_cast<unsigned char>(good[at + 2]) << 16 |
                                          static_cast<std::uint32_t>(static_cast<unsigned char>(good[at + 3])) << 24);
    };
    const std::size_t directory = u32(good.size() - 22 + 16);

    std::string renamed = good;  // the directory names a part the local header does not
    renamed[directory + 46] = 'X';
    std::string resized = good;  // the directory claims another size than the local header
    resized[directory + 24] ^= 0x10;
    std::string damaged = good;  // the deflated bytes of the font, in the middle of the file
    for (std::size_t at = good.size() / 2; at < good.size() / 2 + 64; ++at)
        damaged[at] = static_cast<char>(~damaged[at]);

    const std::pair<std::string, HRESULT> cases[] = {
        {renamed, OPC_E_ZIP_INCONSISTENT_FILEITEM},
        {resized, OPC_E_ZIP_INCONSISTENT_FILEITEM},
    };
    const fs::path path = m_scratch.Path() / "changed.xps";
    for (const auto& [bytes, status] : cases) {
        WriteFile(path, bytes);
        EXPECT_EQ(Load(path.string()), status);
    }
    WriteFile(path, damaged);
    const HRESULT status = Load(path.string());
    EXPECT_EQ(static_cast<std::uint32_t>(status) & 0xFFFFF000u, 0x80511000u) << std::hex << status;
}

TEST_F(XpsDocument, BombsAreRefusedInBoundedMemory)
{
    // Loading never reads a font or an image; rendering decodes them whole, so both are measured.
    for (const char* bomb : {"bomb.xps", "bomb-lying.xps", "image-bomb-jpeg.xps", "image-bomb-tiff.xps"}) {
        const fs::path pdf = m_scratch.Path() / "bomb.pdf";
        for (const MeasuredRun& run : {RunInChild([&] { return Load(Document(bomb)); }),
                                       RunInChild([&] { return RenderToFile(Document(bomb), pdf); })}) {
            EXPECT_LT(run.status, 0) << bomb;
            EXPECT_LT(run.peakKiB - run.startKiB, 64 * 1024) << bomb;
        }
    }
}

TEST_F(XpsDocument, WriteToStreamCopiesTheFileInBoundedChunks)
{
    Ref<IXpsOMPackage> package;
    ASSERT_EQ(Load(Document("text.xps"), package.Out()), S_OK);
    RecordingStream stream;
    EXPECT_EQ(package->WriteToStream(&stream, FALSE), S_OK);
    EXPECT_EQ(stream.bytes, ReadFile(Document("text.xps")));
    EXPECT_GT(stream.chunks.size(), 1u);
    for (ULONG chunk : stream.chunks)
        EXPECT_LE(chunk, 64u * 1024);

    // A second copy is the same whole file again.
    RecordingStream again;
    EXPECT_EQ(package->WriteToStream(&again, TRUE), S_OK);
    EXPECT_EQ(again.bytes, stream.bytes);
}

TEST_F(XpsDocument, WriteToStreamStopsAtTheFirstWriteThatFails)
{
    Ref<IXpsOMPackage> package;
    ASSERT_EQ(Load(Document("text.xps"), package.Out()), S_OK);
    constexpr HRESULT kMediumFull = static_cast<HRESULT>(0x80030070);

    RecordingStream failing;
    failing.failAtWrite = 2;
    failing.failure = kMediumFull;
    EXPECT_EQ(package->WriteToStream(&failing, FALSE), kMediumFull);
    EXPECT_EQ(failing.chunks.size(), 2u);

    RecordingStream shortWrite;
    shortWrite.shortAtWrite = 1;
    EXPECT_EQ(package->WriteToStream(&shortWrite, FALSE), STG_E_WRITEFAULT);
    EXPECT_EQ(shortWrite.chunks.size(), 1u);

    EXPECT_EQ(package->WriteToStream(nullptr, FALSE), E_POINTER);
}

TEST_F(XpsDocument, RenderingKeepsPagesSizesAndText)
{
    for (const char* document : {"text.xps", "text.oxps"}) {
        const fs::path pdf = m_scratch.Path() / (std::string(document) + ".pdf");
        ASSERT_EQ(RenderToFile(Document(document), pdf), S_OK) << document;
        const ProcessRun info = RunProcess("/usr/bin/pdfinfo", {"-f", "1", "-l", "3", pdf.string()});
        EXPECT_NE(info.out.find("Pages:           3\n"), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("Page    1 size:  612 x 792 pts"), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("Page    2 size:  792 x 612 pts"), std::string::npos) << info.out;
        const ProcessRun text = RunProcess("/usr/bin/pdftotext", {pdf.string(), "-"});
        for (const char* line : {"wrenpage page 1 of 3", "wrenpage page 2 of 3", "wrenpage page 3 of 3"})
            EXPECT_NE(text.out.find(line), std::string::npos) << document << ": " << text.out;
    }

    const fs::path pdf = m_scratch.Path() / "xpswrite.pdf";
    ASSERT_EQ(RenderToFile(Document("xpswrite.xps"), pdf), S_OK);
    EXPECT_NE(RunProcess("/usr/bin/pdfinfo", {pdf.string()}).out.find("Pages:           2\n"), std::string::npos);
}

TEST_F(XpsDocument, EveryWayOfStoringAPackagePrintsItsTextAndColours)
{
    for (const char* document : kStorings) {
        EXPECT_EQ(Load(Document(document)), S_OK) << document;
        const fs::path pdf = m_scratch.Path() / "stored.pdf";
        ASSERT_EQ(RenderToFile(Document(document), pdf), S_OK) << document;
        const ProcessRun text = RunProcess("/usr/bin/pdftotext", {pdf.string(), "-"});
        for (const char* line : {"wrenpage page 1 of 2", "wrenpage page 2 of 2", "The quick brown fox"})
            EXPECT_NE(text.out.find(line), std::string::npos) << document << ": " << text.out;
        // At 96 dpi a pixel is an XPS unit: (150, 300) lies in the page's green shape.
        const ProcessRun pixel = RunProcess("/usr/bin/pdftoppm", {"-r", "96", "-f", "1", "-l", "1", "-x", "150", "-y", "300",
                                                                  "-W", "1", "-H", "1", pdf.string()});
        ASSERT_GE(pixel.out.size(), 3u) << document;
        EXPECT_EQ(pixel.out.substr(pixel.out.size() - 3), std::string("\x20\xA0\x40", 3)) << document;
    }
}

TEST_F(XpsDocument, RenderingFailsWithTheStatusOfWhatWentWrong)
{
    const fs::path pdf = m_scratch.Path() / "out.pdf";
    for (const Expected& expected : kPackages)
        EXPECT_EQ(RenderToFile(Document(expected.document), pdf), expected.status) << expected.document;
    // A font is read only to draw with it, so this package loads and fails only in rendering.
    EXPECT_EQ(Load(Document("bad-font.xps")), S_OK);
    EXPECT_EQ(RenderToFile(Document("bad-font.xps"), pdf), DWRITE_E_FILEFORMAT);
}

TEST_F(XpsDocument, RenderingStopsWhenTheSinkFails)
{
    UniqueFd in(open(Document("text.xps").c_str(), O_RDONLY | O_CLOEXEC));
    constexpr HRESULT kBroken = HRESULT_FROM_WIN32(ERROR_CANCELLED);
    int calls = 0;
    EXPECT_EQ(TranslateApart(in.Get(),
                             [&](const unsigned char*, std::size_t) {
                                 ++calls;
                                 return kBroken;
                             })
                  .First(),
              kBroken);
    EXPECT_EQ(calls, 1);
}

}  // namespace
