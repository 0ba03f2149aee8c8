#pragma once

#include <pty.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <string>

// A pseudo-terminal pair standing in for the instrument: the port opens `SlavePath`, the test
// talks through `Master`. The test keeps its own slave descriptor open so that the line
// stays up between the port's opens and so that it can read the settings back.
struct PtyPair {
    int Master = -1;
    int Slave = -1;
    std::string SlavePath;

    PtyPair() {
        char name[128] = {};
        if (::openpty(&Master, &Slave, name, nullptr, nullptr) != 0)
            return;
        SlavePath = name;
        termios t{};
        ::tcgetattr(Slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(Slave, TCSANOW, &t);
        ::fcntl(Master, F_SETFL, ::fcntl(Master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        CloseMaster();
        if (Slave >= 0)
            ::close(Slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    void CloseMaster() {
        if (Master >= 0)
            ::close(Master);
        Master = -1;
    }
    // The instrument sends.
    bool Send(const std::string& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(Master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            pollfd p{Master, POLLOUT, 0};
            if (::poll(&p, 1, 2000) <= 0)
                return false;
        }
        return true;
    }
    // The instrument reads what arrived within `ms` milliseconds of quiet.
    std::string Receive(int ms = 200) const {
        std::string out;
        char buffer[4096];
        for (;;) {
            pollfd p{Master, POLLIN, 0};
            if (::poll(&p, 1, ms) <= 0)
                return out;
            const ssize_t n = ::read(Master, buffer, sizeof buffer);
            if (n <= 0)
                return out;
            out.append(buffer, static_cast<size_t>(n));
        }
    }
    termios Settings() const {
        termios t{};
        ::tcgetattr(Slave, &t);
        return t;
    }
};
