#pragma once

#include <QObject>

#include <chrono>
#include <exception>
#include <string>

class QTimer;
class TCustomComPort;

// Sends bytes to an open port in steps driven by the event loop, so that the window (or
// the command-line loop) stays live: each step hands the driver what it takes without
// waiting. The bytes go out exactly as given. The transfer ends when every byte has left
// the output queue, when the user cancels, when a write fails, or when no byte has left
// for StallLimit (the instrument does not take data). What a broken transfer left in the
// output queue is dropped.
class TUploadTransfer : public QObject {
    Q_OBJECT
public:
    enum class TState { Idle, Running, Done, Stalled, Cancelled, Failed };

    TUploadTransfer(TCustomComPort& port, std::string bytes, QObject* parent = nullptr);
    ~TUploadTransfer() override;

    void Start();
    void Cancel();

    TState State() const { return m_state; }
    bool Running() const { return m_state == TState::Running; }
    // Bytes that have left the output queue, of Total().
    int Sent() const { return m_sent; }
    int Total() const { return static_cast<int>(m_bytes.size()); }
    // The write error of a Failed transfer.
    std::exception_ptr Error() const { return m_error; }

    std::chrono::milliseconds StallLimit{10000};

signals:
    void Progress(int sent, int total);
    void Finished();

private:
    void Step();
    void Finish(TState state);

    TCustomComPort& m_port;
    std::string m_bytes;
    int m_handed = 0; // taken by the driver
    int m_sent = 0;   // of those, sent
    std::chrono::steady_clock::time_point m_lastProgress{};
    TState m_state = TState::Idle;
    std::exception_ptr m_error;
    QTimer* m_timer = nullptr;
};
