#include "comm/PortNames.h"

#include "comm/ComError.h"

#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

std::string g_sysClassTty = "/sys/class/tty";
std::string g_devRoot = "/dev";

std::vector<std::string> listDir(const std::string& path, bool mustExist) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) {
        if (!mustExist && errno == ENOENT)
            return names;
        RaiseComError(TComErrorCode::PortList);
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0)
        RaiseComError(TComErrorCode::PortList, error);
    return names;
}

std::string linkTarget(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

// Serial-core ports (ttyS...) are registered whether or not a UART answers; their "type"
// attribute is 0 (unknown) when none does. Read from sysfs, so no port is opened (opening a
// real port may raise its modem lines).
bool hasUart(const std::string& entry) {
    std::FILE* file = std::fopen((entry + "/type").c_str(), "r");
    if (!file)
        return true; // not a serial-core port: USB and ACM adapters are real by being there
    int type = 0;
    const bool known = std::fscanf(file, "%d", &type) == 1 && type != 0;
    std::fclose(file);
    return known;
}

} // namespace

std::string DevicePath(const std::string& port) {
    if (!port.empty() && port.front() == '/')
        return port;
    if (port.size() > 3 && strncasecmp(port.c_str(), "COM", 3) == 0 &&
        std::all_of(port.begin() + 3, port.end(), [](unsigned char c) { return std::isdigit(c); })) {
        const long n = std::strtol(port.c_str() + 3, nullptr, 10);
        if (n >= 1 && n <= 256)
            return "/dev/ttyS" + std::to_string(n - 1);
    }
    return port.empty() ? port : "/dev/" + port;
}

std::vector<std::string> EnumSerialPorts() {
    std::vector<std::string> ports;
    for (const std::string& name : listDir(g_sysClassTty, true)) {
        const std::string entry = g_sysClassTty + "/" + name;
        // Virtual terminals and pseudo-terminals have no device behind them.
        if (linkTarget(entry + "/device").empty())
            continue;
        if (!hasUart(entry))
            continue;
        ports.push_back(g_devRoot + "/" + name);
    }
    const std::string byId = g_devRoot + "/serial/by-id";
    for (const std::string& name : listDir(byId, false))
        ports.push_back(byId + "/" + name);
    std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    return ports;
}

void SetSerialPortRoots(const std::string& sysClassTty, const std::string& devRoot) {
    g_sysClassTty = sysClassTty.empty() ? "/sys/class/tty" : sysClassTty;
    g_devRoot = devRoot.empty() ? "/dev" : devRoot;
}
