#include "plugin/album_html.h"

#include "platform/html_text.h"

namespace lumbrel::plugin {

std::string pageStart() {
    // The pages are UTF-8 text: names and dates come from a UTF-8 system.
    return "<HTML>\r\n<HEAD>\r\n"
           "  <META NAME=\"GENERATOR\" CONTENT=\"Orrin Lumbrel 2.0\">\r\n"
           "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=utf-8\">\r\n";
}

std::string pageHead(std::string_view title, std::string_view script) {
    std::string head = pageStart() + "  <TITLE>" + std::string(title) + "</TITLE>\r\n";
    if (!script.empty())
        head += "  <SCRIPT LANGUAGE=\"JavaScript\" SRC=\"" + std::string(script) + "\"></SCRIPT>\r\n";
    return head + "</HEAD>\r\n";
}

FileLink fileLink(std::string_view pageBase, std::string_view path) {
    if (path.size() > pageBase.size() + 1 && path.substr(0, pageBase.size()) == pageBase &&
        path[pageBase.size()] == '/')
        return {"../" + platform::urlPathText(path.substr(pageBase.size() + 1)), false};
    return {fileUrl(path), true};
}

std::string fileUrl(std::string_view path) {
    while (!path.empty() && path.front() == '/') path.remove_prefix(1);
    return "file:///" + platform::urlPathText(path);
}

std::string countText(std::size_t count, std::string_view singular, std::string_view separator) {
    return std::to_string(count) + std::string(separator) + std::string(singular) + (count == 1 ? "" : "s");
}

}  // namespace lumbrel::plugin
