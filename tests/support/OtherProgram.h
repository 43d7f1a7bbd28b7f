#pragma once

// Another program for the port-locking tests: a child process that runs until the object goes,
// or one that has already ended, and the UUCP lock file such a program writes.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

class OtherProgram
{
public:
    explicit OtherProgram(bool running) : OtherProgram(running, [] {}) {}

    // setUp runs in the child (it names itself, takes a port); the object is made once it has.
    OtherProgram(bool running, const std::function<void()>& setUp)
    {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            setUp();
            const char done = 1;
            if (::write(ready[1], &done, 1) != 1)
                ::_exit(1);
            if (running)
                ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char done = 0;
        while (pid_ > 0 && ::read(ready[0], &done, 1) < 0 && errno == EINTR) {
        }
        ::close(ready[0]);
        if (!running)
            end();
    }
    ~OtherProgram() { end(); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    pid_t Pid() const { return pid_; }

    // Its lock file, in the HDB form.
    bool WriteLock(const QString& lockPath) const
    {
        QFile file(lockPath);
        return file.open(QIODevice::WriteOnly) && file.write(LockText(pid_)) == 11;
    }

    static QByteArray LockText(pid_t pid)
    {
        return QByteArray::number(pid).rightJustified(10, ' ') + '\n';
    }

private:
    void end()
    {
        // A failed fork leaves no child: kill(-1) would signal every process there is.
        if (ended_ || pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        ended_ = true;
    }

    pid_t pid_ = -1;
    bool ended_ = false;
};
