#include "xps/package/core_properties.h"

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/expat_parser.h"
#include "xps/markup/xml_space.h"

namespace {

constexpr std::string_view kTitle = "http://purl.org/dc/elements/1.1/|title";
// A title longer than this is cut: it names a print job, not a book.
constexpr std::size_t kMaxTitle = 1024;


struct TitleReader {
    XML_Parser parser = nullptr;
    bool inTitle = false;
    bool done = false;
    bool refused = false;
    std::string title;
};

TitleReader& Reader(void* data) { return *static_cast<TitleReader*>(data); }

void Start(void* data, const XML_Char* name, const XML_Char**)
{
    TitleReader& reader = Reader(data);
    reader.inTitle = !reader.done && kTitle == name;
}

void End(void* data, const XML_Char* name)
{
    TitleReader& reader = Reader(data);
    if (reader.inTitle && kTitle == name) {
        reader.inTitle = false;
        reader.done = true;
    }
}

void Text(void* data, const XML_Char* text, int size)
{
    TitleReader& reader = Reader(data);
    if (reader.inTitle && reader.title.size() < kMaxTitle)
        reader.title.append(text, static_cast<std::size_t>(size));
}

// No DOCTYPE is taken, so no entity is ever declared, let alone expanded or fetched.
void Doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
{
    TitleReader& reader = Reader(data);
    reader.refused = true;
    XML_StopParser(reader.parser, XML_FALSE);
}

std::string Folded(const std::string& text)
{
    std::string folded;
    for (const char c : text) {
        const bool space = IsXmlSpace(c);
        if (space && (folded.empty() || folded.back() == ' '))
            continue;
        folded += space ? ' ' : c;
    }
    while (!folded.empty() && folded.back() == ' ')
        folded.pop_back();
    return folded.substr(0, kMaxTitle);
}

}  // namespace

std::string ReadCoreTitle(std::string_view markup)
{
    ExpatParser parser('|');
    TitleReader reader;
    reader.parser = parser.Get();
    XML_SetUserData(parser.Get(), &reader);
    XML_SetElementHandler(parser.Get(), Start, End);
    XML_SetCharacterDataHandler(parser.Get(), Text);
    XML_SetStartDoctypeDeclHandler(parser.Get(), Doctype);
    const bool parsed = XML_Parse(parser.Get(), markup.data(), static_cast<int>(markup.size()), XML_TRUE) == XML_STATUS_OK;
    if (!parsed || reader.refused)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return Folded(reader.title);
}
