// pointbridge-cli formats: the formats convert reads, with the name --from takes.
#include "formats/InstrumentFormat.h"

#include <cstdio>

int RunFormatsCommand(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: pointbridge-cli formats\n");
        return 2;
    }
    for (const TFormatInfo& f : InstrumentFormats())
        std::printf("%-7s %s\n", f.Name, f.Description);
    std::printf("%-7s %s\n", "ORDER", "delimited in any order of P N E Z D, - for a column to skip (e.g. PDENZ)");
    return 0;
}
