// The properties file: what a save writes, what a load assigns, and how both fail.
#include "components/PropertiesFile.h"
#include "components/PropertyText.h"
#include "components/PropertyWalk.h"
#include "components/TCursor.h"
#include "components/TPopupMenu.h"
#include "components/TiSwitchRocker.h"
#include "floors/FloorScreens.h"
#include "link/IndicatorLookup.h"

#include "support/ComponentAccess.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

#include <sys/stat.h>

// A switch with a published property of every kind the switch itself lacks.
class Instrument : public TiSwitchRocker
{
    Q_OBJECT
    Q_PROPERTY(double Ratio MEMBER ratio)
    Q_PROPERTY(float Gain MEMBER gain)
    Q_PROPERTY(QChar Letter MEMBER letter)
    Q_PROPERTY(Stage Level MEMBER level)
    Q_PROPERTY(Parts Lamps READ Lamps WRITE SetLamps)
    Q_PROPERTY(QString Caption MEMBER caption)
    Q_PROPERTY(qlonglong Count MEMBER count)
    Q_PROPERTY(uint Mask MEMBER mask)
    Q_PROPERTY(QVariant Extra MEMBER extra)
    Q_PROPERTY(QObject* Link MEMBER link)
    Q_PROPERTY(int Fixed READ Fixed)
    Q_PROPERTY(int Scratch MEMBER scratch STORED false)
    // Differs from Count in case only: both match the same lines.
    Q_PROPERTY(int COUNT MEMBER shoutedCount)

public:
    enum Stage
    {
        Low,
        Middle,
        High
    };
    Q_ENUM(Stage)
    enum Part
    {
        RedLamp = 1,
        GreenLamp = 2,
        BlueLamp = 4
    };
    Q_DECLARE_FLAGS(Parts, Part)
    Q_FLAG(Parts)

    Parts Lamps() const { return lamps; }
    void SetLamps(Parts value) { lamps = value; }
    int Fixed() const { return 7; }

    double ratio = 0;
    float gain = 0;
    QChar letter = QLatin1Char('a');
    Stage level = Low;
    Parts lamps;
    QString caption;
    qlonglong count = 0;
    uint mask = 0;
    QVariant extra;
    QObject* link = nullptr;
    int scratch = 0;
    int shoutedCount = 0;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(Instrument::Parts)

// Objects that refer onwards.
class Node : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* Next MEMBER next)
    Q_PROPERTY(QObject* Spare MEMBER spare)
    Q_PROPERTY(int Count MEMBER count)

public:
    QObject* next = nullptr;
    QObject* spare = nullptr;
    int count = 0;
};

// A switch that notes the size of every canvas it is painted on.
class CanvasProbe : public TiSwitchRocker
{
public:
    using TiSwitchRocker::TiSwitchRocker;

    void PaintTo(QPainter& canvas) override
    {
        canvases.push_back(QSize(canvas.device()->width(), canvas.device()->height()));
        TiSwitchRocker::PaintTo(canvas);
    }

    std::vector<QSize> canvases;
};

