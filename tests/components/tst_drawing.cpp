// Colour values, their conversion through the palette, and the shared drawing helpers.
#include "components/Drawing.h"
#include "components/TColor.h"
#include "components/VirtualKey.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPicture>
#include <QtTest>

namespace {

// 0x00BBGGRR to the 0xRRGGBB of a QImage pixel.
QRgb rgb(std::uint32_t bgr)
{
    return qRgb(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QRgb pixel(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

QImage filledImage(int w, int h, QRgb fill)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

} // namespace

class DrawingTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, QColor(0x11, 0x22, 0x33));
        palette.setColor(QPalette::Light, QColor(0xFE, 0xFE, 0xFE));
        palette.setColor(QPalette::Midlight, QColor(0xE0, 0xE0, 0xE0));
        palette.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x80));
        palette.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
        QApplication::setPalette(palette);
    }

    void colorToRGB_literalKeepsItsLowBytes()
    {
        QCOMPARE(ColorToRGB(0x00123456), TColor(0x00123456));
        QCOMPARE(ColorToRGB(0x1F123456), TColor(0x00123456));
        QCOMPARE(ToQColor(clRed), QColor(255, 0, 0));
        QCOMPARE(ToQColor(0x00123456), QColor(0x56, 0x34, 0x12));
    }

    void colorToRGB_buttonFaceIsThePalettesButtonColour()
    {
        QCOMPARE(ColorToRGB(clBtnFace), TColor(0x00332211));
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, QColor(0xA0, 0xB0, 0xC0));
        QApplication::setPalette(palette);
        QCOMPARE(ColorToRGB(clBtnFace), TColor(0x00C0B0A0));
        QCOMPARE(ToQColor(clBtnFace), QColor(0xA0, 0xB0, 0xC0));
    }

    void colorToRGB_otherSystemColoursAndUnknownIndices()
    {
        QCOMPARE(ColorToRGB(clBtnHighlight), TColor(0x00FEFEFE));
        QCOMPARE(ColorToRGB(clBtnShadow), TColor(0x00808080));
        QCOMPARE(ColorToRGB(cl3DDkShadow), TColor(0x00101010));
        QCOMPARE(ColorToRGB(SystemColor(25)), clBlack);
        QCOMPARE(ColorToRGB(SystemColor(200)), clBlack);
    }

    void dimColor_dividesEachChannel()
    {
        QCOMPARE(DimColor(clRed, 3), TColor(0x000055));
        QCOMPARE(DimColor(clLime, 3), TColor(0x005500));
        QCOMPARE(DimColor(0x00FFC030, 3), TColor(0x00554010));
        QCOMPARE(DimColor(0x7F0000FF, 3), TColor(0x000055));
    }

    void dimColor_resolvesASystemColourFirst()
    {
        // The face 0x332211 divided, not the raw bytes 0x8000000F.
        QCOMPARE(DimColor(clBtnFace, 3), TColor(0x00110B05));
    }

    void dimColor_byZeroLeavesTheColour()
    {
        QCOMPARE(DimColor(0x00123456, 0), TColor(0x00123456));
        QCOMPARE(DimColor(0x00123456, -2), TColor(0x00123456));
    }

    void shadeColor_clampsEachChannel()
    {
        QCOMPARE(ShadeColor(0x00C0C0C0, 0x10), TColor(0x00D0D0D0));
        QCOMPARE(ShadeColor(0x00C0C0C0, -0x40), TColor(0x00808080));
        QCOMPARE(ShadeColor(0x00F8F0E8, 0x10), TColor(0x00FFFFF8));
        QCOMPARE(ShadeColor(0x00302010, -0x20), TColor(0x00100000));
        QCOMPARE(ShadeColor(0x0000FF00, 0x10), TColor(0x0010FF10));
    }

    void focusRect_invertsEveryOtherEdgePixel()
    {
        const QRgb background = rgb(0x00405060);
        QImage image = filledImage(9, 7, background);
        {
            QPainter canvas(&image);
            DrawColoredFocusRect(canvas, QRect(0, 0, 9, 7), 0x00405060);
        }
        const QRgb inverted = rgb(0x00BFAF9F);
        int dots = 0;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 9; ++x) {
                const bool edge = x == 0 || y == 0 || x == 8 || y == 6;
                const QRgb p = pixel(image, x, y);
                if (!edge) {
                    QCOMPARE(p, background);
                    continue;
                }
                QCOMPARE(p, (x + y) % 2 == 0 ? inverted : background);
                dots += p == inverted;
            }
        }
        QCOMPARE(dots, 14);
    }

    void focusRect_drawnTwiceRestoresThePicture()
    {
        QImage image = filledImage(12, 10, rgb(0x00123456));
        image.setPixel(0, 0, rgb(0x00FF0000));
        const QImage before = image.copy();
        {
            QPainter canvas(&image);
            DrawColoredFocusRect(canvas, QRect(0, 0, 12, 10), clWhite);
        }
        QVERIFY(image != before);
        {
            QPainter canvas(&image);
            DrawColoredFocusRect(canvas, QRect(0, 0, 12, 10), clWhite);
        }
        QCOMPARE(image, before);
    }

    void focusRect_farLargerThanTheCanvas_drawsOnlyWhatShows()
    {
        QPicture picture;
        {
            QPainter canvas(&picture);
            canvas.setClipRect(0, 0, 120, 50);
            DrawColoredFocusRect(canvas, QRect(0, 0, QWIDGETSIZE_MAX, 50), clRed);
        }
        // Every other pixel of the edges would record well over 64 MB of points.
        QVERIFY(picture.size() < 64 * 1024);
        // The part an image shows keeps the pattern, wherever the rectangle starts.
        QImage image = filledImage(4, 3, rgb(clBlack));
        {
            QPainter canvas(&image);
            canvas.translate(-5, 0);
            DrawColoredFocusRect(canvas, QRect(0, 0, QWIDGETSIZE_MAX, 3), clBlack);
        }
        for (int x = 0; x < 4; ++x)
            QCOMPARE(pixel(image, x, 0), rgb((x + 5) % 2 == 0 ? clWhite : clBlack));
    }

    void focusRect_leavesPenAndBrushInTheColour()
    {
        QImage image = filledImage(4, 4, 0);
        QPainter canvas(&image);
        DrawColoredFocusRect(canvas, QRect(0, 0, 4, 4), clRed);
        QCOMPARE(canvas.pen().color(), QColor(255, 0, 0));
        QCOMPARE(canvas.brush().color(), QColor(255, 0, 0));
    }

    void edge3D_raisedIsLightTopLeftAndDarkBottomRight()
    {
        const QRgb background = rgb(0x00AABBCC);
        QImage image = filledImage(10, 8, background);
        {
            QPainter canvas(&image);
            DrawEdge3D(canvas, QRect(0, 0, 10, 8), 1);
        }
        const QRgb light = qRgb(0xE0, 0xE0, 0xE0);
        const QRgb darkShadow = qRgb(0x10, 0x10, 0x10);
        const QRgb highlight = qRgb(0xFE, 0xFE, 0xFE);
        const QRgb shadow = qRgb(0x80, 0x80, 0x80);
        QCOMPARE(pixel(image, 0, 0), light);
        QCOMPARE(pixel(image, 8, 0), light);
        QCOMPARE(pixel(image, 0, 6), light);
        QCOMPARE(pixel(image, 9, 0), darkShadow);
        QCOMPARE(pixel(image, 0, 7), darkShadow);
        QCOMPARE(pixel(image, 9, 7), darkShadow);
        QCOMPARE(pixel(image, 1, 1), highlight);
        QCOMPARE(pixel(image, 7, 1), highlight);
        QCOMPARE(pixel(image, 8, 1), shadow);
        QCOMPARE(pixel(image, 1, 6), shadow);
        QCOMPARE(pixel(image, 2, 2), background);
        QCOMPARE(pixel(image, 7, 5), background);
    }

    void edge3D_sunkenIsDarkTopLeft()
    {
        QImage image = filledImage(10, 8, 0);
        {
            QPainter canvas(&image);
            DrawEdge3D(canvas, QRect(0, 0, 10, 8), 0);
        }
        QCOMPARE(pixel(image, 0, 0), qRgb(0x80, 0x80, 0x80));
        QCOMPARE(pixel(image, 9, 7), qRgb(0xFE, 0xFE, 0xFE));
        QCOMPARE(pixel(image, 1, 1), qRgb(0x10, 0x10, 0x10));
        QCOMPARE(pixel(image, 8, 6), qRgb(0xE0, 0xE0, 0xE0));
    }

    void edge3D_otherFlagsDrawNothing()
    {
        QImage image = filledImage(10, 8, rgb(0x00123456));
        const QImage before = image.copy();
        {
            QPainter canvas(&image);
            DrawEdge3D(canvas, QRect(0, 0, 10, 8), 2);
            DrawEdge3D(canvas, QRect(0, 0, 10, 8), -1);
        }
        QCOMPARE(image, before);
    }

    void fillRectangle_ignoresInvertedRectangles()
    {
        QImage image = filledImage(10, 10, rgb(0x00123456));
        const QImage before = image.copy();
        {
            QPainter canvas(&image);
            FillRectangle(canvas, RectLTRB(6, 2, 4, 8), clBlack);
            FillRectangle(canvas, RectLTRB(2, 6, 8, 6), clBlack);
        }
        QCOMPARE(image, before);
    }

    void shiftState_ofModifiersAndButtons()
    {
        QCOMPARE(ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier, Qt::LeftButton),
                 TShiftState(ssShift | ssCtrl | ssLeft));
        QCOMPARE(ShiftStateOf(Qt::AltModifier, Qt::RightButton | Qt::MiddleButton),
                 TShiftState(ssAlt | ssRight | ssMiddle));
        QCOMPARE(ShiftStateOf(Qt::NoModifier, Qt::NoButton), TShiftState());
    }
};

QTEST_MAIN(DrawingTest)
#include "tst_drawing.moc"
