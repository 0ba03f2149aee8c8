#include "comm/RecvSession.h"

#include "comm/ComPort.h"
#include "comm/RecvFiles.h"

TRecvSession::TRecvSession() = default;

TRecvSession::~TRecvSession() {
    // No notification may reach a session that is gone.
    if (m_port)
        m_port->OnRxChar = nullptr;
}

void TRecvSession::Bind(TCustomComPort* port) {
    if (m_port == port)
        return;
    if (m_port)
        m_port->OnRxChar = nullptr;
    m_port = port;
    if (port)
        port->OnRxChar = [this](TCustomComPort* sender, int count) { ComPortRxChar(sender, count); };
}

void TRecvSession::ComPortRxChar(TCustomComPort* Sender, int Count) {
    std::string piece;
    Sender->ReadText(piece, Count);
    Take(piece);
}

void TRecvSession::Take(std::string_view bytes) {
    if (bytes.empty())
        return;
    const bool afterQuiet = m_count == 0 || !StillSending();
    if (!m_output)
        m_bytes += bytes;
    m_count += static_cast<long long>(bytes.size());
    for (const char c : bytes)
        if (m_scan.Next(c) == TLineEndScan::TKind::LineEnd)
            ++m_lineEnds;
    m_openLine = bytes.back() != '\r' && bytes.back() != '\n';
    m_lastArrival = std::chrono::steady_clock::now();
    keep(bytes);
    if (OnArrived)
        OnArrived(bytes, afterQuiet);
}

// The journal first and whatever happens to it: a copy that cannot be written is said, and
// the rest of the transfer is still read.
void TRecvSession::keep(std::string_view bytes) {
    std::string failed;
    if (m_output) {
        failed = m_output->Append(bytes);
    } else {
        try {
            OpenJournal();
            if (m_journal)
                m_journal->Append(bytes);
        } catch (const std::exception& e) {
            failed = e.what();
        }
    }
    if (!failed.empty() && OnKeepFailed)
        OnKeepFailed(failed);
}

void TRecvSession::OpenJournal() {
    if (m_journal || m_noJournal)
        return;
    // Tried once a receive: a journal begun later would lack the first bytes.
    try {
        m_journal = std::make_unique<TRecvJournal>(RecvFiles::JournalFolder());
    } catch (...) {
        m_noJournal = true;
        throw;
    }
}

void TRecvSession::WriteTo(const std::string& outPath) {
    m_output = std::make_unique<TRecvOutput>(outPath, m_journal.get());
}

void TRecvSession::ClearBytes() {
    m_bytes.clear();
    m_count = 0;
    m_lineEnds = 0;
    m_scan = {};
    m_openLine = false;
}

void TRecvSession::Restart() {
    ClearBytes();
    // The bytes that came since the last receive stay in its journal.
    if (m_journal)
        m_journal->Restart();
    m_noJournal = false;
    m_end = {};
}

std::chrono::steady_clock::duration TRecvSession::SinceLastByte() const {
    return std::chrono::steady_clock::now() - m_lastArrival;
}

bool TRecvSession::Idle() const { return m_count > 0 && SinceLastByte() >= IdleAfter; }

bool TRecvSession::StillSending() const {
    return m_count > 0 && m_port && m_port->Connected() && SinceLastByte() < IdleAfter;
}

bool TRecvSession::LineHungUp() const { return m_port && m_port->LineHungUp(); }

std::string TRecvSession::JournalPath() const { return m_journal ? m_journal->Path() : std::string(); }

bool TRecvSession::JournalComplete() const {
    return m_journal && !m_journal->Path().empty() && !m_journal->Failed();
}

void TRecvSession::SyncJournal() {
    if (m_journal)
        m_journal->Sync();
}

void TRecvSession::StopEarly() {
    if (!m_port || !m_port->Connected())
        return; // hung up meanwhile
    m_end.EndedEarly = true;
    Take(m_port->CloseTakingInput());
}

std::string TRecvSession::Finish() {
    m_end.HungUp = LineHungUp();
    if (StillSending())
        m_end.EndedEarly = true; // Cancel, or bytes again while the window asked something
    m_end.CutLine = m_end.CutShort() && m_openLine ? LineCount() : 0;
    m_end.BufferFile.clear();
    m_end.BufferError.clear();
    try {
        m_end.BufferFile = RecvFiles::WriteBufferFile(m_bytes);
    } catch (const std::exception& e) {
        m_end.BufferError = e.what();
    }
    SyncJournal();
    if (!m_end.BufferFile.empty())
        return m_end.BufferFile;
    return JournalComplete() ? JournalPath() : std::string();
}

std::string_view TRecvSession::WholeLines() const {
    std::string_view whole(m_bytes);
    if (m_end.CutLine == 0)
        return whole;
    const size_t end = whole.find_last_of("\r\n");
    return end == std::string_view::npos ? std::string_view() : whole.substr(0, end + 1);
}

std::vector<std::string> TRecvSession::KeptIn() const {
    std::vector<std::string> files;
    if (!m_end.BufferFile.empty())
        files.push_back(m_end.BufferFile);
    if (JournalComplete())
        files.push_back(JournalPath());
    return files;
}
