#include "xps/pdf/pdf_writer.h"

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/pdf/pdf_number.h"

namespace {

// Readers' limit on object numbers, and the ten digits an offset has in the cross-reference table.
constexpr std::size_t kMostObjects = 8388607;
constexpr std::uint64_t kLargestOffset = 9999999999u;
// From this size a stream is deflated aside while the caller goes on; smaller ones take less time than
// handing them over.
constexpr std::size_t kLeastDeflatedAside = std::size_t{32} << 10;
// Larger data is held beside the next page's only up to this; beyond, the caller waits for it.
constexpr std::size_t kMostDeflatedAside = std::size_t{16} << 20;
// What may wait behind a stream deflated aside before the writer waits for it.
constexpr std::size_t kMostHeldBehind = std::size_t{1} << 20;
// An object's offset while it waits behind a stream deflated aside.
constexpr std::uint64_t kOffsetPending = ~std::uint64_t{0};

bool DeflatedAside(std::size_t size) { return size >= kLeastDeflatedAside && size <= kMostDeflatedAside; }

std::string Padded(std::uint64_t value, std::size_t digits)
{
    const std::string text = PdfInteger(value);
    return std::string(digits > text.size() ? digits - text.size() : 0, '0') + text;
}

}  // namespace

PdfWriter::PdfWriter(PdfByteSink sink) : m_sink(std::move(sink))
{
    // The comment of high bytes tells transfer programs the file is binary.
    Emit("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
    m_pageTree = Reserve();
}

void PdfWriter::CheckOpen() const
{
    if (m_broken)
        ThrowDocument(STG_E_WRITEFAULT);
    if (m_finished)
        ThrowDocument(E_FAIL);
}

void PdfWriter::Emit(std::string_view bytes)
{
    if (m_broken)
        ThrowDocument(STG_E_WRITEFAULT);
    if (m_deflating) {
        m_deflating->behind += bytes;
        if (m_deflating->behind.size() > kMostHeldBehind)
            Flush();
        return;
    }
    // Stays set if the sink throws: the file is cut somewhere unknown.
    m_broken = true;
    m_sink(bytes.data(), bytes.size());
    m_broken = false;
    m_offset += bytes.size();
}

PdfRef PdfWriter::Reserve()
{
    CheckOpen();
    if (m_offsets.size() >= kMostObjects)
        ThrowDocument(E_OUTOFMEMORY);
    m_offsets.push_back(0);
    return PdfRef{static_cast<std::uint32_t>(m_offsets.size())};
}

void PdfWriter::BeginObject(PdfRef object)
{
    CheckOpen();
    if (!object || object.number > m_offsets.size() || m_offsets[object.number - 1] != 0)
        ThrowDocument(E_FAIL);
    if (m_deflating) {
        m_deflating->objectsBehind.emplace_back(object, m_deflating->behind.size());
        m_offsets[object.number - 1] = kOffsetPending;
    } else {
        if (m_offset > kLargestOffset)
            ThrowDocument(E_FAIL);
        m_offsets[object.number - 1] = m_offset;
    }
    Emit(PdfInteger(object.number) + " 0 obj\n");
}

void PdfWriter::Flush()
{
    if (!m_deflating)
        return;
    Deflating deflating = std::move(*m_deflating);
    m_deflating.reset();
    const std::string data = m_worker.Take();
    deflating.dictionary.Set("Length", PdfValue::Integer(static_cast<std::int64_t>(data.size())));
    if (m_offset > kLargestOffset)
        ThrowDocument(E_FAIL);
    m_offsets[deflating.object.number - 1] = m_offset;
    Emit(PdfInteger(deflating.object.number) + " 0 obj\n" + deflating.dictionary.Value().Written() + "\nstream\n");
    Emit(data);
    Emit("\nendstream\nendobj\n");
    for (const auto& [object, at] : deflating.objectsBehind) {
        if (m_offset + at > kLargestOffset)
            ThrowDocument(E_FAIL);
        m_offsets[object.number - 1] = m_offset + at;
    }
    Emit(deflating.behind);
}

PdfRef PdfWriter::Write(const PdfValue& value)
{
    const PdfRef object = Reserve();
    Write(object, value);
    return object;
}

void PdfWriter::Write(PdfRef object, const PdfValue& value)
{
    BeginObject(object);
    Emit(value.Written() + "\nendobj\n");
}

PdfRef PdfWriter::WriteShared(const PdfValue& value)
{
    const auto found = m_shared.find(value.Written());
    if (found != m_shared.end())
        return found->second;
    const PdfRef object = Write(value);
    m_shared.emplace(value.Written(), object);
    return object;
}

PdfDictionary PdfWriter::WithFilter(PdfDictionary dictionary, const PdfEncoding& encoding)
{
    if (encoding.deflate)
        dictionary.Set("Filter", PdfValue::Name("FlateDecode"));
    else if (!encoding.filter.empty())
        dictionary.Set("Filter", PdfValue::Name(encoding.filter));
    if (encoding.parameters)
        dictionary.Set("DecodeParms", *encoding.parameters);
    return dictionary;
}

PdfRef PdfWriter::WriteStream(const PdfDictionary& dictionary, std::string_view data, const PdfEncoding& encoding)
{
    const PdfRef object = Reserve();
    WriteStream(object, dictionary, data, encoding);
    return object;
}

void PdfWriter::WriteStream(PdfRef object, const PdfDictionary& dictionary, std::string_view data,
                            const PdfEncoding& encoding)
{
    if (encoding.deflate && DeflatedAside(data.size())) {
        DeflateAside(object, WithFilter(dictionary, encoding), std::string(data));
        return;
    }
    std::string deflated;
    if (encoding.deflate) {
        deflated = m_deflater.Deflate(data);
        data = deflated;
    }
    PdfDictionary whole = WithFilter(dictionary, encoding);
    whole.Set("Length", PdfValue::Integer(static_cast<std::int64_t>(data.size())));
    BeginObject(object);
    Emit(whole.Value().Written() + "\nstream\n");
    Emit(data);
    Emit("\nendstream\nendobj\n");
}

void PdfWriter::WriteDeflated(PdfRef object, const PdfDictionary& dictionary, std::string data)
{
    if (DeflatedAside(data.size()))
        DeflateAside(object, WithFilter(dictionary, PdfEncoding::Deflate()), std::move(data));
    else
        WriteStream(object, dictionary, data);
}

void PdfWriter::DeflateAside(PdfRef object, PdfDictionary dictionary, std::string data)
{
    CheckOpen();
    if (!object || object.number > m_offsets.size() || m_offsets[object.number - 1] != 0)
        ThrowDocument(E_FAIL);
    Flush();
    m_worker.Start(std::move(data));
    m_offsets[object.number - 1] = kOffsetPending;
    m_deflating = Deflating{object, std::move(dictionary), {}, {}};
}

void PdfWriter::WritePage(PdfRef page, PdfDictionary dictionary)
{
    dictionary.Set("Type", PdfValue::Name("Page")).Set("Parent", PdfValue::Reference(m_pageTree));
    Write(page, dictionary.Value());
    m_pages.push_back(page);
}

void PdfWriter::Finish(std::string_view titleUtf8)
{
    Flush();
    PdfArray kids;
    for (PdfRef page : m_pages)
        kids.Add(PdfValue::Reference(page));
    PdfDictionary tree;
    tree.Set("Type", PdfValue::Name("Pages"))
        .Set("Kids", kids.Value())
        .Set("Count", PdfValue::Integer(static_cast<std::int64_t>(m_pages.size())));
    Write(m_pageTree, tree.Value());

    PdfDictionary catalog;
    catalog.Set("Type", PdfValue::Name("Catalog")).Set("Pages", PdfValue::Reference(m_pageTree));
    const PdfRef root = Write(catalog.Value());
    PdfDictionary info;
    if (!titleUtf8.empty())
        info.Set("Title", PdfValue::Text(titleUtf8));
    info.Set("Producer", PdfValue::Literal("wrenpage"));
    const PdfRef infoObject = Write(info.Value());

    for (std::size_t number = 1; number <= m_offsets.size(); ++number) {
        if (m_offsets[number - 1] == 0)
            Write(PdfRef{static_cast<std::uint32_t>(number)}, PdfValue::Null());
    }

    if (m_offset > kLargestOffset)
        ThrowDocument(E_FAIL);
    const std::uint64_t xref = m_offset;
    std::string table = "xref\n0 " + PdfInteger(m_offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (std::uint64_t offset : m_offsets) {
        table += Padded(offset, 10) + " 00000 n \n";
        if (table.size() >= 65536) {
            Emit(table);
            table.clear();
        }
    }
    PdfDictionary trailer;
    trailer.Set("Size", PdfValue::Integer(static_cast<std::int64_t>(m_offsets.size() + 1)))
        .Set("Root", PdfValue::Reference(root))
        .Set("Info", PdfValue::Reference(infoObject));
    Emit(table + "trailer\n" + trailer.Value().Written() + "\nstartxref\n" + PdfInteger(xref) + "\n%%EOF\n");
    m_finished = true;
}
