// An XPS package as the translator reads it: its parts by name, and the pages of its fixed documents in
// order, found from the package's relationships through the fixed document sequence.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xps/markup/xml_element.h"
#include "xps/package/part_name.h"
#include "xps/package/zip_directory.h"

// A name a page's elements give for links into it (one of its PageContent's LinkTargets).
struct LinkTarget {
    std::string name;
    std::size_t page = 0;
};

// A fixed document of the sequence: its part, and its pages' span in the package's Pages().
struct DocumentPart {
    std::string name;
    std::size_t firstPage = 0;
    std::size_t pageCount = 0;
};

class PackageReader {
public:
    // Reads the ZIP's directory and the structure of the documents. Throws DocumentFailure with the
    // package's status: a ZIP failure, a missing sequence, document or page, or broken markup.
    explicit PackageReader(int fd);

    int File() const { return m_fd; }
    const ZipDirectory& Directory() const { return m_directory; }
    // The part of that name (a ZIP name, compared without regard to case), or null.
    const ZipPart* Find(std::string_view name) const;
    // A part whole; XPS_E_MISSING_PART_REFERENCE where the package has none of that name.
    std::string Read(std::string_view name) const;
    // A part's bytes a chunk at a time.
    void Stream(const ZipPart& part, const ZipDataSink& sink) const;
    // A part's markup, read into handler as it is inflated; localNamespaces as MarkupReader takes them.
    void ReadMarkup(const ZipPart& part, MarkupHandler& handler,
                    std::initializer_list<std::string_view> localNamespaces = {}) const;
    // Whether the part has been inflated whole, and read as markup whole where it was read as markup: a
    // translated package needs no second pass over what translating it read.
    bool WasRead(const ZipPart& part) const { return m_read[Index(part)].load(std::memory_order_relaxed); }

    // The fixed document sequence's part and its documents', whose relationships lead to print tickets.
    const std::string& Sequence() const { return m_sequence; }
    const std::vector<DocumentPart>& Documents() const { return m_documents; }
    // The pages' parts, in the documents' order.
    const std::vector<const ZipPart*>& Pages() const { return m_pages; }
    const std::vector<LinkTarget>& LinkTargets() const { return m_targets; }
    // The title of the package's core properties, where it has one.
    const std::string& Title() const { return m_title; }

private:
    void ReadDocument(const std::string& name);
    void ReadTitle(const std::string& name);
    PartKey Key(std::uint32_t part) const { return {m_directory.Parts()[part].name, m_escaped[part]}; }
    std::size_t Index(const ZipPart& part) const { return static_cast<std::size_t>(&part - m_directory.Parts().data()); }
    void MarkRead(const ZipPart& part) const { m_read[Index(part)].store(true, std::memory_order_relaxed); }

    int m_fd;
    ZipDirectory m_directory;
    // The directory's parts by the names they stand for; of parts that stand for the same name, the first.
    std::vector<std::uint32_t> m_byName;
    // Whether each part's name has %-escapes to decode, found once.
    std::vector<bool> m_escaped;
    // Pages and their resources are read on two threads.
    std::unique_ptr<std::atomic<bool>[]> m_read;
    std::string m_sequence;
    std::vector<DocumentPart> m_documents;
    std::vector<const ZipPart*> m_pages;
    std::vector<LinkTarget> m_targets;
    std::string m_title;
};
