#pragma once
// Starting other programs and finding the running one.

#include <string>
#include <vector>

namespace lumbrel::platform {

/// Full path of the running program file (/proc/self/exe); empty when unknown.
std::string runningProgramPath();

/// Starts program with the given arguments as a detached process that outlives
/// this one (double fork, new session, standard streams on /dev/null); does not
/// wait for it. False when the program cannot be started (missing, not
/// executable).
bool startDetached(const std::string& program, const std::vector<std::string>& args = {});

}  // namespace lumbrel::platform
