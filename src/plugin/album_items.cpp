#include "plugin/album_items.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "platform/files.h"
#include "platform/shell_link.h"
#include "platform/utf8.h"

namespace lumbrel::plugin {
namespace {

using platform::endsWithNoCase;
using platform::equalNoCase;

int twoDigits(std::string_view text) { return (text[0] - '0') * 10 + (text[1] - '0'); }

/// The first folder below library that path lies in; empty when path is not
/// below library or lies directly in it.
std::string_view firstFolderBelow(std::string_view library, std::string_view path) {
    if (path.size() <= library.size() + 1 || path.substr(0, library.size()) != library ||
        path[library.size()] != '/')
        return {};
    const std::string_view rest = path.substr(library.size() + 1);
    const std::size_t slash = rest.find('/');
    return slash == std::string_view::npos ? std::string_view{} : rest.substr(0, slash);
}

std::string upperCased(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

}  // namespace

std::optional<LibraryDate> singleDateOf(std::string_view name) {
    if (name.size() != 6 && name.size() != 8) return std::nullopt;
    if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return LibraryDate{};  // of date length but not a date: no date to show
    if (name.size() == 6) {
        const int yy = twoDigits(name);
        return LibraryDate{(name.substr(0, 2) < "90" ? 2000 : 1900) + yy, twoDigits(name.substr(2)),
                           twoDigits(name.substr(4))};
    }
    return LibraryDate{twoDigits(name) * 100 + twoDigits(name.substr(2)), twoDigits(name.substr(4)),
                       twoDigits(name.substr(6))};
}

AlbumGroups collectGroups(std::string_view library, const std::vector<std::string>& images) {
    std::vector<AlbumGroup> metOrder;
    for (const std::string& path : images) {
        const std::string_view folder = firstFolderBelow(library, path);
        if (folder.empty() || equalNoCase(folder, "HTML")) continue;
        const bool known = std::any_of(metOrder.begin(), metOrder.end(),
                                       [&](const AlbumGroup& g) { return equalNoCase(g.folder, folder); });
        if (!known) metOrder.push_back({std::string(folder), upperCased(folder)});
    }
    AlbumGroups result;
    result.groups = metOrder;
    std::stable_sort(result.groups.begin(), result.groups.end(), [](const AlbumGroup& a, const AlbumGroup& b) {
        return platform::compareNoCase(a.folder, b.folder) < 0;
    });
    if (!metOrder.empty()) {
        const auto first = std::find_if(result.groups.begin(), result.groups.end(),
                                        [&](const AlbumGroup& g) { return g.folder == metOrder.front().folder; });
        result.start = static_cast<std::size_t>(first - result.groups.begin());
    }
    return result;
}

std::string previewPathOf(const std::string& listPath) {
    std::string preview = platform::joinPath(platform::joinPath(platform::parentPath(listPath), "PREVIEW"),
                                             platform::lastComponent(listPath));
    if (endsWithNoCase(preview, "AVI")) {
        preview.replace(preview.size() - 3, 3, "JPG");
    } else if (endsWithNoCase(preview, ".LNK")) {
        if (platform::exists(preview)) return platform::resolveLink(preview).value_or(preview);
        if (preview.size() >= 7) preview.replace(preview.size() - 7, 7, "JPG");
    }
    return preview;
}

namespace {

// Reads the recording data of every item. The reader reads each file's header
// only, so an album of many camera pictures is bound by the wait for each
// file's first bytes; the files are shared out to a few threads (each item is
// still read once, into its own record, and nothing else is shared). Without
// threads it reads them in turn.
void readInfos(std::vector<AlbumItem>& items) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < items.size(); i = next++) items[i].info = readImageInfo(items[i].path);
    };
    const std::size_t threads =
        std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), 4, items.size() / 8 + 1});
    std::vector<std::thread> helpers;
    try {
        for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // No more threads to be had: the ones started and this one share the rest.
    }
    work();
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace

std::vector<AlbumItem> collectItems(std::string_view library, std::string_view group,
                                    const std::vector<std::string>& images) {
    std::vector<AlbumItem> items;
    for (const std::string& listPath : images) {
        if (!group.empty() && !equalNoCase(firstFolderBelow(library, listPath), group)) continue;
        std::string path = listPath;
        if (endsWithNoCase(path, ".lnk")) {
            std::optional<std::string> target = platform::resolveLink(path);
            if (!target) continue;
            path = std::move(*target);
        }
        const bool movie = endsWithNoCase(path, ".avi");
        if (!movie && !endsWithNoCase(path, ".jpg")) continue;
        items.push_back(AlbumItem{path, previewPathOf(listPath), movie, {}});
    }
    readInfos(items);
    return items;
}

}  // namespace lumbrel::plugin
