#pragma once
// One factory per command; allCommands() lists them.

#include "cli/cli.h"

namespace kestrelon::cli {

Command devicesCommand();

} // namespace kestrelon::cli
