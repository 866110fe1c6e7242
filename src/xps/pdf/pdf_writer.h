// Writes a PDF file front to back into a byte sink: each object as soon as it is complete, numbers
// reserved ahead for objects referred to before they are written, and at Finish the page tree, the
// catalog, the Info dictionary, the cross-reference table and the trailer.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xps/pdf/deflate_worker.h"
#include "xps/pdf/pdf_deflate.h"
#include "xps/pdf/pdf_value.h"

// Takes the file's bytes in order; may throw, after which the writer refuses all further work.
using PdfByteSink = std::function<void(const char* data, std::size_t size)>;

// How a stream's data reaches the file: deflated by the writer, or already encoded by a filter of its
// own (DCTDecode, FlateDecode with predictor parameters) and written as it is; an empty filter writes
// the data unencoded.
struct PdfEncoding {
    bool deflate = true;
    std::string filter;
    std::optional<PdfValue> parameters;

    static PdfEncoding Deflate() { return {}; }
    static PdfEncoding Encoded(std::string filter, std::optional<PdfValue> parameters = std::nullopt)
    {
        return {false, std::move(filter), std::move(parameters)};
    }
};

class PdfWriter {
public:
    // Writes the header at once.
    explicit PdfWriter(PdfByteSink sink);
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    PdfRef Reserve();
    // The page tree's root, for a page's /Parent; written at Finish.
    PdfRef PageTree() const noexcept { return m_pageTree; }

    PdfRef Write(const PdfValue& value);
    void Write(PdfRef object, const PdfValue& value);
    // The object already written with the same text, else a new one: for the small objects every page
    // asks for again, graphics states and colour spaces.
    PdfRef WriteShared(const PdfValue& value);
    // Data from a few tens of KiB to a few MiB is deflated aside while the caller goes on.
    PdfRef WriteStream(const PdfDictionary& dictionary, std::string_view data, const PdfEncoding& encoding = {});
    void WriteStream(PdfRef object, const PdfDictionary& dictionary, std::string_view data,
                     const PdfEncoding& encoding = {});
    // A deflated stream of data the writer takes, so that large data is deflated aside without a copy.
    void WriteDeflated(PdfRef object, const PdfDictionary& dictionary, std::string data);
    // Writes a page (given /Type and /Parent here) and appends it to the page tree.
    void WritePage(PdfRef page, PdfDictionary dictionary);

    // Ends the file. A number reserved and never written becomes a null object.
    void Finish(std::string_view titleUtf8);

private:
    void Emit(std::string_view bytes);
    void BeginObject(PdfRef object);
    void DeflateAside(PdfRef object, PdfDictionary dictionary, std::string data);
    // Writes the stream being deflated aside, and what was written after it.
    void Flush();
    void CheckOpen() const;
    static PdfDictionary WithFilter(PdfDictionary dictionary, const PdfEncoding& encoding);

    // A stream being deflated aside: the objects written meanwhile wait behind it, at offsets within
    // the bytes held.
    struct Deflating {
        PdfRef object;
        PdfDictionary dictionary;
        std::string behind;
        std::vector<std::pair<PdfRef, std::size_t>> objectsBehind;
    };

    PdfByteSink m_sink;
    Deflater m_deflater{kContentDeflateLevel};
    DeflateWorker m_worker;
    std::optional<Deflating> m_deflating;
    std::uint64_t m_offset = 0;
    std::vector<std::uint64_t> m_offsets;  // by number - 1; 0 until written
    std::vector<PdfRef> m_pages;
    std::map<std::string, PdfRef> m_shared;
    PdfRef m_pageTree;
    bool m_broken = false;  // a write failed midway
    bool m_finished = false;
};
