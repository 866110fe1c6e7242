// A document's pages loaded in runs, each run from a small package of its own. libgxps scans the ZIP
// from its first entry for every part it opens, so a whole package costs the square of its pages; a run
// costs the square of its own length, and the runs add up to linear time.
#pragma once

// Before GLib, whose TRUE and FALSE give way to Windows's.
#include "platform.h"

#include <libgxps/gxps.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "zip_directory.h"

// A run ends at this many pages, or once its pages pack to this many bytes: scanning past large pages
// costs more than reopening the shared parts.
constexpr std::size_t kMaxRunPages = 32;
constexpr std::uint64_t kMaxRunPageBytes = 4u << 20;

using PageLoader = std::function<HRESULT(GXPSDocument* document, guint page)>;

// Where each fixed document's pages are, as the package's relationships and markup name them.
class PageRuns {
public:
    // Reads the starting relationships, the fixed document sequence and every fixed document. Returns
    // false for anything unusual; the package is then loaded whole, by libgxps alone.
    bool Plan(int fd);

    // Calls load for each of the document's pages in order, with the document of the run holding it.
    // whole is the document loaded from the whole package, for pages the plan does not know.
    HRESULT ForEachPage(int fd, guint document, GXPSDocument* whole, const PageLoader& load) const;

    // Writes the package of pages [first, first + count) of the document into out.
    HRESULT WriteRun(int fd, std::size_t document, std::size_t first, std::size_t count, int out) const;
    // How many pages from first make the next run.
    std::size_t RunLength(std::size_t document, std::size_t first) const;

private:
    struct Page {
        std::string element;
        const ZipEntry* part = nullptr;
        const ZipEntry* relationships = nullptr;
    };
    struct Document {
        const ZipEntry* part = nullptr;
        std::string root;
        std::vector<Page> pages;
    };

    bool ReadDocument(int fd, const std::string& name);
    const ZipEntry* Find(const std::string& name) const;

    ZipDirectory m_directory;
    // Every entry by its name in lower case: part names are compared without regard to ASCII case.
    std::unordered_map<std::string, const ZipEntry*> m_parts;
    std::vector<Document> m_documents;
    // The parts every run holds, markup first: all but the pages and their relationships.
    std::vector<const ZipEntry*> m_shared;
};