namespace {

QString ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const PropertiesFileError& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

QByteArray fileContents(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The lines after "File Type", without their line ends.
QStringList propertyLines(TiComponent& component)
{
    QStringList lines = PropertiesText(component).split(QStringLiteral("\r\n"));
    lines.removeFirst();
    lines.removeLast();
    return lines;
}

QStringList namesOf(const QStringList& lines)
{
    QStringList names;
    for (const QString& line : lines)
        names << line.section(QStringLiteral(" = "), 0, 0);
    return names;
}

// A panel of four floor-screen switches, laid out as the screens do.
struct FloorPanel
{
    QWidget panel;
    std::vector<std::unique_ptr<TiSwitchRocker>> switches;

    FloorPanel()
    {
        for (int i = 0; i < 4; ++i) {
            switches.push_back(std::make_unique<TiSwitchRocker>(&panel));
            switches.back()->SetBounds(40 + 50 * i, 60, 38, 89);
            switches.back()->SetIndicatorActiveColor(clRed);
            switches.back()->SetCursor(crHandPoint);
            switches.back()->SetTag(1 << i);
        }
    }

    TiSwitchRocker& fourth() { return *switches[3]; }
};

const QString FileType = QStringLiteral("File Type = TiSwitchRocker\r\n");

} // namespace

class SaveTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void floorSwitch_isWrittenByteForByte()
    {
        IndicatorLookup indicators;
        ScreenSet screens;
        screens.indicators = &indicators;
        Tfirstfrm floor(screens);
        // Column 6 of the top-left panel, the fourth switch its panel's focus reaches.
        auto* rocker = floor.findChild<TiSwitchRocker*>(QStringLiteral("iSwitchRocker4"));
        QVERIFY(rocker);
        QCOMPARE(rocker->parentWidget()->objectName(), QStringLiteral("Panel1"));
        QStringList tabOrders;
        for (const char* name :
             {"iSwitchRocker1", "iSwitchRocker2", "iSwitchRocker3", "iSwitchRocker4",
              "iSwitchRocker5", "iSwitchRocker21", "iSwitchRocker22", "iSwitchRocker29"})
            tabOrders << QString::number(floor.findChild<TiSwitchRocker*>(name)->TabOrder());
        QCOMPARE(tabOrders.join(' '), QStringLiteral("0 1 2 3 4 5 6 7"));
        rocker->SavePropertiesToFile(dir_.filePath("floor.txt"));
        QCOMPARE(fileContents(dir_.filePath("floor.txt")),
                 QByteArray("File Type = TiSwitchRocker\r\nOptionSaveAllProperties = 0\r\n"
                            "AutoFrameRate = 0\r\nUpdateFrameRate = 60\r\nActive = 0\r\n"
                            "MouseControlStyle = 0\r\nShowFocusRect = 1\r\n"
                            "IndicatorActiveColor = 255\r\nIndicatorMargin = 3\r\n"
                            "BorderMargin = 2\r\nTabOrder = 3\r\nTabStop = 1\r\n"
                            "BackGroundColor = -2147483633\r\nTransparent = 0\r\n"));
    }

    void allProperties_putTheLayoutInItsDeclarationPlaces()
    {
        FloorPanel floor;
        floor.fourth().SetOptionSaveAllProperties(true);
        floor.fourth().SetHint(QStringLiteral("Lamp 4"));
        const QStringList lines = propertyLines(floor.fourth());
        QCOMPARE(lines.mid(0, 12),
                 QString("Tag = 8|Left = 190|Top = 60|Width = 38|Height = 89|Cursor = -21|"
                         "Hint = Lamp 4|HelpContext = 0|Visible = 1|Enabled = 1|ShowHint = 0|"
                         "OptionSaveAllProperties = 1")
                     .split('|'));
        QCOMPARE(lines.size(), 24);
        QCOMPARE(lines.last(), QStringLiteral("Transparent = 0"));
    }

    void popupMenu_isWrittenWithItsPrefix()
    {
        FloorPanel floor;
        TPopupMenu menu;
        menu.SetName(QStringLiteral("PopupMenu1"));
        menu.SetTag(7);
        floor.fourth().SetPopupMenu(&menu);
        const QStringList lines = propertyLines(floor.fourth());
        // Tag is excluded at the top level only; the menu's Name is never stored.
        QCOMPARE(lines.mid(0, 2),
                 (QStringList{"PopupMenu.Tag = 7", "OptionSaveAllProperties = 0"}));
        QVERIFY(!lines.join('|').contains(QStringLiteral("PopupMenu1")));
    }

