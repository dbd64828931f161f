#include "mailctl/mail_control.h"

#include "mailctl/compose_command.h"
#include "mailctl/shrunk_copy.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/utf8.h"

namespace lumbrel::mailctl {

MailServices MailServices::system() {
    MailServices services;
    services.run = [](const std::string& program, const std::vector<std::string>& args) {
        return platform::runProgram(program, args);
    };
    return services;
}

std::optional<app::MailRow> mailRowNamed(const std::vector<app::MailRow>& rows, std::string_view mailName) {
    if (mailName.empty()) return std::nullopt;
    for (const app::MailRow& row : rows)
        if (row.index != 0 && platform::equalNoCase(row.name, mailName)) return row;
    return std::nullopt;
}

MailResult doClick(const MailProperties& properties, const MailServices& services) {
    MailResult result;
    try {
        const auto row = mailRowNamed(app::mailRows(services.lookup), properties.mailName);
        if (!row) return result;
        if (!row->installed) {
            result.outcome = MailOutcome::NotInstalled;
            return result;
        }
        std::string source = platform::joinPath(properties.imagePath, properties.imageFile);
        if (const auto canonical = platform::canonicalPath(source)) source = *canonical;

        // The copy lives until the compose command has ended: a mail program
        // reads its attachment while that command runs.
        ShrunkCopy copy(properties.imagePath, properties.imageFile);
        result.shrunk = copy.write(source, boxOf(properties.tempSize));
        result.attached = result.shrunk ? copy.path() : source;
        const ComposeCommand command = composeCommand(*row, result.attached);
        const auto started = std::chrono::steady_clock::now();
        const auto status = services.run ? services.run(command.program, command.args) : std::nullopt;
        result.outcome = status == 0 ? MailOutcome::Composed : MailOutcome::ComposeFailed;
        const bool handedOver = std::chrono::steady_clock::now() - started < services.handOver;
        if (result.shrunk && status == 0 && handedOver && services.removeLater) {
            std::function<void()> removal = copy.release();
            result.removalDeferred = services.removeLater(removal);
            if (!result.removalDeferred) removal();
        }
    } catch (...) {
        result.outcome = MailOutcome::ComposeFailed;
    }
    return result;
}

}  // namespace lumbrel::mailctl
