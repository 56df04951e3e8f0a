#include "app/options.hpp"

#include <cstring>

namespace secant {

namespace {

bool is(const char* argument, const char* name) {
    return std::strcmp(argument, name) == 0;
}

}  // namespace

Command parseCommandLine(int argc, const char* const* argv) {
    Command command;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (is(argument, "--help") || is(argument, "-h")
#ifdef _WIN32
            || is(argument, "/?")
#endif
        ) {
            command.kind = CommandKind::Help;
            return command;
        }
        if (is(argument, "--version")) {
            command.kind = CommandKind::Version;
            return command;
        }
        if (is(argument, "--report")) {
            command.options.report = true;
        } else if (is(argument, "--trace")) {
            command.options.trace = true;
        } else if (is(argument, "--refine")) {
            command.options.refine = true;
        } else if (is(argument, "--svg")) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                command.kind = CommandKind::MissingFile;
                command.offending = argument;
                return command;
            }
            command.options.svgPath = argv[++i];
        } else {
            command.kind = CommandKind::UnknownOption;
            command.offending = argument;
            return command;
        }
    }
    return command;
}

}  // namespace secant
