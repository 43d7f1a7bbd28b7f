#pragma once

// Another program for the port-locking tests: a child process that runs until the object goes,
// or one that has already ended, and the UUCP lock file such a program writes.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class OtherProgram
{
public:
    explicit OtherProgram(bool running)
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            if (running)
                ::pause();
            ::_exit(0);
        }
        if (!running)
            end();
    }
    ~OtherProgram() { end(); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    pid_t pid() const { return pid_; }

    // Its lock file, in the HDB form.
    bool writeLock(const QString& lockPath) const
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
