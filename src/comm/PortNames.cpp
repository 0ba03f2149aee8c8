#include "comm/PortNames.h"

#include "comm/ComError.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
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
        RaiseComError(23);
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
        RaiseComError(23, error);
    return names;
}

std::string linkTarget(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The 8250 driver registers its ports whether or not a UART answers; only those with a
// known UART type are real.
bool isReal8250(const std::string& devicePath) {
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool real = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return real;
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
        const std::string devicePath = g_devRoot + "/" + name;
        if (baseName(linkTarget(entry + "/device/driver")) == "serial8250" &&
            !isReal8250(devicePath))
            continue;
        ports.push_back(devicePath);
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
