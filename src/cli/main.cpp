#include "cli/cli.h"
#include "platform/process.h"

#include <iostream>

int main(int argc, char** argv) {
    kestrelon::UseUtf8Console();
    return kestrelon::cli::runCli(kestrelon::ProgramArguments(argc, argv), std::cout, std::cerr);
}
