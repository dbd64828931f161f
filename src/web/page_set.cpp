#include "web/page_set.h"

#include "platform/files.h"
#include "web/site_files.h"

namespace lumbrel::web {

PageSet::Page& PageSet::page(const std::string& path) {
    const auto [it, added] = pages_.try_emplace(path);
    Page& page = it->second;
    if (added && platform::exists(path)) {
        page.onDisk = true;
        page.present = true;
        const auto bytes = platform::readFile(path);
        page.readable = bytes && !bytes->empty();
        if (page.readable) page.text.assign(bytes->begin(), bytes->end());
    }
    return page;
}

std::vector<std::size_t> PageSet::flush() {
    std::vector<std::size_t> failed;
    for (auto& [path, page] : pages_) {
        if (!page.changed) continue;
        bool ok = true;
        if (page.present)
            ok = writeSiteFile(path, page.text);
        else if (page.onDisk)
            ok = platform::deleteFile(path);
        if (!ok) failed.insert(failed.end(), page.owners.begin(), page.owners.end());
    }
    pages_.clear();
    return failed;
}

}  // namespace lumbrel::web
