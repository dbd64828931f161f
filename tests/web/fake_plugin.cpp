// A template plug-in for the host's tests, built twice:
//   FAKE_PLUGIN_A  titles "Beta", "delta"; five colour patterns; colour samples
//                  (pattern 3's fills another size than it announces);
//                  MakeHtmlFile records its arguments in the library folder
//                  (make_html_call.txt) and succeeds for patterns 0-4.
//   FAKE_PLUGIN_B  titles "alpha", "Charlie", "echo", "BETA"; summaries only:
//                  no colour patterns, no samples, no MakeHtmlFile.
// Like a real plug-in, the name lists answer only this module's own handle.

#include <dlfcn.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/kdplugin.h"

namespace {

#ifdef FAKE_PLUGIN_A
const std::vector<std::string> kTitles{"Beta", "delta"};
const std::vector<std::string> kPatterns{"Red/white", "Red/gray", "Blue/white", "Blue/gray", "Gray/black"};
#else
const std::vector<std::string> kTitles{"alpha", "Charlie", "echo", "BETA"};
#endif

bool isThisPlugin(void* module) {
    Dl_info info{};
    if (!module || !dladdr(reinterpret_cast<void*>(&GetPluginTitle), &info)) return false;
    void* self = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (self) dlclose(self);
    return self == module;
}

int32_t nameList(void* module, const std::vector<std::string>& names, uint8_t* buffer) {
    if (!isThisPlugin(module)) return 0;
    std::vector<uint8_t> list;
    for (const std::string& n : names) {
        list.push_back(static_cast<uint8_t>(n.size() + 2));
        list.insert(list.end(), n.begin(), n.end());
        list.push_back(0);
    }
    list.push_back(0);
    if (!buffer) return static_cast<int32_t>(list.size());
    std::memcpy(buffer, list.data(), list.size());
    return static_cast<int32_t>(names.size());
}

}  // namespace

extern "C" {

int32_t GetPluginTitle(void* module, uint8_t* buffer) { return nameList(module, kTitles, buffer); }

int32_t GetTemplateSummary(int32_t index, uint8_t* buffer) {
    if (index < 0 || index >= static_cast<int32_t>(kTitles.size())) return 0;
    const std::string text = "About " + kTitles[static_cast<std::size_t>(index)];
    if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int32_t>(text.size() + 1);
}

#ifdef FAKE_PLUGIN_A
int32_t GetColorPattern(void* module, uint8_t* buffer) { return nameList(module, kPatterns, buffer); }

int32_t GetTemplateColorSampleDIB(int32_t index, uint8_t* buffer) {
    if (index < 0 || index >= static_cast<int32_t>(kPatterns.size())) return 0;
    if (buffer) std::memset(buffer, index, 16);
    return buffer && index == 3 ? 8 : 16;
}

int32_t MakeHtmlFile(const char* libraryPath, const char* const* imagePaths, int32_t imageCount,
                     int32_t templateIndex, int32_t patternIndex, int32_t printButton, int32_t mailSizeCode,
                     const char* mailName) {
    std::ofstream out(std::string(libraryPath) + "/make_html_call.txt");
    out << libraryPath << "\n" << imageCount << "\n";
    for (int32_t i = 0; i < imageCount; ++i) out << imagePaths[i] << "\n";
    out << templateIndex << " " << patternIndex << " " << printButton << " " << mailSizeCode << "\n"
        << mailName << "\n";
    return out && patternIndex < static_cast<int32_t>(kPatterns.size()) ? 1 : 0;
}
#endif

}  // extern "C"
