#include "mailctl/compose_command.h"

#include <array>

#include "platform/desktop_entry.h"
#include "platform/files.h"

namespace lumbrel::mailctl {
namespace {

constexpr std::array<std::string_view, 3> kThunderbirds{"thunderbird", "icedove", "betterbird"};
constexpr std::array<std::string_view, 2> kAttachOption{"claws-mail", "sylpheed"};

bool oneOf(std::string_view name, auto const& names) {
    for (std::string_view n : names)
        if (name == n) return true;
    return false;
}

}  // namespace

std::string fileUrl(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
                           b == '.' || b == '_' || b == '~' || b == '/';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += kHex[b >> 4];
            url += kHex[b & 15];
        }
    }
    return url;
}

std::string execProgram(std::string_view exec) {
    std::size_t i = 0;
    while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t')) ++i;
    std::string word;
    bool quoted = false;
    for (; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted && c == '\\' && i + 1 < exec.size()) {
            word += exec[++i];
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            break;
        } else {
            word += c;
        }
    }
    return word;
}

ComposeCommand composeCommand(const app::MailRow& row, const std::string& attachment) {
    std::string program = row.program;
    if (program.ends_with(".desktop")) program = execProgram(platform::desktopEntryValue(program, "Exec"));
    const std::string_view name = platform::lastComponent(program);
    if (oneOf(name, kThunderbirds)) return {program, {"-compose", "attachment='" + fileUrl(attachment) + "'"}};
    if (oneOf(name, kAttachOption)) return {program, {"--attach", attachment}};
    return {"xdg-email", {"--attach", attachment}};
}

}  // namespace lumbrel::mailctl
