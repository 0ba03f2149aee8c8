#include "comm/ComError.h"

#include "comm/ComTypes.h"
#include "toolkit/Catalog.h"

#include <cerrno>
#include <cstring>

namespace {

const char* codeText(TComErrorCode code) {
    using C = TComErrorCode;
    using ComText::PortTextN;
    switch (code) {
    case C::Open: return PortTextN("Unable to open com port");
    case C::Write: return PortTextN("WriteFile function failed");
    case C::Read: return PortTextN("ReadFile function failed");
    case C::Purge: return PortTextN("PurgeComm function failed");
    case C::LineSettings: return PortTextN("SetCommState function failed");
    case C::Timeouts: return PortTextN("SetCommTimeouts failed");
    case C::QueueSizes: return PortTextN("SetupComm function failed");
    case C::LineStatus: return PortTextN("ClearCommError function failed");
    case C::ModemStatus: return PortTextN("GetCommModemStatus function failed");
    case C::WhileConnected: return PortTextN("Cannot set property while connected");
    case C::PortList: return PortTextN("Registry error");
    }
    return PortTextN("Unknown error");
}

std::string message(TComErrorCode code, int osError, const std::string& device) {
    std::string text = PortText(codeText(code));
    if (code == TComErrorCode::WhileConnected)
        return text;
    // The number goes in by replacement, not printf: a catalog's text is not a format we trust.
    std::string suffix = PortText(" (win error code: %d)");
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

std::string PortText(const char* msgid) { return Catalog::Utf8(kComTextDomain, msgid); }

EComPort::EComPort(TComErrorCode code, int osError, const std::string& device)
    : std::runtime_error(message(code, osError, device)), m_code(static_cast<int>(code)),
      m_osError(code == TComErrorCode::WhileConnected ? -1 : osError), m_device(device) {}

void RaiseComError(TComErrorCode code) { throw EComPort(code, errno); }

void RaiseComError(TComErrorCode code, int osError, const std::string& device) {
    throw EComPort(code, osError, device);
}
