#pragma once
// Starting the companion program: detached, no arguments, not waited for.

#include <string>

namespace kestrelon {

bool FileExists(const std::string& path);
// Starts the program at path as a separate process and returns at once.
// False when it could not be started (nobody is told; the caller decides).
bool StartDetached(const std::string& path);

// The name of this computer ("" when it cannot be had).
std::string HostName();

} // namespace kestrelon
