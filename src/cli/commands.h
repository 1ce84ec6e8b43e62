#pragma once
// One factory per command; allCommands() lists them.

#include "cli/cli.h"

namespace kestrelon::cli {

Command devicesCommand();
Command numbersCommand();
Command numberingCommand();
Command infoCommand();
Command rxReadCommand();
Command rxWriteCommand();
Command txReadCommand();
Command txWriteCommand();
Command rxDumpCommand();
Command txDumpCommand();
Command runCommand();
Command watchCommand();
Command recordsCommand();
Command storeCommand();

} // namespace kestrelon::cli
