#pragma once

#include "serial/CommError.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The serial communications control, over POSIX termios. The main
// screen holds one as Comm1 and uses it from the UI thread only: the properties below carry the
// control's classic names, OnComm is raised through the Qt event loop (a QSocketNotifier on the
// device), and every failure is a CommError carrying the system's message.
//
// Receiving: whenever the device is readable the control reads everything the driver holds,
// undoes the PARMRK error marks (ParmrkDecoder) and keeps the data in its own buffer of
// ReceiveBufferSize bytes; bytes that do not fit are dropped and raise comEventRxOver. A marked
// byte raises comEventFrame and is not kept. Once RThreshold bytes or more wait after new input
// arrived, comEvReceive is raised. Sending: Output goes straight to the driver; what the driver
// cannot take at once (EAGAIN, a short write) is dropped and raises comEventTxFull. SThreshold is
// kept but no send event (code 1) is raised: nothing in the station listens for it.
//
// A device that hangs up (the far end of a pseudo-terminal closed, a USB adapter pulled out:
// a read returns 0 or EIO) is "lost": the control lets go of it at once (descriptor, lock file,
// exclusive mode, flock), so the notifier cannot spin and the device, plugged in again, is free
// under its old name. The next Output throws. PortOpen still reads true until the port is
// closed.
class TMSComm : public QObject
{
    Q_OBJECT
    Q_PROPERTY(short CommPort READ CommPort WRITE SetCommPort)
    Q_PROPERTY(QString Settings READ Settings WRITE SetSettings)
    Q_PROPERTY(bool PortOpen READ PortOpen WRITE SetPortOpen)
    Q_PROPERTY(bool DTREnable READ DTREnable WRITE SetDTREnable)
    Q_PROPERTY(short InBufferCount READ InBufferCount WRITE SetInBufferCount)
    Q_PROPERTY(short InputLen READ InputLen WRITE SetInputLen)
    Q_PROPERTY(short OutBufferCount READ OutBufferCount WRITE SetOutBufferCount)
    Q_PROPERTY(short RThreshold READ RThreshold WRITE SetRThreshold)
    Q_PROPERTY(short SThreshold READ SThreshold WRITE SetSThreshold)
    Q_PROPERTY(int InputMode READ InputMode WRITE SetInputMode)
    Q_PROPERTY(QByteArray Output READ OutputReadsNothing WRITE SetOutput)
    Q_PROPERTY(QByteArray Input READ Input)
    Q_PROPERTY(short CommEvent READ CommEvent)

public:
    // CommEvent codes, named as the classic serial control names them.
    static constexpr short comEvReceive = 2;      // RThreshold bytes wait
    static constexpr short comEventFrame = 1004;  // framing (or parity) error, or a break
    static constexpr short comEventRxOver = 1008; // receive buffer overflow, bytes dropped
    static constexpr short comEventTxFull = 1010; // send buffer full, bytes dropped

    static constexpr int ReceiveBufferSize = 4096; // the control's own receive buffer, bytes

    static constexpr short InputModeText = 0;
    static constexpr short InputModeBinary = 1;

    explicit TMSComm(QObject* parent = nullptr);
    ~TMSComm() override; // closes the port

    // Raised on the UI thread through the event loop, with this control as sender; CommEvent
    // then holds the code. May be empty. The handler may run a nested event loop, close or
    // reopen the port; an exception it throws leaves through the event loop (QApplication's
    // notify()).
    std::function<void(QObject* sender)> OnComm;

    // 1 = COM1 (ComPortDevice). 1 to 16; throws when out of range or while the port is open.
    short CommPort() const;
    void SetCommPort(short port);

    // "9600,n,8,1" (ParseSettings); a text it refuses throws and changes nothing. While open the
    // new settings are applied at once.
    QString Settings() const;
    void SetSettings(const QString& settings);

    // true opens the device of CommPort with Settings: exclusive, raw, buffers emptied, DTR as
    // DTREnable says. Throws with the system's message when the device is missing, refused, held
    // by another open or program, or not a terminal; and when the port is already open.
    // false closes (no-op when closed).
    bool PortOpen() const;
    void SetPortOpen(bool open);

    // Raises (true) or lowers (false) DTR, now when open and at every open. A device without
    // modem lines (a pseudo-terminal) is not an error.
    bool DTREnable() const;
    void SetDTREnable(bool enable);

    // Bytes waiting: what the driver holds plus what the control holds (0 while closed). Only 0
    // may be written: it discards them; accepted while closed.
    short InBufferCount();
    void SetInBufferCount(short count);

    // Bytes one Input read takes at most; 0 takes every waiting byte. Not negative.
    short InputLen() const;
    void SetInputLen(short length);

    // Bytes written but not yet sent by the driver (TIOCOUTQ; 0 while closed). Only 0 may be
    // written: it discards them (tcflush TCOFLUSH); accepted while closed.
    short OutBufferCount();
    void SetOutBufferCount(short count);

    // Receive event once this many bytes wait; 0 raises no receive events. Not negative.
    short RThreshold() const;
    void SetRThreshold(short threshold);

    // Kept for the station's preparation; no send event is raised. Not negative.
    short SThreshold() const;
    void SetSThreshold(short threshold);

    // 0 text, 1 binary. Input yields the same bytes in both modes: a QByteArray, which in text
    // mode is the text in the line's 8-bit characters.
    int InputMode() const;
    void SetInputMode(int mode);

    // Sends the bytes. Throws when the port is closed, the device is lost or the write fails.
    void SetOutput(const QByteArray& bytes);

    // Takes the waiting bytes (InputLen of them at most) out of the buffer, first reading what
    // the driver holds. Throws when the port is closed.
    QByteArray Input();

    // The code behind the latest OnComm (0 before the first).
    short CommEvent() const;

    // Link-layer helpers, outside the classic control. Both block the calling thread without
    // running the event loop. Events for input they read are delivered later, through the loop.

    // Waits until at least count bytes wait (InBufferCount >= count) or msecs have passed;
    // returns whether they wait. False at once when the port is closed or the device lost.
    bool WaitForInput(int count, int msecs);

    // Waits until OutBufferCount is 0 or msecs have passed; returns whether it is 0. True at
    // once while closed or lost; throws as OutBufferCount does.
    bool WaitForSent(int msecs);

    // True once the open device hung up (see above); false again after the port closes.
    bool DeviceLost() const;

private:
    // The classic Output is write-only; the property system wants a READ, which yields
    // nothing.
    QByteArray OutputReadsNothing() const { return {}; }

    struct Private;
    std::unique_ptr<Private> d;

    friend struct TMSCommTestAccess;
};
