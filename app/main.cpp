// Entry: the command line, the numeric environment and the console, then the dialogue.
#include <iostream>

#include "app/dialogue.hpp"
#include "app/options.hpp"
#include "platform/console.hpp"
#include "platform/file_write.hpp"
#include "solver/arithmetic/numeric_environment.hpp"

namespace {

constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    secant::establishNumericEnvironment();
    const secant::ConsoleSession session;
    secant::Console console{std::cin,          std::cout,           std::cerr,
                            &secant::printOem, &secant::waitForKey, &secant::writeFileWhole};
    const secant::Command command = secant::parseCommandLine(argc, argv);
    int status = 0;
    switch (command.kind) {
        case secant::CommandKind::Help:
            secant::printUsage(console, std::cout);
            status = secant::checkOutputWritten(console, status);
            break;
        case secant::CommandKind::Version:
            std::cout << "secant " SECANT_VERSION << std::endl;
            status = secant::checkOutputWritten(console, status);
            break;
        case secant::CommandKind::UnknownOption:
        case secant::CommandKind::MissingFile:
            secant::printOptionError(console, command);
            secant::printUsage(console, std::cerr);
            status = kExitUsage;
            break;
        case secant::CommandKind::Run:
            status = secant::runDialogue(console, command.options);
            break;
    }
    return status;
}
