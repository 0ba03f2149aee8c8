#include "app/cli/CliPorts.h"

#include "comm/ComError.h"
#include "comm/PortNames.h"

#include <cstdio>
#include <cstring>

int RunPortsCommand(int argc, char** argv) {
    if (argc > 1) {
        if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
            std::printf("Usage: pointbridge-cli ports\nLists the serial ports, one per line.\n");
            return 0;
        }
        std::fprintf(stderr, "pointbridge-cli ports: unexpected argument '%s'\n", argv[1]);
        return 2;
    }
    try {
        for (const std::string& name : EnumSerialPorts())
            std::printf("%s\n", name.c_str());
    } catch (const EComPort& e) {
        std::fprintf(stderr, "pointbridge-cli ports: %s\n", e.what());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
