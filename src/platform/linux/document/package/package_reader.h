// An XPS package as the translator reads it: its parts by name, and the pages of its fixed documents in
// order, found from the package's relationships through the fixed document sequence.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xml_element.h"
#include "zip_directory.h"

struct XpsPage {
    std::string part;
    // Names the page's elements give for links into it (its PageContent's LinkTargets).
    std::vector<std::string> linkTargets;
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

    const std::vector<XpsPage>& Pages() const { return m_pages; }
    // The title of the package's core properties, where it has one.
    const std::string& Title() const { return m_title; }

private:
    void ReadDocument(const std::string& name);
    void ReadTitle(const std::string& name);

    int m_fd;
    ZipDirectory m_directory;
    std::unordered_map<std::string, const ZipPart*> m_parts;
    std::vector<XpsPage> m_pages;
    std::string m_title;
};
