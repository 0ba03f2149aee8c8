#pragma once

#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <chrono>
#include <stdexcept>
#include <string>

// The connection to LibreOffice over a named pipe, shared by pointbridge-calc and the tools
// that check its work. Every failure carries the helper's exit code (CalcBlock::ExitCode).
namespace OfficeLink {

namespace uno = com::sun::star::uno;

class EOfficeLink : public std::runtime_error {
public:
    EOfficeLink(int exitCode, const std::string& message)
        : std::runtime_error(message), m_exitCode(exitCode) {}
    int ExitCode() const { return m_exitCode; }

private:
    int m_exitCode;
};

// The pipe the office listens on: PB_CALC_PIPE when set (tests keep their office apart that
// way), else one name per user, so that every export joins the same office.
std::string PipeName();

// The local UNO runtime. Points URE_BOOTSTRAP at the installed office's fundamentalrc first;
// without it the runtime finds no types and creating services crashes.
uno::Reference<uno::XComponentContext> Bootstrap();

// One attempt; an empty reference when nothing listens on the pipe yet.
uno::Reference<uno::XComponentContext>
TryConnect(const uno::Reference<uno::XComponentContext>& local, const std::string& pipe);

// Joins the office listening on `pipe`, or starts soffice (found on PATH) detached and asks
// it to listen there, then retries until `deadline`. A running office that does not listen
// yet is asked by the new soffice process, which hands its arguments over and exits.
uno::Reference<uno::XComponentContext> Connect(const uno::Reference<uno::XComponentContext>& local,
                                               const std::string& pipe,
                                               std::chrono::seconds deadline, bool startOffice);

std::string ToUtf8(const rtl::OUString& text);

} // namespace OfficeLink
