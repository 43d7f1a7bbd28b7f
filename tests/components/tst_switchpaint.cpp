// The rocker switch's picture, pixel by pixel, and the two paint paths.
#include "components/Drawing.h"
#include "components/TiSwitchRocker.h"

#include "support/ComponentAccess.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPicture>
#include <QtTest>

#include <stdexcept>

namespace {

constexpr QRgb Unpainted = 0xFFFF00FF;
// Button face of these tests, 0x00C0B0A0 as a colour value.
constexpr QRgb Face = 0xFFA0B0C0;
constexpr QRgb FaceLight = 0xFFB0C0D0;
constexpr QRgb FaceDark = 0xFF8090A0;
constexpr QRgb FaceDarker = 0xFF607080;
constexpr QRgb Black = 0xFF000000;
constexpr QRgb White = 0xFFFFFFFF;
// BackGroundColor 0x00563412 of these tests.
constexpr TColor BackGround = 0x00563412;
constexpr QRgb BackGroundRgb = 0xFF123456;

QRgb rgb(TColor bgr)
{
    const auto v = std::uint32_t(bgr);
    return qRgb(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

QImage painted(TiSwitchRocker& rocker)
{
    QImage image(rocker.Width(), rocker.Height(), QImage::Format_RGB32);
    image.fill(Unpainted);
    QPainter canvas(&image);
    rocker.PaintTo(canvas);
    return image;
}

QRgb at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

void setButtonFace(QRgb face)
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, QColor(face));
    QApplication::setPalette(palette);
}

// Records what the paint paths leave the painting with.
class ObservedRocker : public TiSwitchRocker
{
public:
    using TiSwitchRocker::TiSwitchRocker;

    void PaintTo(QPainter& canvas) override
    {
        ++paints;
        paintedOn = canvas.device()->devType();
        canvasSize = QSize(canvas.device()->width(), canvas.device()->height());
        sawCachedDrawing = CachedDrawing();
        if (fail)
            throw std::runtime_error("drawing failed");
        TiSwitchRocker::PaintTo(canvas);
    }

    int paints = 0;
    int paintedOn = QInternal::UnknownDevice;
    QSize canvasSize;
    bool sawCachedDrawing = false;
    bool fail = false;
};

} // namespace

class SwitchPaintTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { setButtonFace(Face); }

    void geometry_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QRect>("indicator");
        QTest::addColumn<QList<int>>("bandTops");

        QTest::newRow("25x50 on") << 25 << 50 << true << RectLTRB(7, 7, 18, 12)
                                  << QList<int>{4, 25, 43};
        QTest::newRow("25x50 off")
            << 25 << 50 << false << RectLTRB(8, 10, 18, 15) << QList<int>{4, 7, 25};
        QTest::newRow("38x89 on") << 38 << 89 << true << RectLTRB(7, 7, 31, 16)
                                  << QList<int>{4, 44, 82};
        QTest::newRow("38x89 off")
            << 38 << 89 << false << RectLTRB(8, 10, 31, 19) << QList<int>{4, 7, 44};
        QTest::newRow("49x96 on") << 49 << 96 << true << RectLTRB(7, 7, 42, 17)
                                  << QList<int>{4, 48, 89};
        QTest::newRow("49x96 off")
            << 49 << 96 << false << RectLTRB(8, 10, 42, 20) << QList<int>{4, 7, 48};
    }

    void geometry()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(bool, on);
        QFETCH(QRect, indicator);
        QFETCH(QList<int>, bandTops);

        TiSwitchRocker rocker;
        rocker.SetBounds(0, 0, w, h);
        rocker.SetBackGroundColor(BackGround);
        rocker.SetIndicatorActiveColor(clRed);
        rocker.SetActive(on);
        const QImage image = painted(rocker);

        // Background outside the frame, two pixels wide.
        for (int y = 0; y < h; ++y) {
            for (int x : {0, 1, w - 2, w - 1})
                QCOMPARE(at(image, x, y), BackGroundRgb);
        }
        for (int x = 0; x < w; ++x) {
            for (int y : {0, 1, h - 2, h - 1})
                QCOMPARE(at(image, x, y), BackGroundRgb);
        }
        // The black frame between background and face.
        for (int y = 2; y < h - 2; ++y) {
            for (int x : {2, 3, w - 4, w - 3})
                QCOMPARE(at(image, x, y), Black);
        }
        for (int x = 2; x < w - 2; ++x) {
            for (int y : {2, 3, h - 4, h - 3})
                QCOMPARE(at(image, x, y), Black);
        }

        // Face bands from x 4 to W - 4, the last one ending at H - 4.
        const QList<QRgb> shades =
            on ? QList<QRgb>{Face, FaceLight, FaceDarker} : QList<QRgb>{FaceLight, FaceDark, Face};
        for (int band = 0; band < 3; ++band) {
            const int top = bandTops[band];
            const int bottom = band < 2 ? bandTops[band + 1] : h - 4;
            for (int y : {top, bottom - 1}) {
                for (int x : {4, w - 5})
                    QCOMPARE(at(image, x, y), shades[band]);
            }
        }

        const int left = indicator.left();
        const int top = indicator.top();
        const int right = left + indicator.width();
        const int bottom = top + indicator.height();
        const QRgb lamp = on ? 0xFFFF0000 : 0xFF550000;
        // Black outline on the top and left, white on the bottom and right.
        for (int x = left; x < right - 1; ++x)
            QCOMPARE(at(image, x, top), Black);
        for (int y = top; y < bottom - 1; ++y)
            QCOMPARE(at(image, left, y), Black);
        for (int x = left; x < right; ++x)
            QCOMPARE(at(image, x, bottom - 1), White);
        for (int y = top; y < bottom; ++y)
            QCOMPARE(at(image, right - 1, y), White);
        for (int y = top + 1; y < bottom - 1; ++y) {
            for (int x = left + 1; x < right - 1; ++x)
                QCOMPARE(at(image, x, y), lamp);
        }
        // The face goes on just outside it.
        const QRgb around = on ? Face : FaceDark;
        QCOMPARE(at(image, left - 1, top), around);
        QCOMPARE(at(image, right, top), around);
        QCOMPARE(at(image, left, top - 1), around);
        QCOMPARE(at(image, left, bottom), around);
        QVERIFY(!image.allGray());
    }

    void mid_roundsHalfToEven_data()
    {
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("mid");
        QTest::newRow("89") << 89 << 44;
        QTest::newRow("91") << 91 << 46;
        QTest::newRow("90") << 90 << 45;
    }

    void mid_roundsHalfToEven()
    {
        QFETCH(int, h);
        QFETCH(int, mid);
        TiSwitchRocker rocker;
        rocker.SetBounds(0, 0, 38, h);
        rocker.SetActive(true);
        const QImage image = painted(rocker);
        QCOMPARE(at(image, 4, mid - 1), Face);
        QCOMPARE(at(image, 4, mid), FaceLight);
        rocker.SetActive(false);
        const QImage off = painted(rocker);
        QCOMPARE(at(off, 4, mid - 1), FaceDark);
        QCOMPARE(at(off, 4, mid), Face);
    }

    void pressZone_usesHeightDivTwoWhileBandsUseMid()
    {
        TiSwitchRocker rocker;
        rocker.SetBounds(0, 0, 38, 91);
        rocker.SetActive(true);
        QCOMPARE(rocker.GetPressRect(), RectLTRB(4, 45, 34, 87));
        rocker.SetActive(false);
        QCOMPARE(rocker.GetPressRect(), RectLTRB(4, 4, 34, 45));
    }

    void indicatorHeight_data()
    {
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("ih");
        QTest::newRow("30") << 30 << 5;
        QTest::newRow("54") << 54 << 5;
        QTest::newRow("55") << 55 << 6;
        QTest::newRow("85") << 85 << 8;
        QTest::newRow("89") << 89 << 9;
    }

    void indicatorHeight()
    {
        QFETCH(int, h);
        QFETCH(int, ih);
        TiSwitchRocker rocker;
        rocker.SetBounds(0, 0, 38, h);
        rocker.SetActive(true);
        const QImage image = painted(rocker);
        // On, the lamp starts at row 7: its white bottom edge is its last row.
        QCOMPARE(at(image, 10, 7 + ih - 1), White);
        QCOMPARE(at(image, 10, 7 + ih - 2), 0xFF00FF00u);
        QCOMPARE(at(image, 10, 7 + ih), Face);
    }

    void dimColour_ofRedIsDarkRed()
    {
        TiSwitchRocker rocker;
        rocker.SetBounds(0, 0, 38, 89);
        rocker.SetIndicatorActiveColor(clRed);
        QCOMPARE(at(painted(rocker), 12, 14), rgb(0x000055));
        rocker.SetIndicatorActiveColor(clLime);
        QCOMPARE(at(painted(rocker), 12, 14), rgb(0x005500));
    }

    void faceShades_clampPerChannel()
    {
        setButtonFace(0xFFF8F8F8);
        TiSwitchRocker rocker;
        rocker.SetBounds(0, 0, 38, 89);
        QCOMPARE(at(painted(rocker), 4, 5), White);
        setButtonFace(0xFF303030);
        rocker.SetActive(true);
        QCOMPARE(at(painted(rocker), 4, 83), Black);
        rocker.SetActive(false);
        QCOMPARE(at(painted(rocker), 4, 20), qRgb(0x10, 0x10, 0x10));
        setButtonFace(qRgb(0xA0, 0xF8, 0x20));
        QCOMPARE(at(painted(rocker), 4, 5), qRgb(0xB0, 0xFF, 0x30));
        QCOMPARE(at(painted(rocker), 4, 20), qRgb(0x80, 0xD8, 0x00));
    }

    void backGround_followsTheButtonFaceByDefault()
    {
        TiSwitchRocker rocker;
        rocker.SetBounds(0, 0, 38, 89);
        QCOMPARE(at(painted(rocker), 0, 0), Face);
        setButtonFace(qRgb(0x11, 0x22, 0x33));
        QCOMPARE(at(painted(rocker), 0, 0), qRgb(0x11, 0x22, 0x33));
    }

    void focusRect_dotsTheClientEdgeWhileFocused()
    {
        QWidget window;
        auto* rocker = new TiSwitchRocker(&window);
        rocker->SetBounds(10, 10, 38, 89);
        rocker->SetBackGroundColor(BackGround);
        auto* other = new QLineEdit(&window);
        other->move(60, 10);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        rocker->setFocus();
        QTRY_VERIFY(rocker->Focused());

        const QImage image = painted(*rocker);
        const QRgb inverted = rgb(0x00563412 ^ 0x00FFFFFF);
        QCOMPARE(at(image, 0, 0), inverted);
        QCOMPARE(at(image, 1, 0), BackGroundRgb);
        QCOMPARE(at(image, 2, 0), inverted);
        QCOMPARE(at(image, 0, 1), BackGroundRgb);
        QCOMPARE(at(image, 0, 2), inverted);
        QCOMPARE(at(image, 37, 1), inverted);
        QCOMPARE(at(image, 37, 0), BackGroundRgb);
        QCOMPARE(at(image, 2, 88), inverted);
        QCOMPARE(at(image, 1, 88), BackGroundRgb);
        QCOMPARE(at(image, 1, 1), BackGroundRgb);

        rocker->SetShowFocusRect(false);
        QCOMPARE(at(painted(*rocker), 0, 0), BackGroundRgb);
        rocker->SetShowFocusRect(true);
        other->setFocus();
        QTRY_VERIFY(!rocker->Focused());
        QCOMPARE(at(painted(*rocker), 0, 0), BackGroundRgb);
    }

    void buffered_paintsThroughAnImageOfTheComponentsSize()
    {
        ObservedRocker rocker;
        rocker.SetBounds(0, 0, 38, 89);
        const QImage grabbed = rocker.grab().toImage();
        QCOMPARE(rocker.paints, 1);
        QCOMPARE(rocker.paintedOn, int(QInternal::Image));
        QCOMPARE(rocker.canvasSize, QSize(38, 89));
        QVERIFY(rocker.sawCachedDrawing);
        QCOMPARE(grabbed.convertToFormat(QImage::Format_RGB32), painted(rocker));
    }

    void metafile_paintsDirectlyWithoutCachedDrawing()
    {
        ObservedRocker rocker;
        rocker.SetBounds(0, 0, 38, 89);
        rocker.SetActive(true);
        QPicture picture;
        rocker.render(&picture);
        QCOMPARE(rocker.paints, 1);
        // The component's own canvas, which Qt records into the picture.
        QCOMPARE(rocker.paintedOn, int(QInternal::Widget));
        QVERIFY(!rocker.sawCachedDrawing);
        QVERIFY(rocker.CachedDrawing());

        QImage replayed(38, 89, QImage::Format_RGB32);
        replayed.fill(Unpainted);
        {
            QPainter canvas(&replayed);
            picture.play(&canvas);
        }
        QCOMPARE(replayed, painted(rocker));
    }

    void paintError_isSwallowedAndTheNextPaintWorks()
    {
        ObservedRocker rocker;
        rocker.SetBounds(0, 0, 38, 89);
        rocker.fail = true;
        rocker.grab();
        QPicture picture;
        rocker.render(&picture);
        QCOMPARE(rocker.paints, 2);
        QVERIFY(rocker.CachedDrawing());
        QVERIFY(ComponentAccess::PaintLockIsFree(rocker));

        rocker.fail = false;
        QCOMPARE(rocker.grab().toImage().convertToFormat(QImage::Format_RGB32), painted(rocker));
    }
};

QTEST_MAIN(SwitchPaintTest)
#include "tst_switchpaint.moc"
