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
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return;
        termios settings{};
        ::tcgetattr(m_fd, &settings);
        cfmakeraw(&settings);
        cfsetispeed(&settings, B9600);
        cfsetospeed(&settings, B9600);
        ::tcsetattr(m_fd, TCSANOW, &settings);
        m_clock.start();
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readWaiting(); });
    }
    ~StationPort()
    {
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    StationPort(const StationPort&) = delete;
    StationPort& operator=(const StationPort&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool write(const QByteArray& bytes)
    {
        return ::write(m_fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    }
    bool write(const ControllerFrame& frame)
    {
        return write(QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size())));
    }

    // Everything read so far, in one piece.
    QByteArray received() const
    {
        QByteArray all;
        for (const Chunk& chunk : m_chunks)
            all += chunk.bytes;
        return all;
    }
    // What each read returned, and when.
    const QList<Chunk>& chunks() const { return m_chunks; }
    void clear() { m_chunks.clear(); }

private:
    void readWaiting()
    {
        char buffer[512];
        const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
        if (count > 0)
            m_chunks.append({QByteArray(buffer, int(count)), m_clock.elapsed()});
    }

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QElapsedTimer m_clock;
    QList<Chunk> m_chunks;
};
