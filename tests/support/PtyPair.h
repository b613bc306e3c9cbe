#pragma once
// A pseudo-terminal pair standing in for an instrument on a serial line:
// the test writes to the master side as the instrument would, the code under
// test opens slavePath() like any serial device.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <thread>

class PtyPair {
public:
    PtyPair()
    {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        path_ = name;
        // Raw line: no echo back to the instrument, CR stays CR.
        termios t{};
        ::tcgetattr(slave_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair()
    {
        closeMaster();
        if (slave_ >= 0)
            ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return path_; }
    int masterFd() const { return master_; }
    // A descriptor of the slave side held by the pair (termios, queue size).
    int slaveFd() const { return slave_; }

    // A bound that only ends a wait for a line that never moves (far beyond
    // what a busy machine takes).
    static constexpr int TimeoutMs = 30000;

    // Writes all of `data` to the master side, waiting (bounded) while the
    // line is full.
    bool write(const void* data, std::size_t size, int timeoutMs = TimeoutMs)
    {
        const auto* p = static_cast<const char*>(data);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (size > 0) {
            const ssize_t n = ::write(master_, p, size);
            if (n > 0) {
                p += n;
                size -= std::size_t(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            pollfd pfd{master_, POLLOUT, 0};
            ::poll(&pfd, 1, 5);
        }
        return true;
    }
    bool write(const std::string& s, int timeoutMs = TimeoutMs) { return write(s.data(), s.size(), timeoutMs); }

    // Bytes waiting in the slave's input queue (not yet taken by any reader).
    int queued() const
    {
        int n = 0;
        ::ioctl(slave_, FIONREAD, &n);
        return n;
    }
    // Waits (bounded) until the slave's input queue holds exactly `n` bytes.
    bool waitQueued(int n, int timeoutMs = TimeoutMs) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (queued() != n) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    termios slaveTermios() const
    {
        termios t{};
        ::tcgetattr(slave_, &t);
        return t;
    }

    // The instrument goes away.
    void closeMaster()
    {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};
