// pointbridge-cli: the program's file and instrument functions without windows, for batch
// work. Runs without a display.
#include "app/cli/CliSignals.h"

#include <cstdio>
#include <cstring>

#define PB_CLI_COMMAND(name, function, args, summary) int function(int argc, char** argv);
#include "app/cli/CliCommands.def"
#undef PB_CLI_COMMAND

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
    const char* args;
    const char* summary;
};

const Command kCommands[] = {
#define PB_CLI_COMMAND(name, function, args, summary) {name, function, args, summary},
#include "app/cli/CliCommands.def"
#undef PB_CLI_COMMAND
};

int usage(FILE* out) {
    std::fprintf(out, "usage: pointbridge-cli COMMAND [ARGS]   (COMMAND --help for its options)\n\ncommands:\n");
    for (const Command& c : kCommands)
        std::fprintf(out, "  %-9s %-26s %s\n", c.name, c.args, c.summary);
    return out == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage(stderr);
    if (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help") ||
        !std::strcmp(argv[1], "help"))
        return usage(stdout);
    CliSignals::Install();
    for (const Command& c : kCommands)
        if (!std::strcmp(argv[1], c.name))
            return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "pointbridge-cli: unknown command '%s'\n", argv[1]);
    return usage(stderr);
}
