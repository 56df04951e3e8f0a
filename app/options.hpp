// The command line: the dialogue's options, help and version.
#pragma once

namespace secant {

struct DialogueOptions {
    bool report = false;            // a line per root: passes, tolerance, residual
    bool trace = false;             // a line per secant pass
    const char* svgPath = nullptr;  // where to draw the iterates, or none
    bool refine = false;            // the refined roots, whatever the searches met
};

enum class CommandKind { Run, Help, Version, UnknownOption, MissingFile };

struct Command {
    CommandKind kind = CommandKind::Run;
    DialogueOptions options;
    const char* offending = nullptr;  // the argument that could not be used
};

Command parseCommandLine(int argc, const char* const* argv);

}  // namespace secant
