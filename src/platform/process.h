#pragma once
// Starting the companion program: detached, no arguments, not waited for.
// And what a program gets from the system at its start, as UTF-8: its
// arguments and its environment.

#include <optional>
#include <string>
#include <vector>

namespace kestrelon {

bool FileExists(const std::string& path);
// Starts the program at path as a separate process and returns at once.
// False when it could not be started (nobody is told; the caller decides).
bool StartDetached(const std::string& path);

// The name of this computer ("" when it cannot be had).
std::string HostName();

// The arguments after the program's name. Windows hands main() its
// arguments in the ANSI code page, where a file name in another script is
// lost: there they are taken from the wide command line instead.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Lets text written to a console show UTF-8 (Windows; nothing elsewhere).
void UseUtf8Console();

// A variable of the process's environment; nullopt when it is not set.
std::optional<std::string> EnvironmentValue(const std::string& name);

} // namespace kestrelon
