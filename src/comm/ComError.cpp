#include "comm/ComError.h"

#include "toolkit/Catalog.h"

#include <cerrno>
#include <cstring>

namespace {

const char* codeText(TComErrorCode code) {
    using C = TComErrorCode;
    switch (code) {
    case C::Open: return "Unable to open com port";
    case C::Write: return "WriteFile function failed";
    case C::Read: return "ReadFile function failed";
    case C::Purge: return "PurgeComm function failed";
    case C::LineSettings: return "SetCommState function failed";
    case C::Timeouts: return "SetCommTimeouts failed";
    case C::QueueSizes: return "SetupComm function failed";
    case C::LineStatus: return "ClearCommError function failed";
    case C::ModemStatus: return "GetCommModemStatus function failed";
    case C::WhileConnected: return "Cannot set property while connected";
    case C::PortList: return "Registry error";
    }
    return "Unknown error";
}

std::string message(TComErrorCode code, int osError, const std::string& device) {
    std::string text = Catalog::Text(kComTextDomain, codeText(code)).toStdString();
    if (code == TComErrorCode::WhileConnected)
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

EComPort::EComPort(TComErrorCode code, int osError, const std::string& device)
    : std::runtime_error(message(code, osError, device)), m_code(static_cast<int>(code)),
      m_osError(code == TComErrorCode::WhileConnected ? -1 : osError), m_device(device) {}

void RaiseComError(TComErrorCode code) { throw EComPort(code, errno); }

void RaiseComError(TComErrorCode code, int osError, const std::string& device) {
    throw EComPort(code, osError, device);
}
