#include "serial/TermiosSettings.h"

#include <utility>

namespace {

constexpr std::pair<int, speed_t> SpeedTable[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

} // namespace

std::optional<speed_t> SpeedForBaud(int baud)
{
    for (const auto& [rate, speed] : SpeedTable) {
        if (rate == baud)
            return speed;
    }
    return std::nullopt;
}

void MakeRaw(termios& t)
{
    // What cfmakeraw does, spelled out so the test can hold us to it.
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    t.c_iflag &= ~tcflag_t(IXOFF | IXANY);
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB);
    t.c_cflag |= CS8;
    t.c_cflag &= ~tcflag_t(CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

void EnableErrorMarks(termios& t)
{
    t.c_iflag &= ~tcflag_t(IGNPAR | ISTRIP | IGNBRK | BRKINT);
    t.c_iflag |= PARMRK | INPCK;
}

bool SetBaud(termios& t, int baud)
{
    const std::optional<speed_t> speed = SpeedForBaud(baud);
    if (!speed)
        return false;
    cfsetispeed(&t, *speed);
    cfsetospeed(&t, *speed);
    return true;
}

void SetParity(termios& t, Parity parity)
{
    t.c_cflag &= ~tcflag_t(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case Parity::None:
        break;
    case Parity::Even:
        t.c_cflag |= PARENB;
        break;
    case Parity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case Parity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case Parity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
}

void SetDataBits(termios& t, int dataBits)
{
    t.c_cflag &= ~tcflag_t(CSIZE);
    switch (dataBits) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    default:
        t.c_cflag |= CS8;
        break;
    }
}

void SetStopBits(termios& t, StopBits stopBits)
{
    // CSTOPB is "two" to the UART, which sends 1.5 stop bits at 5 data bits.
    if (stopBits == StopBits::One)
        t.c_cflag &= ~tcflag_t(CSTOPB);
    else
        t.c_cflag |= CSTOPB;
}

bool ApplyLineSettings(termios& t, const LineSettings& settings)
{
    MakeRaw(t);
    EnableErrorMarks(t);
    if (!SetBaud(t, settings.baud))
        return false;
    SetParity(t, settings.parity);
    SetDataBits(t, settings.dataBits);
    SetStopBits(t, settings.stopBits);
    return true;
}
