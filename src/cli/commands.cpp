#include "cli/commands.h"

namespace kestrelon::cli {

const std::vector<Command>& allCommands() {
    static const std::vector<Command> commands = {
        runCommand(),
        devicesCommand(),
        infoCommand(),
        rxReadCommand(),
        rxWriteCommand(),
        txReadCommand(),
        txWriteCommand(),
        rxDumpCommand(),
        txDumpCommand(),
        numbersCommand(),
        numberingCommand(),
        watchCommand(),
        recordsCommand(),
        storeCommand(),
    };
    return commands;
}

} // namespace kestrelon::cli
