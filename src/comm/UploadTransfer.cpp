#include "comm/UploadTransfer.h"

#include "comm/ComError.h"
#include "comm/ComPort.h"
#include "comm/PortNames.h"

#include <QTimer>

#include <algorithm>
#include <cerrno>

namespace {
// At 4800 bit/s about 10 bytes leave per step; the driver's queue holds seconds of them.
constexpr int kStepMs = 20;
} // namespace

TUploadTransfer::TUploadTransfer(TCustomComPort& port, std::string bytes, QObject* parent)
    : QObject(parent), m_port(port), m_bytes(std::move(bytes)), m_timer(new QTimer(this)) {
    m_timer->setInterval(kStepMs);
    connect(m_timer, &QTimer::timeout, this, &TUploadTransfer::Step);
}

TUploadTransfer::~TUploadTransfer() = default;

void TUploadTransfer::Start() {
    if (m_state != TState::Idle)
        return;
    m_state = TState::Running;
    m_lastProgress = std::chrono::steady_clock::now();
    // The first step comes from the loop too, so that Finished never precedes Start's return.
    m_timer->start();
}

void TUploadTransfer::Cancel() {
    if (Running())
        Finish(TState::Cancelled);
}

void TUploadTransfer::Step() {
    if (!Running())
        return;
    int queued = 0;
    try {
        // Only a hang-up closes the port while a transfer holds it (the port then lets go
        // of the vanished device): say so, not that a closed descriptor was written to.
        if (!m_port.Connected())
            RaiseComError(TComErrorCode::Write, EIO, DevicePath(m_port.Port()));
        m_handed += m_port.WriteSome(m_bytes.data() + m_handed, Total() - m_handed);
        queued = m_port.OutputCount();
    } catch (...) {
        m_error = std::current_exception();
        Finish(TState::Failed);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const int sent = std::max(m_sent, m_handed - std::min(queued, m_handed));
    if (sent != m_sent) {
        m_sent = sent;
        m_lastProgress = now;
        emit Progress(m_sent, Total());
    }
    if (m_sent == Total())
        Finish(TState::Done);
    else if (now - m_lastProgress >= StallLimit)
        Finish(TState::Stalled);
}

void TUploadTransfer::Finish(TState state) {
    m_timer->stop();
    m_state = state;
    // The instrument must not get the rest of a broken upload later, when it takes data
    // again (and a closing port would wait for it to drain).
    if (state != TState::Done)
        m_port.DiscardOutput();
    emit Finished();
}
