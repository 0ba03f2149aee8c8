#include "comm/ComError.h"

#include "toolkit/Catalog.h"

#include <cerrno>
#include <cstring>

namespace {

const char* codeText(int code) {
    switch (code) {
    case 1: return "Unable to open com port";
    case 2: return "WriteFile function failed";
    case 3: return "ReadFile function failed";
    case 5: return "PurgeComm function failed";
    case 7: return "SetCommState function failed";
    case 8: return "SetCommTimeouts failed";
    case 9: return "SetupComm function failed";
    case 10: return "ClearCommError function failed";
    case 11: return "GetCommModemStatus function failed";
    case 14: return "Cannot set property while connected";
    case 23: return "Registry error";
    default: return "Unknown error";
    }
}

std::string message(int code, int osError, const std::string& device) {
    std::string text = Catalog::Text(kComTextDomain, codeText(code)).toStdString();
    if (code == 14)
        return text;
    // The number goes in by replacement, not printf: a catalog's text is not a format we trust.
    std::string suffix = Catalog::Text(kComTextDomain, " (win error code: %d)").toStdString();
    if (const auto at = suffix.find("%d"); at != std::string::npos)
        suffix.replace(at, 2, std::to_string(osError));
    text += suffix;
    if (!device.empty()) {
        text += "\n" + device;
        if (osError > 0) {
            char buf[256];
            // GNU strerror_r may return a static string instead of filling buf.
            text += std::string(": ") + strerror_r(osError, buf, sizeof buf);
        }
    }
    return text;
}

} // namespace

EComPort::EComPort(int code, int osError, const std::string& device)
    : std::runtime_error(message(code, osError, device)), m_code(code),
      m_osError(code == 14 ? -1 : osError), m_device(device) {}

void RaiseComError(int code) { throw EComPort(code, errno); }

void RaiseComError(int code, int osError, const std::string& device) {
    throw EComPort(code, osError, device);
}
