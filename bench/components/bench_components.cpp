// Paint cost of one floor-screen switch, buffered and direct, and of repainting a floor
// screen's worth of switches on one parent. Prints medians of many runs.
#include "components/TiSwitchRocker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 2001;

class BenchRocker : public TiSwitchRocker
{
public:
    using TiSwitchRocker::paintBuffered;
    using TiSwitchRocker::paintDirect;
    using TiSwitchRocker::TiSwitchRocker;
};

template <typename F> double medianMicroseconds(F&& run)
{
    for (int i = 0; i < 50; ++i)
        run();
    std::vector<qint64> samples;
    samples.reserve(Runs);
    QElapsedTimer timer;
    for (int i = 0; i < Runs; ++i) {
        timer.start();
        run();
        samples.push_back(timer.nsecsElapsed());
    }
    std::nth_element(samples.begin(), samples.begin() + Runs / 2, samples.end());
    return double(samples[Runs / 2]) / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    BenchRocker rocker;
    rocker.SetBounds(0, 0, 38, 89);
    rocker.SetIndicatorActiveColor(clRed);
    QImage target(38, 89, QImage::Format_RGB32);

    const double direct = medianMicroseconds([&] {
        QPainter canvas(&target);
        rocker.paintDirect(canvas);
    });
    const double buffered = medianMicroseconds([&] {
        QPainter canvas(&target);
        rocker.paintBuffered(canvas, rocker.rect());
    });

    QWidget screen;
    screen.resize(8 * 48, 4 * 100);
    std::vector<TiSwitchRocker*> switches;
    for (int i = 0; i < 31; ++i) {
        auto* r = new TiSwitchRocker(&screen);
        switches.push_back(r);
        r->SetBounds((i % 8) * 48, (i / 8) * 100, 38, 89);
        r->SetIndicatorActiveColor(clRed);
        r->SetActive(i % 3 == 0);
    }
    screen.show();
    QApplication::processEvents();
    // Every switch asks for its repaint, then the screen paints them together.
    const double floor = medianMicroseconds([&] {
        for (TiSwitchRocker* r : switches)
            r->FullRepaint();
        screen.repaint();
    });
    QImage whole(screen.size(), QImage::Format_RGB32);
    const double rendered = medianMicroseconds([&] { screen.render(&whole); });

    // A width read from a file: far wider than the window that shows it.
    QWidget window;
    window.resize(120, 120);
    auto* wide = new TiSwitchRocker(&window);
    wide->SetBounds(0, 0, 2000000000, 1);
    window.show();
    QApplication::processEvents();
    const double wideRepaint = medianMicroseconds([&] { wide->repaint(); });

    std::printf("one 38 x 89 switch, direct:   %8.1f us\n", direct);
    std::printf("one 38 x 89 switch, buffered: %8.1f us (%.2f x direct)\n", buffered,
                buffered / direct);
    std::printf("31 switches on one parent:    %8.1f us (on screen), %.1f us (rendered)\n", floor,
                rendered);
    std::printf("%d x 1 switch in a 120 px window, repaint: %8.1f us\n", wide->Width(),
                wideRepaint);
    return 0;
}
