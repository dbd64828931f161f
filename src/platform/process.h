#pragma once
// Starting other programs and finding the running one.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace lumbrel::platform {

/// Full path of the running program file (/proc/self/exe); empty when unknown.
std::string runningProgramPath();

/// Starts program with the given arguments as a detached process that outlives
/// this one (double fork, new session, standard streams on /dev/null); does not
/// wait for it. With workingFolder not empty the program starts in that folder.
/// False when the program cannot be started (missing, not executable, the
/// working folder cannot be entered).
bool startDetached(const std::string& program, const std::vector<std::string>& args = {},
                   const std::string& workingFolder = {});

/// Runs program (looked up in PATH when it has no "/") with the given
/// arguments, standard input and output on /dev/null and standard error
/// shared, and waits for it to end, however long that takes. Its exit status
/// (128 + the signal for one killed by a signal); nullopt when it cannot be
/// started.
std::optional<int> runProgram(const std::string& program, const std::vector<std::string>& args);

/// Runs program (looked up in PATH when it has no "/") with the given
/// arguments and returns what it wrote to its standard output, at most
/// maxBytes of it. nullopt when it cannot be started, exits with another
/// status than 0, or has not ended within timeout (it is then killed).
std::optional<std::string> programOutput(const std::string& program, const std::vector<std::string>& args,
                                         std::size_t maxBytes = 64 * 1024,
                                         std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace lumbrel::platform
