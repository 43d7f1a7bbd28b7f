#pragma once

#include "link/ControllerFrame.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QSocketNotifier>
#include <QString>

#include <fcntl.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

// The station's end of the line, opened the way the station opens a port, reading from the
// event loop so the bus under test keeps running on the same thread.
class StationPort
{
public:
    struct Chunk
    {
        QByteArray bytes;
        qint64 atMs = 0;
    };

    explicit StationPort(const QString& path)
    {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0)
            return;
        termios settings{};
        ::tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        cfsetispeed(&settings, B9600);
        cfsetospeed(&settings, B9600);
        ::tcsetattr(fd_, TCSANOW, &settings);
        clock_.start();
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readWaiting(); });
    }
    ~StationPort()
    {
        notifier_.reset();
        if (fd_ >= 0)
            ::close(fd_);
    }
    StationPort(const StationPort&) = delete;
    StationPort& operator=(const StationPort&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    bool Write(const QByteArray& bytes)
    {
        return ::write(fd_, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    }
    bool Write(const ControllerFrame& frame)
    {
        return Write(QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size())));
    }

    // Everything read so far, in one piece.
    QByteArray Received() const
    {
        QByteArray all;
        for (const Chunk& chunk : chunks_)
            all += chunk.bytes;
        return all;
    }
    // What each read returned, and when.
    const QList<Chunk>& Chunks() const { return chunks_; }
    void Clear() { chunks_.clear(); }

private:
    void readWaiting()
    {
        char buffer[512];
        const ssize_t count = ::read(fd_, buffer, sizeof buffer);
        if (count > 0)
            chunks_.append({QByteArray(buffer, int(count)), clock_.elapsed()});
    }

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QElapsedTimer clock_;
    QList<Chunk> chunks_;
};
