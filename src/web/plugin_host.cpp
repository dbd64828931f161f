#include "web/plugin_host.h"

#include <dlfcn.h>

#include <algorithm>

#include "app/program_folder.h"
#include "app/application.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "plugin/kdplugin.h"

namespace lumbrel::web {

namespace {

using platform::joinPath;

// A plug-in's answer above this size is taken for a broken plug-in.
constexpr std::int32_t kMaxReplyBytes = 16 << 20;

// A plug-in file loaded for the length of one use.
class LoadedPlugin {
public:
    explicit LoadedPlugin(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedPlugin() {
        if (handle_) dlclose(handle_);
    }
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    void* handle() const { return handle_; }
    /// The export of that name, or null (also when the file did not load).
    template <typename Fn>
    Fn find(const char* name) const {
        return handle_ ? reinterpret_cast<Fn>(dlsym(handle_, name)) : nullptr;
    }

private:
    void* handle_;
};

// Asks ask(nullptr) for the size, then fills a buffer of exactly that size;
// the filled call's result goes to result. Empty when the size is unusable.
template <typename Ask>
std::vector<std::uint8_t> sizeThenFill(Ask ask, std::int32_t& result) {
    const std::int32_t size = ask(nullptr);
    if (size < 1 || size > kMaxReplyBytes) return {};
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
    result = ask(buffer.data());
    return buffer;
}

// The name list behind a GetPluginTitle-like export of a loaded plug-in.
std::vector<std::string> nameListOf(const LoadedPlugin& plugin, const char* exportName) {
    const auto fn = plugin.find<KdNameListFn>(exportName);
    if (!fn) return {};
    std::int32_t count = 0;
    const auto list = sizeThenFill([&](std::uint8_t* b) { return fn(plugin.handle(), b); }, count);
    return readNameList(list, count);
}

std::string pluginPath(const std::string& pluginsFolder, std::string_view pluginFile) {
    return joinPath(pluginsFolder, pluginFile);
}

// The file name in a "DllPath" value; only it counts, as in start-up's check
// of the setting.
std::string_view fileNameOf(std::string_view dllPath) {
    const std::size_t cut = dllPath.find_last_of("/\\");
    return cut == std::string_view::npos ? dllPath : dllPath.substr(cut + 1);
}

}  // namespace

std::string pluginsFolder(std::string_view programFolder) { return app::pluginsFolder(std::string(programFolder)); }

std::string dllPathOf(std::string_view pluginFile) {
    return "./" + std::string(app::kPluginsFolder) + "/" + std::string(pluginFile);
}

std::string pluginFilePath(std::string_view programFolder, std::string_view dllPath) {
    const std::string_view file = fileNameOf(dllPath);
    return file.empty() ? std::string() : joinPath(pluginsFolder(programFolder), file);
}

std::vector<std::string> readNameList(std::span<const std::uint8_t> list, std::int32_t count) {
    std::vector<std::string> names;
    std::size_t at = 0;
    for (std::int32_t i = 0; i < count && at < list.size(); ++i) {
        const std::size_t length = list[at];
        if (length < 2 || length > list.size() - at) break;
        const auto* text = reinterpret_cast<const char*>(list.data() + at + 1);
        const std::string_view entry(text, length - 2);
        names.emplace_back(entry.substr(0, entry.find('\0')));
        at += length;
    }
    return names;
}

std::vector<TemplateEntry> enumerateTemplates(const std::string& pluginsFolder) {
    std::vector<std::string> files;
    for (const auto& entry : platform::listDirectory(pluginsFolder).value_or(std::vector<platform::DirEntry>{}))
        if (!entry.isDirectory && entry.name.size() > 3 && entry.name.ends_with(".so")) files.push_back(entry.name);
    std::sort(files.begin(), files.end());

    std::vector<TemplateEntry> entries;
    for (const std::string& file : files) {
        const LoadedPlugin plugin(pluginPath(pluginsFolder, file));
        const std::vector<std::string> titles = nameListOf(plugin, "GetPluginTitle");
        for (std::size_t i = 0; i < titles.size(); ++i) {
            const auto before = std::find_if(entries.begin(), entries.end(), [&](const TemplateEntry& e) {
                return platform::compareNoCase(e.title, titles[i]) > 0;
            });
            entries.insert(before, TemplateEntry{titles[i], static_cast<int>(i), file});
        }
    }
    return entries;
}

std::optional<app::TemplateChoice> PluginTemplateFinder::firstTemplate(const std::string& pluginsFolder) {
    const auto entries = enumerateTemplates(pluginsFolder);
    if (entries.empty()) return std::nullopt;
    return app::TemplateChoice{entries.front().title, entries.front().index, entries.front().pluginFile};
}

std::string templateSummary(const std::string& pluginsFolder, const TemplateEntry& entry) {
    const LoadedPlugin plugin(pluginPath(pluginsFolder, entry.pluginFile));
    const auto fn = plugin.find<KdIndexedBytesFn>("GetTemplateSummary");
    if (!fn) return {};
    std::int32_t filled = 0;
    const auto text = sizeThenFill([&](std::uint8_t* b) { return fn(entry.index, b); }, filled);
    const std::string_view view(reinterpret_cast<const char*>(text.data()), text.size());
    return std::string(view.substr(0, view.find('\0')));
}

std::vector<std::string> colourPatternNames(const std::string& pluginsFolder, std::string_view pluginFile) {
    return nameListOf(LoadedPlugin(pluginPath(pluginsFolder, pluginFile)), "GetColorPattern");
}

std::optional<std::vector<std::uint8_t>> colourSampleDib(const std::string& pluginsFolder,
                                                         std::string_view pluginFile, int patternIndex) {
    const LoadedPlugin plugin(pluginPath(pluginsFolder, pluginFile));
    const auto fn = plugin.find<KdIndexedBytesFn>("GetTemplateColorSampleDIB");
    if (!fn) return std::nullopt;
    std::int32_t filled = 0;
    auto sample = sizeThenFill([&](std::uint8_t* b) { return fn(patternIndex, b); }, filled);
    if (sample.empty() || filled != static_cast<std::int32_t>(sample.size())) return std::nullopt;
    return sample;
}

std::optional<TemplateSelection> initialSelection(const std::string& pluginsFolder,
                                                  const std::vector<TemplateEntry>& entries,
                                                  std::string_view dllPath, int templateNo, int colourNo) {
    if (entries.empty()) return std::nullopt;
    const std::string_view file = fileNameOf(dllPath);
    TemplateSelection selection;
    int wanted = 7;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].index == templateNo && platform::equalNoCase(entries[i].pluginFile, file)) {
            selection.entry = i;
            wanted = colourNo;
            break;
        }
    }
    selection.colourNames = colourPatternNames(pluginsFolder, entries[selection.entry].pluginFile);
    const auto count = static_cast<int>(selection.colourNames.size());
    selection.colour = count < 8 || wanted < 0 || wanted >= count ? 0 : wanted;
    return selection;
}

