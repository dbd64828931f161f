#pragma once
// The site pages that one pass works on, held in memory: each page is read at
// most once, edited row by row in memory, and written (or deleted) once when
// the pass ends. A pass over many libraries of one month so rewrites that
// month's page once instead of once per library, and reads no other page.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace lumbrel::web {

class PageSet {
public:
    struct Page {
        std::string text;
        bool onDisk = false;    ///< the file existed when the page was first asked for
        bool present = false;   ///< the page exists after the edits so far
        bool readable = true;   ///< false when the file exists but could not be read
        bool changed = false;   ///< text or presence differ from the file
        std::vector<std::size_t> owners;  ///< the pass's items (list positions) whose edits it holds
    };

    /// The page at path, read from disk the first time it is asked for.
    Page& page(const std::string& path);

    /// Writes each changed page (writable while written, read-only after) and
    /// deletes each page that is no longer present. Returns the owners of the
    /// pages that could not be written or deleted; the set is empty afterwards.
    std::vector<std::size_t> flush();

private:
    std::map<std::string, Page> pages_;
};

}  // namespace lumbrel::web
