#pragma once
// Dates in the user's own forms (LC_TIME of the environment), as the album
// pages show them: the short form in the folder menu, the long form in page
// headings and on the data page.

#include <string>

namespace lumbrel::plugin {

std::string shortDate(int year, int month, int day);
std::string longDate(int year, int month, int day);

}  // namespace lumbrel::plugin