bool writeAlbumPages(const std::string& programFolder, library::CKDCardAlbumDoc& doc,
                     const std::string& libraryPath, std::string_view dllPath, int templateIndex,
                     int patternIndex, const AlbumPageValues& values) {
    const std::string file = pluginFilePath(programFolder, dllPath);
    if (file.empty() || !platform::isFile(file)) return false;
    const LoadedPlugin plugin(file);
    const auto make = plugin.find<KdMakeHtmlFileFn>("MakeHtmlFile");
    if (!make) return false;

    // The image records keep their texts in one shared block: copy the paths
    // out to hand the plug-in terminated strings.
    doc.selectImages(platform::lastComponent(libraryPath));
    std::vector<std::string> paths;
    for (const library::CPhotoData* image : doc.imageSelection()) paths.emplace_back(image->imagePath());
    std::vector<const char*> list;
    for (const std::string& path : paths) list.push_back(path.c_str());

    return make(libraryPath.c_str(), list.data(), static_cast<std::int32_t>(list.size()), templateIndex,
                patternIndex, values.printButton, values.mailSizeCode, values.mailName.c_str()) != 0;
}

bool writeAlbumPages(const app::Settings& settings, library::CKDCardAlbumDoc& doc, const std::string& libraryPath,
                     std::string_view dllPath, int templateIndex, int patternIndex) {
    const AlbumPageValues values{settings.get(app::setting::PrintButton), settings.get(app::setting::TempSize),
                                 settings.get(app::setting::MailName)};
    return writeAlbumPages(settings.programFolder(), doc, libraryPath, dllPath, templateIndex, patternIndex,
                           values);
}

}  // namespace lumbrel::web