    void values_areWrittenByKind()
    {
        Instrument instrument;
        instrument.ratio = -1.0 / 3;
        instrument.gain = 0.5f;
        instrument.letter = QChar(0x697C);
        instrument.level = Instrument::High;
        instrument.lamps = Instrument::RedLamp | Instrument::BlueLamp;
        instrument.caption = QStringLiteral("楼宇 = lights");
        instrument.count = -5000000000;
        instrument.mask = 4000000000u;
        instrument.extra = 12;
        const QStringList lines = propertyLines(instrument);
        for (const char* line :
             {"Ratio = -0.333333333333333", "Gain = 0.5", "Letter = 27004", "Level = 2",
              "Lamps = 5", "Caption = 楼宇 = lights", "Count = -5000000000", "Mask = 4000000000"})
            QVERIFY2(lines.contains(QString::fromUtf8(line)), line);
        // Variants, read-only and never-stored properties, and a missing object: no line.
        const QStringList names = namesOf(lines);
        for (const char* absent : {"Extra", "Fixed", "Scratch", "Link", "Name", "PopupMenu"})
            QVERIFY2(!names.contains(QLatin1String(absent)), absent);

        instrument.ratio = 1234567.25;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QStringList german = propertyLines(instrument);
        QLocale::setDefault(QLocale::c());
        QVERIFY(german.contains(QStringLiteral("Ratio = 1234567,25")));
    }

    void longValues_areCutByCharacters()
    {
        Instrument instrument;
        instrument.caption = QString(300, 'x');
        QVERIFY(propertyLines(instrument).contains("Caption = " + QString(245, 'x')));
        // A character outside the basic plane is not split into a broken half.
        const QString face = QString::fromUtf8("\xF0\x9F\x98\x80");
        instrument.caption = face.repeated(300);
        QVERIFY(propertyLines(instrument).contains("Caption = " + face.repeated(245)));
    }

    void lineBreaksInAValue_stayOnItsLine_inUtf8()
    {
        Instrument source;
        source.caption = QStringLiteral("读取\r\nActive = 1\rtwo\nthree");
        source.SavePropertiesToFile(dir_.filePath("breaks.txt"));
        const QString flat = QStringLiteral("读取  Active = 1 two three");
        QVERIFY(fileContents(dir_.filePath("breaks.txt")).contains(("Caption = " + flat).toUtf8()));
        Instrument target;
        target.LoadPropertiesFromFile(dir_.filePath("breaks.txt"));
        QVERIFY(!target.Active());
        QCOMPARE(target.caption, flat);
    }

    void objectsReferringToEachOther_areWalkedOnceAndNotTooDeep()
    {
        Instrument instrument;
        Node first;
        Node second;
        first.next = &second;
        second.next = &first;
        instrument.link = &first;
        QCOMPARE(namesOf(propertyLines(instrument)).filter(QStringLiteral(".Count")),
                 (QStringList{"Link.Next.Count", "Link.Count"}));

        std::vector<std::unique_ptr<Node>> chain;
        for (int i = 0; i < 12; ++i) {
            chain.push_back(std::make_unique<Node>());
            if (i > 0)
                chain[i - 1]->next = chain[i].get();
        }
        instrument.link = chain[0].get();
        const QStringList counts =
            namesOf(propertyLines(instrument)).filter(QStringLiteral(".Count"));
        QCOMPARE(counts.size(), MaxObjectDepth);
        // The deepest comes first: Next precedes Count.
        QCOMPARE(counts.first().count('.'), MaxObjectDepth);
    }

    void sharedObject_isWrittenAndReadOnEachPath()
    {
        Instrument instrument;
        Node owner;
        Node shared;
        owner.next = &shared;
        owner.spare = &shared;
        instrument.link = &owner;
        shared.count = 4;
        QCOMPARE(propertyLines(instrument).filter(QStringLiteral(".Count")).join('|'),
                 QStringLiteral("Link.Next.Count = 4|Link.Spare.Count = 4|Link.Count = 0"));

        LoadPropertiesText(instrument, FileType + "Link.Spare.Count = 9\r\n");
        QCOMPARE(shared.count, 9);
    }

