#pragma once
// Checks of the files named on the command line, made before any device is
// touched: a path that cannot work stops the command with one line instead
// of failing after a unit was programmed.

#include "numbering/file_ops.h"

#include <string>

namespace kestrelon::cli {

// A file the command reads when it is there (a missing one is a first
// start). False with a reason when its folder is missing or something is at
// path that is not a readable regular file (a folder, a FIFO, no access).
bool CheckReadableIfPresent(const std::string& path, std::string& why);

// A file the command writes. An existing one must be a writable file; when
// the file is replaced through a new file beside it (replaced), or when it
// does not exist yet, its folder must exist and take new files. Nothing is
// changed: the folder is probed with a temporary file that is removed.
bool CheckWritable(const std::string& path, bool replaced, std::string& why);

// A settings file named on the command line must be there for a command
// that only reads it: false, with the line to print, when it is not (a
// missing default file is a first start).
bool NamedSettingsFilePresent(const std::string& path, std::string& error);

// The path as messages name it: absolute, without "." and "..".
using kestrelon::FullPath;

} // namespace kestrelon::cli
