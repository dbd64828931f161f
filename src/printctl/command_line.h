#pragma once
// The print program's command line, and how that program reads it.

#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::printctl {

inline constexpr std::string_view kPrintProgram = "Pressa.exe";

/// The command line that starts the print program from its folder:
///   FOLDER/Pressa.exe [ /i "IMAGEPATH/HTML/INDEX.HTM"] [ /f "IMAGEPATH/IMAGEFILE"] /s off"
/// The /i piece only with an image path, the /f piece only with an image
/// file; the line always ends in one double quote after "off", which opens a
/// quoted piece that nothing closes. The print program reads the line that way.
std::string commandLine(std::string_view programFolder, std::string_view imagePath, std::string_view imageFile);

/// The program part of commandLine: FOLDER/Pressa.exe.
std::string programOf(std::string_view programFolder);

/// Splits the arguments of a command line as the print program's runtime
/// reads them (the rules of the Microsoft C runtime):
///   - spaces and tabs outside quotes separate arguments;
///   - a double quote opens or closes a quoted piece (spaces in it belong to
///     the argument); one left open runs to the end of the line;
///   - inside a quoted piece two double quotes give one literal quote;
///   - 2n backslashes before a quote give n backslashes and the quote keeps
///     its meaning, 2n+1 give n backslashes and a literal quote; backslashes
///     before anything else are literal.
/// An argument of quotes alone ("") is an empty argument.
std::vector<std::string> splitArguments(std::string_view text);

}  // namespace lumbrel::printctl
