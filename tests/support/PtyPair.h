#pragma once

// A kernel pseudo-terminal pair for the serial tests: the control opens the slave (through
// QUELVANE_COMn), the test plays the far end on the master.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

class PtyPair
{
public:
    PtyPair()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0)
            return;
        if (::grantpt(master_) < 0 || ::unlockpt(master_) < 0) {
            CloseMaster();
            return;
        }
        const char* name = ::ptsname(master_);
        if (!name) {
            CloseMaster();
            return;
        }
        slavePath_ = QString::fromLocal8Bit(name);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool IsOpen() const { return master_ >= 0; }
    int MasterFd() const { return master_; }
    QString SlavePath() const { return slavePath_; }

    // Writes all of it (waiting while the slave side is full); false on an error.
    bool WriteMaster(const QByteArray& bytes)
    {
        qsizetype done = 0;
        QElapsedTimer timer;
        timer.start();
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (timer.elapsed() > 5000)
                return false;
            pollfd watched{master_, POLLOUT, 0};
            ::poll(&watched, 1, 10);
        }
        return true;
    }

    // Reads until `expected` bytes came or msecs passed.
    QByteArray ReadMaster(qsizetype expected, int msecs)
    {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < expected && timer.elapsed() < msecs) {
            pollfd watched{master_, POLLIN, 0};
            if (::poll(&watched, 1, 10) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
        }
        return got;
    }

    // Discards what the slave has written so far.
    void DrainMaster()
    {
        char buffer[4096];
        while (::read(master_, buffer, sizeof buffer) > 0) {
        }
    }

    // The far end goes away: the kernel hangs up the slave.
    void CloseMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString slavePath_;
};
