#include "OfficeLink.h"

#include "io/CalcBlock.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/ustring.hxx>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace OfficeLink {

using rtl::OUString;
namespace css = com::sun::star;

namespace {

OUString fromUtf8(const std::string& text) {
    return OUString(text.data(), sal_Int32(text.size()), RTL_TEXTENCODING_UTF8);
}

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The first "soffice" on PATH; empty when there is none.
std::string findSoffice() {
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (true) {
        const std::size_t colon = rest.find(':');
        std::string dir(rest.substr(0, colon));
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/soffice";
        if (isExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            return {};
        rest.remove_prefix(colon + 1);
    }
}

// A file URL for a folder path: everything but unreserved characters and '/' percent-encoded.
std::string fileUrl(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += char(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

bool s_setBootstrap = false; // URE_BOOTSTRAP was set by Bootstrap(), not by the user

// Starts soffice in a session of its own with its standard streams on /dev/null: it must
// outlive us and the program that started us, and must not hold our output pipes open.
pid_t launchOffice(const std::string& soffice, const std::string& pipe) {
    std::vector<std::string> args = {soffice, "--nodefault", "--norestore", "--nologo",
                                     "--accept=pipe,name=" + pipe + ";urp;"};
    // Only tests set this: their office gets a profile of its own.
    if (const char* profile = std::getenv("PB_CALC_PROFILE"); profile && *profile)
        args.push_back("-env:UserInstallation=" + fileUrl(profile));
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // The office finds its own runtime; our URE_BOOTSTRAP is for this process only.
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        if (!(s_setBootstrap && std::string_view(*e).starts_with("URE_BOOTSTRAP=")))
            envp.push_back(*e);
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0)
        throw EOfficeLink(CalcBlock::kExitStartFailed,
                          std::string("LibreOffice could not be started: ") + std::strerror(errno));
    if (pid == 0) {
        // Only async-signal-safe calls from here on: the parent has threads.
        ::setsid();
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::close_range(3, ~0U, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

std::string describeStatus(int status) {
    return WIFEXITED(status) ? "exit code " + std::to_string(WEXITSTATUS(status))
                             : "signal " + std::to_string(WTERMSIG(status));
}

constexpr std::chrono::seconds kHandOverGrace{15};

} // namespace

std::string ToUtf8(const OUString& text) {
    const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(bytes.getStr(), std::size_t(bytes.getLength()));
}

std::string PipeName() {
    if (const char* pipe = std::getenv("PB_CALC_PIPE"); pipe && *pipe)
        return pipe;
    return "pointbridge_calc_" + std::to_string(::getuid());
}

uno::Reference<uno::XComponentContext> Bootstrap() {
    if (!std::getenv("URE_BOOTSTRAP")) {
        const std::string rc = PB_FUNDAMENTALRC;
        if (::access(rc.c_str(), R_OK) != 0)
            throw EOfficeLink(CalcBlock::kExitOfficeMissing,
                              "LibreOffice is not installed (" + rc + " is missing)");
        ::setenv("URE_BOOTSTRAP", ("vnd.sun.star.pathname:" + rc).c_str(), 1);
        s_setBootstrap = true;
    }
    try {
        return cppu::defaultBootstrap_InitialComponentContext();
    } catch (const css::uno::Exception& e) {
        throw EOfficeLink(CalcBlock::kExitOfficeMissing,
                          "the LibreOffice runtime could not be loaded: " + ToUtf8(e.Message));
    }
}

uno::Reference<uno::XComponentContext>
TryConnect(const uno::Reference<uno::XComponentContext>& local, const std::string& pipe) {
    try {
        const auto resolver = css::bridge::UnoUrlResolver::create(local);
        const auto object = resolver->resolve(
            fromUtf8("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext"));
        return uno::Reference<uno::XComponentContext>(object, uno::UNO_QUERY);
    } catch (const css::connection::NoConnectException&) {
        return {};
    } catch (const css::lang::DisposedException&) {
        // An office that is still starting (or just closing) may drop the first connection.
        return {};
    }
}

uno::Reference<uno::XComponentContext> Connect(const uno::Reference<uno::XComponentContext>& local,
                                               const std::string& pipe,
                                               std::chrono::seconds deadline, bool startOffice) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + deadline;
    if (auto remote = TryConnect(local, pipe); remote.is())
        return remote;

    pid_t office = -1;
    if (startOffice) {
        const std::string soffice = findSoffice();
        if (soffice.empty())
            throw EOfficeLink(CalcBlock::kExitOfficeMissing,
                              "soffice is not on the search path (PATH)");
        office = launchOffice(soffice, pipe);
    }
    auto stop = end;
    while (Clock::now() < stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (auto remote = TryConnect(local, pipe); remote.is())
            return remote;
        int status = 0;
        if (office > 0 && ::waitpid(office, &status, WNOHANG) == office) {
            office = -1;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                throw EOfficeLink(CalcBlock::kExitStartFailed,
                                  "soffice ended before it accepted a connection (" +
                                      describeStatus(status) + ")");
            // soffice also ends with 0 when it handed its arguments to an office that was
            // already running, which then listens within moments. When it gave up instead
            // (no display, say) waiting the whole minute would only keep the user waiting.
            stop = std::min(end, Clock::now() + kHandOverGrace);
        }
    }
    if (office < 0 && startOffice && stop < end)
        throw EOfficeLink(CalcBlock::kExitStartFailed,
                          "soffice ended without accepting a connection on the pipe \"" + pipe +
                              "\"");
    throw EOfficeLink(CalcBlock::kExitNoConnection,
                      "LibreOffice did not accept a connection on the pipe \"" + pipe +
                          "\" within " + std::to_string(deadline.count()) + " seconds");
}

} // namespace OfficeLink
