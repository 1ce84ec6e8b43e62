#pragma once
// One factory per command; allCommands() lists them.

#include "cli/cli.h"

namespace kestrelon::cli {

Command devicesCommand();
Command numbersCommand();

} // namespace kestrelon::cli