    void unwritablePaths_failWithTheSaveError()
    {
        TiSwitchRocker rocker;
        const QString missingDir = dir_.filePath("no-such-dir/switch.txt");
        QCOMPARE(ErrorOf([&] { rocker.SavePropertiesToFile(missingDir); }),
                 QString("Error Saving Properties - Cannot create file \"%1\". No such file or "
                         "directory")
                     .arg(missingDir));
        QVERIFY(ErrorOf([&] {
                    rocker.SavePropertiesToFile("/dev/full");
                }).startsWith("Error Saving Properties - Cannot write file \"/dev/full\". "));
    }
};

class LoadTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void everyKind_roundTrips()
    {
        for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
            QLocale::setDefault(locale);
            TPopupMenu sourceMenu;
            sourceMenu.SetTag(-9);
            Instrument source;
            source.SetPopupMenu(&sourceMenu);
            source.SetOptionSaveAllProperties(true);
            source.SetActive(true);
            source.SetMouseControlStyle(TiSwitchRocker::imcsClickIndicator);
            source.SetBackGroundColor(clBtnShadow);
            source.SetHint(QStringLiteral("Hint = with equals"));
            source.ratio = 6.02214076e23;
            source.gain = 0.1f;
            source.letter = QChar(0x697C);
            source.level = Instrument::Middle;
            source.lamps = Instrument::GreenLamp | Instrument::BlueLamp;
            source.caption = QStringLiteral("  楼宇  ");
            source.count = -5000000000;
            source.mask = 4000000000u;
            source.SavePropertiesToFile(dir_.filePath("all.txt"));

            TPopupMenu targetMenu;
            Instrument target;
            target.SetPopupMenu(&targetMenu);
            target.LoadPropertiesFromFile(dir_.filePath("all.txt"));
            QLocale::setDefault(QLocale::c());

            QVERIFY(target.OptionSaveAllProperties());
            QVERIFY(target.Active());
            QCOMPARE(target.MouseControlStyle(), TiSwitchRocker::imcsClickIndicator);
            QCOMPARE(target.BackGroundColor(), clBtnShadow);
            QCOMPARE(target.Hint(), QStringLiteral("Hint = with equals"));
            QCOMPARE(targetMenu.Tag(), -9);
            QVERIFY(target.ratio == 6.02214076e23);
            QVERIFY(target.gain == 0.1f);
            QCOMPARE(target.letter, QChar(0x697C));
            QCOMPARE(target.level, Instrument::Middle);
            QCOMPARE(target.lamps, Instrument::GreenLamp | Instrument::BlueLamp);
            // Values are trimmed as they are read.
            QCOMPARE(target.caption, QStringLiteral("楼宇"));
            QCOMPARE(target.count, -5000000000);
            QCOMPARE(target.mask, 4000000000u);
        }
    }

    void legacyChineseFile_isReadAsGb18030()
    {
        // "楼宇" and "岚苑一层" in GBK, a four-byte GB18030 character (U+1F600), and a line after.
        writeFile(dir_.filePath("gbk.txt"),
                  "File Type = TiSwitchRocker\r\nCaption = \xC2\xA5\xD3\xEE "
                  "\xE1\xB0\xD4\xB7\xD2\xBB\xB2\xE3 \x94\x39\xFC\x36\r\n"
                  "IndicatorMargin = 7\r\n");
        Instrument legacy;
        legacy.LoadPropertiesFromFile(dir_.filePath("gbk.txt"));
        QCOMPARE(legacy.caption, QString::fromUtf8("楼宇 岚苑一层 \xF0\x9F\x98\x80"));
        QCOMPARE(legacy.IndicatorMargin(), 7);

        // Saved again, it is UTF-8, and UTF-8 is read as such.
        legacy.SavePropertiesToFile(dir_.filePath("utf8.txt"));
        QVERIFY(fileContents(dir_.filePath("utf8.txt")).contains("Caption = 楼宇 岚苑一层"));
        Instrument current;
        current.LoadPropertiesFromFile(dir_.filePath("utf8.txt"));
        QCOMPARE(current.caption, legacy.caption);
    }

    void missingAndUnreadNames_leaveTheirPropertiesAlone()
    {
        Instrument instrument;
        instrument.SetIndicatorMargin(9);
        LoadPropertiesText(instrument, FileType + "Active = 1\r\nExtra = 5\r\nFixed = 1\r\n"
                                                  "Scratch = 4\r\nName = Renamed\r\n");
        QVERIFY(instrument.Active());
        QCOMPARE(instrument.IndicatorMargin(), 9);
        QCOMPARE(instrument.BorderMargin(), 2);
        QVERIFY(!instrument.extra.isValid());
        QCOMPARE(instrument.scratch, 0);
        QCOMPARE(instrument.Name(), QString());
    }

    void names_matchTrimmedWithoutCase_onAnyLineEnd()
    {
        TiSwitchRocker rocker;
        LoadPropertiesText(rocker, "Active = 1\n  indicatormargin\t=  7  \rBorderMargin\r\n"
                                   "Border Margin = 5\nhint = a = b\r\nupdateFrameRate = 20");
        // The first line is the file type, whatever it says.
        QVERIFY(!rocker.Active());
        QCOMPARE(rocker.IndicatorMargin(), 7);
        QCOMPARE(rocker.BorderMargin(), 2);
        QCOMPARE(rocker.Hint(), QStringLiteral("a = b"));
        QCOMPARE(rocker.UpdateFrameRate(), 20);
    }

    void aNameTwice_isConsumedInOrder()
    {
        Instrument instrument;
        LoadPropertiesText(instrument, FileType + "IndicatorMargin = 4\r\nCOUNT = 11\r\n"
                                                  "IndicatorMargin = 5\r\ncount = 22\r\n");
        // The first line of a name wins, and each visit takes the next one.
        QCOMPARE(instrument.IndicatorMargin(), 4);
        QCOMPARE(instrument.count, 11);
        QCOMPARE(instrument.shoutedCount, 22);
    }

    void load_repaintsOnce()
    {
        FloorPanel floor;
        TiSwitchRocker& rocker = floor.fourth();
        const RepaintCounter repaints(rocker);
        LoadPropertiesText(rocker, FileType + "Active = 1\r\nIndicatorMargin = 4\r\n"
                                              "BorderMargin = 3\r\nBackGroundColor = 255\r\n");
        QCOMPARE(repaints.Count(), 1);
        QVERIFY(!rocker.UpdateLocked());
        QCOMPARE(rocker.BackGroundColor(), clRed);
    }

    void allPropertiesFile_movesAndResizes()
    {
        FloorPanel floor;
        floor.fourth().SetOptionSaveAllProperties(true);
        floor.fourth().SavePropertiesToFile(dir_.filePath("layout.txt"));
        QWidget panel;
        TiSwitchRocker rocker(&panel);
        rocker.LoadPropertiesFromFile(dir_.filePath("layout.txt"));
        QCOMPARE(rocker.geometry(), QRect(190, 60, 38, 89));
        QCOMPARE(rocker.Tag(), 8);
        QCOMPARE(rocker.Cursor(), crHandPoint);
    }

    void extremeBounds_areHeldToWhatAWidgetTakes()
    {
        QWidget panel;
        TiSwitchRocker rocker(&panel);
        LoadPropertiesText(rocker, FileType + "Left = 2147483647\r\nTop = -2147483648\r\n"
                                              "Width = 2147483647\r\nHeight = -5\r\n");
        QCOMPARE(rocker.Width(), QWIDGETSIZE_MAX);
        QCOMPARE(rocker.Height(), 0);
        QCOMPARE(rocker.geometry().right(), std::numeric_limits<int>::max() - 1);
        QVERIFY(rocker.Top() < 0);
    }

    void visibleAndPlainMenus_touchNoWindowAndNoQtState()
    {
        TiSwitchRocker rocker;
        rocker.SetVisible(rocker.Visible());
        LoadPropertiesText(rocker, FileType + "Visible = 1\r\n");
        // Shown, a parentless switch would be a window of its own.
        QVERIFY(!rocker.isVisible());
        QMenu menu;
        menu.setTitle(QStringLiteral("Lights"));
        rocker.SetPopupMenu(&menu);
        QVERIFY(!PropertiesText(rocker).contains(QStringLiteral("PopupMenu.")));
        LoadPropertiesText(rocker, FileType + "PopupMenu.title = X\r\nPopupMenu.visible = 1\r\n");
        QCOMPARE(menu.title(), QStringLiteral("Lights"));
        QVERIFY(!menu.isVisible());
    }

    void popupMenu_takesItsPrefixedLines()
    {
        TiSwitchRocker rocker;
        TPopupMenu menu;
        menu.SetName(QStringLiteral("PopupMenu1"));
        rocker.SetPopupMenu(&menu);
        LoadPropertiesText(rocker,
                           FileType + "Tag = 3\r\nPopupMenu.Name = X\r\npopupmenu.tag = 12\r\n");
        QCOMPARE(menu.Tag(), 12);
        QCOMPARE(rocker.Tag(), 3);
        QCOMPARE(menu.Name(), QStringLiteral("PopupMenu1"));
    }

    void blankPrefix_countsAsEmpty()
    {
        QCOMPARE(FullPropertyName("   ", "Tag"), QStringLiteral("Tag"));
        QCOMPARE(FullPropertyName("PopupMenu", "Tag"), QStringLiteral("PopupMenu.Tag"));
        TiSwitchRocker rocker;
        TPopupMenu menu;
        rocker.SetPopupMenu(&menu);
        QStringList names;
        WalkPublishedProperties(
            &rocker, "   ", [](const QString&) { return true; },
            [&names](QObject*, const QMetaProperty&, const QString& name) { names << name; });
        QCOMPARE(names.first(), QStringLiteral("Tag"));
        QVERIFY(names.contains(QStringLiteral("PopupMenu.Tag")));
    }
};

class LoadErrorTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void activeTrue_failsAndKeepsWhatCameBefore()
    {
        FloorPanel floor;
        TiSwitchRocker& rocker = floor.fourth();
        const RepaintCounter repaints(rocker);
        QCOMPARE(ErrorOf([&] {
                     LoadPropertiesText(rocker, FileType + "UpdateFrameRate = 30\r\n"
                                                           "Active = True\r\nBorderMargin = 9\r\n");
                 }),
                 QStringLiteral("Error Loading Properties - 'True' is not a valid integer value"));
        QCOMPARE(rocker.UpdateFrameRate(), 30);
        QVERIFY(!rocker.Active());
        QCOMPARE(rocker.BorderMargin(), 2);
        // Released: what the load changed is shown, and later changes repaint at once.
        QVERIFY(!rocker.UpdateLocked());
        QCOMPARE(repaints.Count(), 1);
        rocker.SetBorderMargin(5);
        QCOMPARE(repaints.Count(), 2);
    }

    void outOfRangeValues_fail()
    {
        const char* const cases[][2] = {
            {"Active = 2", "'2' is not a valid Boolean value"},
            {"MouseControlStyle = 5", "'5' is not a valid TiMouseControlStyle value"},
            {"Level = 3", "'3' is not a valid Stage value"},
            {"IndicatorMargin = 2147483648", "'2147483648' is not a valid integer value"},
            {"IndicatorMargin = 0x10", "'0x10' is not a valid integer value"},
            {"Mask = -1", "'-1' is not a valid integer value"},
            {"Letter = 65536", "'65536' is not a valid integer value"},
            {"Ratio = 1,000.5", "'1,000.5' is not a valid floating point value"},
        };
        for (const auto& c : cases) {
            Instrument instrument;
            QCOMPARE(ErrorOf([&] { LoadPropertiesText(instrument, FileType + c[0]); }),
                     "Error Loading Properties - " + QString::fromLatin1(c[1]));
            QVERIFY(!instrument.UpdateLocked());
        }
    }

    void missingFile_failsWithTheLoadError()
    {
        TiSwitchRocker rocker;
        const QString missing = dir_.filePath("missing.txt");
        QCOMPARE(ErrorOf([&] { rocker.LoadPropertiesFromFile(missing); }),
                 QString("Error Loading Properties - Cannot open file \"%1\". No such file or "
                         "directory")
                     .arg(missing));
    }

    void specialFilesAndHugeValues_costLittle()
    {
        // Nobody writes to the FIFO: opening it to read would wait for ever.
        const QString fifo = dir_.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        TiSwitchRocker rocker;
        QCOMPARE(ErrorOf([&] { rocker.LoadPropertiesFromFile(fifo); }),
                 QString("Error Loading Properties - Cannot open file \"%1\". It is not a regular "
                         "file")
                     .arg(fifo));
        const QString digits(900000, QLatin1Char('9'));
        QCOMPARE(ErrorOf([&] { LoadPropertiesText(rocker, FileType + "TabOrder = " + digits); }),
                 "Error Loading Properties - '" + digits.left(MaxQuotedValueLength) +
                     "...' is not a valid integer value");
        // A switch far wider than its window is buffered no wider than the window.
        QWidget window;
        window.resize(120, 120);
        auto* wide = new CanvasProbe(&window);
        LoadPropertiesText(*wide, FileType + "Width = 2000000000\r\nHeight = 1\r\n");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        wide->repaint();
        QVERIFY(!wide->canvases.empty());
        for (const QSize& canvas : wide->canvases)
            QVERIFY(canvas.width() <= window.width());
    }

    void tooLargeFile_isRefusedWhole()
    {
        const QByteArray head = (FileType + "IndicatorMargin = 8\r\n").toUtf8();
        const QByteArray bytes = head + QByteArray(MaxPropertiesFileSize - head.size(), ' ');
        writeFile(dir_.filePath("limit.txt"), bytes);
        TiSwitchRocker rocker;
        rocker.LoadPropertiesFromFile(dir_.filePath("limit.txt"));
        QCOMPARE(rocker.IndicatorMargin(), 8);

        writeFile(dir_.filePath("large.txt"), bytes + ' ');
        TiSwitchRocker other;
        QCOMPARE(ErrorOf([&] { other.LoadPropertiesFromFile(dir_.filePath("large.txt")); }),
                 QString("Error Loading Properties - File \"%1\" is larger than 1048576 bytes")
                     .arg(dir_.filePath("large.txt")));
        QCOMPARE(other.IndicatorMargin(), 3);
    }

    void handlerErrors_areReportedAsLoadErrors()
    {
        TiSwitchRocker rocker;
        rocker.OnChange = [](QObject*) { throw std::runtime_error("relay jammed"); };
        QCOMPARE(ErrorOf([&] { LoadPropertiesText(rocker, "x\nActive = 1"); }),
                 QStringLiteral("Error Loading Properties - relay jammed"));
        QVERIFY(rocker.Active());
        QVERIFY(!rocker.UpdateLocked());
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The expected texts use the point as decimal separator, whatever the system's locale.
    QLocale::setDefault(QLocale::c());
    int status = 0;
    SaveTest save;
    status |= QTest::qExec(&save, argc, argv);
    LoadTest load;
    status |= QTest::qExec(&load, argc, argv);
    LoadErrorTest errors;
    status |= QTest::qExec(&errors, argc, argv);
    return status;
}

#include "tst_propertiesfile.moc"
