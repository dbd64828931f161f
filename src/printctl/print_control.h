#pragma once
// What a click on an album page's PRINT button does: start the print program
// named by its AppPaths entry with the library's album and the picture
// preselected.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::printctl {

struct PrintProperties {
    std::string imagePath;  ///< the library folder
    std::string imageFile;  ///< the picture, relative to imagePath; empty for none
};

/// Sets ImagePath or ImageFile (names compared ignoring ASCII case); false
/// for another name.
bool setProperty(PrintProperties& properties, std::string_view name, std::string_view value);
/// The property's value; nullopt for an unknown name.
std::optional<std::string> property(const PrintProperties& properties, std::string_view name);

/// What the control asks of the system; the real one by default, fakes in tests.
struct PrintServices {
    /// The "Path" of a program's AppPaths entry.
    std::function<std::optional<std::string>(std::string_view programFile)> appPath;
    /// Starts program with args in folder without waiting; false when it
    /// cannot be started.
    std::function<bool(const std::string& program, const std::vector<std::string>& args, const std::string& folder)>
        start;

    static PrintServices system();
};

enum class PrintOutcome { Started, NoProgram, StartFailed };

/// One click: at most two attempts, stopping at the first that starts the
/// program. Each attempt reads the AppPaths entry of Pressa.exe (none or an
/// empty Path: nothing to start), builds the command line, splits it into
/// arguments as the print program reads them, and starts FOLDER/Pressa.exe
/// in FOLDER.
PrintOutcome doClick(const PrintProperties& properties, const PrintServices& services = PrintServices::system());

/// The about text: the control's name and version.
inline constexpr std::string_view kAboutText = "LM_QM Control, Version 2.0.1E";

}  // namespace lumbrel::printctl
