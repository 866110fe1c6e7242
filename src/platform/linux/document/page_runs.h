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
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "page_picture.h"
#include "zip_directory.h"

// A run ends at this many pages, or once its pages pack to this many bytes: scanning past large pages
// costs more than reopening the shared parts.
constexpr std::size_t kMaxRunPages = 32;
constexpr std::uint64_t kMaxRunPageBytes = 4u << 20;
// Every run holds all the parts the pages share (fonts, pictures) while they pack to at most this many
// bytes. Past it, as when each page shows pictures of its own, copying them all into every run would
// cost the square of the pages: a run then holds just the parts its pages' markup names.
constexpr std::uint64_t kMaxSharedRunBytes = 4u << 20;

// picture, where not null, is the page's first picture, which the page in the run's package has lost
// and the loader is to draw.
using PageLoader = std::function<HRESULT(GXPSDocument* document, guint page, const PlacedPicture* picture)>;

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
        // Where runs hold just the parts their pages name: the parts this page's markup names. A page
        // whose markup does not parse has them unknown, and a run holding it holds every part.
        std::vector<const ZipEntry*> resources;
        bool resourcesKnown = false;
        // The page's first picture, where it goes into the PDF as the JPEG it is: in a run the page
        // comes without it.
        std::optional<PlacedPicture> picture;
    };
    // A word of an attribute value that ends in the last segment of some part's name.
    struct Word {
        std::string text;
        bool dictionary;  // a Source attribute's: a resource dictionary, whose own words count too
    };
    // Each resource dictionary's words, read once however many pages use it; none if it does not parse.
    using Dictionaries = std::unordered_map<const ZipEntry*, std::optional<std::vector<Word>>>;
    struct Document {
        const ZipEntry* part = nullptr;
        std::string root;
        std::vector<Page> pages;
    };

    bool ReadDocument(int fd, const std::string& name);
    // Whether a word ends in the last segment of a part's name, however it is spelled.
    bool MayName(const std::string& word) const;
    std::optional<std::vector<Word>> ReadWords(int fd, const ZipEntry& part) const;
    bool FindResources(int fd, Page& page, Dictionaries& dictionaries) const;
    std::optional<PlacedPicture> FindPicture(int fd, const Page& page) const;
    const PlacedPicture* PictureOf(std::size_t document, std::size_t page) const;
    const ZipEntry* Find(const std::string& name) const;

    ZipDirectory m_directory;
    // Every entry by its name in lower case: part names are compared without regard to ASCII case.
    std::unordered_map<std::string, const ZipEntry*> m_parts;
    std::vector<Document> m_documents;
    // The parts every run holds, markup first: all but the pages and their relationships.
    std::vector<const ZipEntry*> m_shared;
    // Whether a run holds, of the shared parts that are not markup, just those its pages name.
    bool m_selective = false;
    // Where runs hold just the parts their pages name: every part's entries (one, or its pieces) by its
    // name in lower case, and the last segment of every such name.
    std::unordered_map<std::string, std::vector<const ZipEntry*>> m_named;
    std::unordered_set<std::string> m_leaves;
};
