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
/// wait for it. False when the program cannot be started (missing, not
/// executable).
bool startDetached(const std::string& program, const std::vector<std::string>& args = {});

/// Runs program (looked up in PATH when it has no "/") with the given
/// arguments and returns what it wrote to its standard output, at most
/// maxBytes of it. nullopt when it cannot be started, exits with another
/// status than 0, or has not ended within timeout (it is then killed).
std::optional<std::string> programOutput(const std::string& program, const std::vector<std::string>& args,
                                         std::size_t maxBytes = 64 * 1024,
                                         std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace lumbrel::platform
