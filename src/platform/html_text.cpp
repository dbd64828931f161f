#include "platform/html_text.h"

namespace lumbrel::platform {

std::string htmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string urlPathText(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        switch (c) {
            case '%': out += "%25"; break;
            case '#': out += "%23"; break;
            case '?': out += "%3F"; break;
            case '"': out += "%22"; break;
            case '<': out += "%3C"; break;
            case '>': out += "%3E"; break;
            case '&': out += "&amp;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace lumbrel::platform
