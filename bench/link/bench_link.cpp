// Figures of the link: the CPU one PumpWait(2000) burns, the latency from a status reply
// written to the line to its indicator painted in the new colour, and how soon a wait returns
// when the station ends.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "floors/TShape.h"
#include "link/ControllerLink.h"
#include "serial/TMSComm.h"
#include "support/BusOnThread.h"
#include "support/FrameBytes.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Ends the wait when the shape starts painting.
class PaintWatch : public QObject
{
public:
    QEventLoop* loop = nullptr;
    Clock::time_point paintedAt;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && loop != nullptr) {
            paintedAt = Clock::now();
            loop->quit();
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    BusOnThread bus;
    qputenv("QUELVANE_COM1", bus.DevicePath().toLocal8Bit());
    TMSComm comm;
    IndicatorLookup indicators;
    ControllerLink link(comm, indicators);
    comm.OnComm = [&link](QObject* sender) { link.Comm1Comm(sender); };
    link.PrepareComm();
    if (!link.OpenPort(1, 9600)) {
        std::fprintf(stderr, "bench_link: COM1 did not open\n");
        return 1;
    }

    const double cpu0 = cpuSeconds();
    const auto wall0 = Clock::now();
    link.PumpWait(2000);
    const double cpuMs = (cpuSeconds() - cpu0) * 1000.0;
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - wall0).count();
    std::printf("PumpWait(2000): wall %.1f ms, CPU %.2f ms (%.2f %% of one core)\n", wallMs, cpuMs,
                100.0 * cpuMs / wallMs);

    QWidget window;
    window.resize(100, 60);
    auto* shape = new TShape(&window);
    shape->setGeometry(10, 10, 31, 24);
    indicators.Register(1, {shape});
    window.show();
    QCoreApplication::processEvents();

    PaintWatch watch;
    shape->installEventFilter(&watch);
    std::vector<double> latencies;
    constexpr int Runs = 50;
    for (int i = 0; i < Runs; ++i) {
        QEventLoop loop;
        watch.loop = &loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        timeout.start(1000);
        const auto written = Clock::now();
        bus.InjectBytes(StatusReplyBytes(1, std::uint8_t(i % 2 == 0 ? 0x01 : 0x00)));
        loop.exec();
        watch.loop = nullptr;
        if (!timeout.isActive()) {
            std::fprintf(stderr, "bench_link: reply %d never painted\n", i);
            return 1;
        }
        latencies.push_back(
            std::chrono::duration<double, std::milli>(watch.paintedAt - written).count());
        link.PumpWait(20);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("reply written to indicator painted, %d runs: median %.3f ms, min %.3f ms, "
                "max %.3f ms\n",
                Runs, latencies[Runs / 2], latencies.front(), latencies.back());

    // The station ends 200 ms into a wait, as when the main screen closes during a floor
    // change: the wait returns then instead of running out its two seconds.
    constexpr int EndAtMs = 200;
    const double endCpu0 = cpuSeconds();
    const auto endWall0 = Clock::now();
    QTimer::singleShot(0, [&link] { link.PumpWait(2000); });
    QTimer::singleShot(EndAtMs, [&link] {
        link.End();
        QCoreApplication::exit(0);
    });
    application.exec();
    std::printf("PumpWait(2000) with the end at %d ms: wall %.1f ms, CPU %.2f ms\n", EndAtMs,
                std::chrono::duration<double, std::milli>(Clock::now() - endWall0).count(),
                (cpuSeconds() - endCpu0) * 1000.0);
    return 0;
}
