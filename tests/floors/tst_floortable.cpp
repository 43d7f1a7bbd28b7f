#include <set>

#include <QTest>

#include "floors/FloorLayout.h"
#include "floors/FloorTable.h"
#include "floors/NavigationLabels.h"

// The table and layout of the floor screens.
class FloorTableTest : public QObject
{
    Q_OBJECT

private slots:
    void addresses_eachOnExactlyOnePanel();
    void addresses_followTheAddressingRule();
    void addressOne_isOnTheMainScreen();
    void addresses_noScreenShowsZeroOr22();
    void floorAddresses_ascendInPanelOrder();
    void indicatorNames_inBitOrder();
    void relayLabels_restartAtRY1AndEndAtRY31();
    void sevenRelayPanels_neverCarryBit128();
    void switchNames_andTagsPerColumn();
    void captions_ofFloorsAndControllers();
    void columns_ofEightAndSevenRelayPanels();
    void relayLabels_widthDecidesTheirLeftEdge();
    void floor2TopLeft_indicatorsAtTop30();
    void floor1BottomPanels_indicators26Wide();
    void floor1BottomRight_sevenRelaysOnEightRelayColumns();
    void floor3_displacedRelayLabels();
    void captionLabels_topWidthAndLeft();
    void windowsAndPanels_perFloor();
    void focusOrder_ofColumnsAndPanels();
    void navigation_targetsOfEveryFloor();
    void navigation_captionsAndColours();
};

void FloorTableTest::addresses_eachOnExactlyOnePanel()
{
    std::multiset<int> seen;
    for (int floor = 1; floor <= FloorCount; ++floor) {
        for (PanelPosition position : PanelPositions)
            seen.insert(AddressOfPanel(floor, position));
    }
    for (int address = 2; address <= 21; ++address)
        QCOMPARE(seen.count(address), 1u);
    QCOMPARE(seen.size(), 20u);
}

void FloorTableTest::addresses_followTheAddressingRule()
{
    for (int address = 2; address <= 21; ++address) {
        const std::optional<ControllerPlace> place = PlaceOfAddress(address);
        QVERIFY(place);
        QVERIFY(place->position);
        const int p = int(*place->position);
        QCOMPARE(address, 4 * (place->floor - 1) + 2 + p);
        QCOMPARE(AddressOfPanel(place->floor, *place->position), address);
        QCOMPARE(place->relays, *place->position == PanelPosition::BottomRight ? 7 : 8);
    }
}

void FloorTableTest::addressOne_isOnTheMainScreen()
{
    const std::optional<ControllerPlace> place = PlaceOfAddress(1);
    QVERIFY(place);
    QCOMPARE(place->floor, MainScreenFloor);
    QVERIFY(!place->position);
    QCOMPARE(IndicatorNamesOf(1), (QStringList{"R1", "R2", "R3", "R4", "R5"}));
}

void FloorTableTest::addresses_noScreenShowsZeroOr22()
{
    for (int address : {0, 22, 255, -1}) {
        QVERIFY(!PlaceOfAddress(address));
        QVERIFY(IndicatorNamesOf(address).isEmpty());
    }
}

void FloorTableTest::floorAddresses_ascendInPanelOrder()
{
    QCOMPARE(AddressesOfFloor(1), (std::array{2, 3, 4, 5}));
    QCOMPARE(AddressesOfFloor(3), (std::array{10, 11, 12, 13}));
    QCOMPARE(AddressesOfFloor(5), (std::array{18, 19, 20, 21}));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, AddressesOfFloor(6));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, AddressesOfFloor(0));
}

void FloorTableTest::indicatorNames_inBitOrder()
{
    QCOMPARE(IndicatorNamesOf(5), (QStringList{"R51", "R52", "R53", "R54", "R55", "R56", "R57"}));
    QCOMPARE(IndicatorNamesOf(12),
             (QStringList{"R121", "R122", "R123", "R124", "R125", "R126", "R127", "R128"}));
    QCOMPARE(IndicatorNamesOf(21).size(), 7);
    QCOMPARE(IndicatorNamesOf(21).last(), QString("R217"));
    QCOMPARE(IndicatorNamesOf(20).first(), QString("R201"));
}

void FloorTableTest::relayLabels_restartAtRY1AndEndAtRY31()
{
    for (int floor = 1; floor <= FloorCount; ++floor) {
        QStringList captions;
        for (PanelPosition position : PanelPositions) {
            for (int column = 1; column <= ControllerOf(floor, position).relays; ++column)
                captions << RelayLabelCaption(position, column);
        }
        QCOMPARE(captions.size(), 31);
        for (int i = 0; i < captions.size(); ++i)
            QCOMPARE(captions[i], QStringLiteral("RY%1").arg(i + 1));
    }
    QCOMPARE(RelayLabelCaption(PanelPosition::TopRight, 1), QString("RY9"));
    QCOMPARE(RelayLabelCaption(PanelPosition::BottomLeft, 8), QString("RY24"));
}

void FloorTableTest::sevenRelayPanels_neverCarryBit128()
{
    for (int floor = 1; floor <= FloorCount; ++floor) {
        const ControllerRow& row = ControllerOf(floor, PanelPosition::BottomRight);
        QCOMPARE(row.relays, 7);
        QCOMPARE(int(PanelColumns(floor, PanelPosition::BottomRight).size()), 7);
        for (int column = 1; column <= row.relays; ++column)
            QVERIFY(RelayBit(column) <= 64);
    }
    QVERIFY(PanelRowOf(PanelPosition::BottomRight).switchNames[7] == nullptr);
}

void FloorTableTest::switchNames_andTagsPerColumn()
{
    const auto name = [](PanelPosition p, int column) {
        return QString::fromLatin1(PanelRowOf(p).switchNames[std::size_t(column - 1)]);
    };
    QCOMPARE(name(PanelPosition::TopLeft, 1), QString("iSwitchRocker1"));
    QCOMPARE(name(PanelPosition::TopLeft, 3), QString("iSwitchRocker21"));
    QCOMPARE(name(PanelPosition::TopLeft, 8), QString("iSwitchRocker29"));
    QCOMPARE(name(PanelPosition::TopRight, 4), QString("iSwitchRocker24"));
    QCOMPARE(name(PanelPosition::TopRight, 7), QString("iSwitchRocker15"));
    QCOMPARE(name(PanelPosition::BottomLeft, 1), QString("iSwitchRocker6"));
    QCOMPARE(name(PanelPosition::BottomLeft, 8), QString("iSwitchRocker31"));
    QCOMPARE(name(PanelPosition::BottomRight, 5), QString("iSwitchRocker20"));
    QCOMPARE(name(PanelPosition::BottomRight, 6), QString("iSwitchRocker25"));
    QCOMPARE(name(PanelPosition::BottomRight, 7), QString("iSwitchRocker26"));

    // Every switch name is used once per screen.
    std::set<QString> names;
    for (PanelPosition p : PanelPositions) {
        for (const char* n : PanelRowOf(p).switchNames) {
            if (n)
                QVERIFY(names.insert(QString::fromLatin1(n)).second);
        }
    }
    QCOMPARE(names.size(), 31u);

    for (int column = 1; column <= 8; ++column)
        QCOMPARE(int(RelayBit(column)), 1 << (column - 1));
    QCOMPARE(int(RelayBit(8)), 128);
}

void FloorTableTest::captions_ofFloorsAndControllers()
{
    QCOMPARE(QString::fromUtf8(FloorRowOf(1).popupCaption), QString("读当前状态"));
    for (int floor = 2; floor <= FloorCount; ++floor)
        QCOMPARE(QString::fromUtf8(FloorRowOf(floor).popupCaption), QString("读取当前状态"));
    QCOMPARE(QString::fromUtf8(FloorRowOf(3).windowCaption), QString("岚苑三层界面"));
    QCOMPARE(QString::fromUtf8(FloorRowOf(5).titleCaption), QString("岚苑五层灯光监控界面"));
    QCOMPARE(QString::fromLatin1(FloorRowOf(2).instanceName), QString("Secondfrm"));
    QCOMPARE(QString::fromLatin1(FloorRowOf(4).screenClass), QString("TFourfrm"));
    QCOMPARE(QString::fromUtf8(ControllerOf(5, PanelPosition::BottomLeft).caption),
             QString("第二十控制器"));
    QCOMPARE(QString::fromUtf8(ControllerOf(5, PanelPosition::BottomRight).caption),
             QString("第二十一控制器"));
    QCOMPARE(QString::fromUtf8(ControllerOf(1, PanelPosition::TopLeft).caption),
             QString("第二控制器"));
}

namespace {
QList<int> leftsOf(const std::vector<ColumnGeometry>& columns, QRect ColumnGeometry::*part)
{
    QList<int> lefts;
    for (const ColumnGeometry& c : columns)
        lefts << (c.*part).left();
    return lefts;
}
} // namespace

void FloorTableTest::columns_ofEightAndSevenRelayPanels()
{
    const auto eight = PanelColumns(4, PanelPosition::TopLeft);
    QCOMPARE(leftsOf(eight, &ColumnGeometry::switchRect),
             (QList<int>{5, 53, 101, 149, 198, 246, 294, 342}));
    QCOMPARE(leftsOf(eight, &ColumnGeometry::indicator),
             (QList<int>{12, 60, 108, 156, 204, 252, 300, 348}));
    for (const ColumnGeometry& c : eight) {
        QCOMPARE(c.label.top(), 6);
        QCOMPARE(c.label.height(), 16);
        QCOMPARE(c.indicator.top(), 29);
        QCOMPARE(c.indicator.size(), QSize(25, 21));
        QCOMPARE(c.switchRect.top(), 60);
        QCOMPARE(c.switchRect.size(), QSize(38, 89));
    }

    const auto seven = PanelColumns(2, PanelPosition::BottomRight);
    QCOMPARE(leftsOf(seven, &ColumnGeometry::switchRect),
             (QList<int>{12, 66, 120, 174, 228, 282, 336}));
    QCOMPARE(leftsOf(seven, &ColumnGeometry::indicator),
             (QList<int>{19, 73, 127, 181, 234, 288, 342}));
    QCOMPARE(leftsOf(seven, &ColumnGeometry::label), (QList<int>{18, 72, 126, 180, 233, 287, 341}));
    for (const ColumnGeometry& c : seven)
        QCOMPARE(c.label.width(), 30);
}

void FloorTableTest::relayLabels_widthDecidesTheirLeftEdge()
{
    // Top-left holds RY1 to RY8 (24 wide); top-right RY9 (24 wide), then RY10 to RY16 (30).
    const auto topLeft = PanelColumns(5, PanelPosition::TopLeft);
    QCOMPARE(leftsOf(topLeft, &ColumnGeometry::label),
             (QList<int>{14, 62, 110, 158, 206, 254, 302, 350}));
    for (const ColumnGeometry& c : topLeft)
        QCOMPARE(c.label.width(), 24);

    const auto topRight = PanelColumns(5, PanelPosition::TopRight);
    QCOMPARE(leftsOf(topRight, &ColumnGeometry::label),
             (QList<int>{14, 59, 107, 155, 202, 250, 298, 346}));
    QCOMPARE(topRight[0].label.width(), 24);
    for (std::size_t i = 1; i < topRight.size(); ++i)
        QCOMPARE(topRight[i].label.width(), 30);
}

void FloorTableTest::floor2TopLeft_indicatorsAtTop30()
{
    for (const ColumnGeometry& c : PanelColumns(2, PanelPosition::TopLeft))
        QCOMPARE(c.indicator.top(), 30);
    for (PanelPosition p :
         {PanelPosition::TopRight, PanelPosition::BottomLeft, PanelPosition::BottomRight}) {
        for (const ColumnGeometry& c : PanelColumns(2, p))
            QCOMPARE(c.indicator.top(), 29);
    }
    for (const ColumnGeometry& c : PanelColumns(1, PanelPosition::TopLeft))
        QCOMPARE(c.indicator.top(), 29);
}

void FloorTableTest::floor1BottomPanels_indicators26Wide()
{
    for (PanelPosition p : {PanelPosition::BottomLeft, PanelPosition::BottomRight}) {
        for (const ColumnGeometry& c : PanelColumns(1, p))
            QCOMPARE(c.indicator.size(), QSize(26, 21));
    }
    for (PanelPosition p : {PanelPosition::TopLeft, PanelPosition::TopRight}) {
        for (const ColumnGeometry& c : PanelColumns(1, p))
            QCOMPARE(c.indicator.size(), QSize(25, 21));
    }
    for (const ColumnGeometry& c : PanelColumns(2, PanelPosition::BottomLeft))
        QCOMPARE(c.indicator.size(), QSize(25, 21));
}

void FloorTableTest::floor1BottomRight_sevenRelaysOnEightRelayColumns()
{
    const auto columns = PanelColumns(1, PanelPosition::BottomRight);
    QCOMPARE(int(columns.size()), 7);
    QCOMPARE(leftsOf(columns, &ColumnGeometry::switchRect),
             (QList<int>{5, 53, 101, 149, 198, 246, 294}));
    QCOMPARE(leftsOf(columns, &ColumnGeometry::indicator),
             (QList<int>{12, 60, 108, 156, 204, 252, 300}));
    QCOMPARE(leftsOf(columns, &ColumnGeometry::label),
             (QList<int>{11, 59, 107, 155, 202, 250, 298}));
    // The other bottom-right panels keep the seven-relay columns.
    QCOMPARE(PanelColumns(4, PanelPosition::BottomRight)[1].switchRect.left(), 66);
}

void FloorTableTest::floor3_displacedRelayLabels()
{
    const auto bottomLeft = PanelColumns(3, PanelPosition::BottomLeft);
    QCOMPARE(leftsOf(bottomLeft, &ColumnGeometry::label),
             (QList<int>{11, 65, 120, 174, 229, 283, 338, 347}));
    QCOMPARE(leftsOf(bottomLeft, &ColumnGeometry::switchRect),
             (QList<int>{5, 53, 101, 149, 198, 246, 294, 342}));
    QCOMPARE(leftsOf(bottomLeft, &ColumnGeometry::indicator),
             (QList<int>{12, 60, 108, 156, 204, 252, 300, 348}));

    const auto bottomRight = PanelColumns(3, PanelPosition::BottomRight);
    QCOMPARE(leftsOf(bottomRight, &ColumnGeometry::label),
             (QList<int>{18, 79, 140, 202, 263, 324, 335}));
    QCOMPARE(leftsOf(bottomRight, &ColumnGeometry::switchRect),
             (QList<int>{12, 66, 120, 174, 228, 282, 336}));

    // Nowhere else.
    QCOMPARE(leftsOf(PanelColumns(4, PanelPosition::BottomLeft), &ColumnGeometry::label),
             (QList<int>{11, 59, 107, 155, 202, 250, 298, 346}));
}

void FloorTableTest::captionLabels_topWidthAndLeft()
{
    const QMap<int, int> tops{{1, 155}, {2, 156}, {3, 156}, {4, 155}, {5, 155}};
    for (int floor = 1; floor <= FloorCount; ++floor)
        QCOMPARE(CaptionRect(floor, "第二控制器").top(), tops[floor]);
    QCOMPARE(CaptionRect(1, "第二控制器"), QRect(143, 155, 100, 19));
    QCOMPARE(CaptionRect(3, "第十一控制器"), QRect(133, 156, 120, 19));
    QCOMPARE(CaptionRect(5, "第二十一控制器"), QRect(133, 155, 140, 19));
}

void FloorTableTest::windowsAndPanels_perFloor()
{
    QCOMPARE(FloorGeometryOf(1).windowPosition, QPoint(166, 115));
    QCOMPARE(FloorGeometryOf(5).windowPosition, QPoint(160, 125));
    QCOMPARE(FloorGeometryOf(2).outerSize, QSize(812, 584));
    QCOMPARE(FloorGeometryOf(3).outerSize, QSize(812, 587));
    QCOMPARE(FloorGeometryOf(4).titlePosition, QPoint(320, -1));
    QCOMPARE(FloorGeometryOf(3).backPanel, QRect(0, 161, 803, 396));
    QCOMPARE(FloorGeometryOf(5).backPanel, QRect(1, 162, 801, 396));

    const auto panel = [](int floor, PanelPosition p) {
        return FloorGeometryOf(floor).panels[std::size_t(p)];
    };
    QCOMPARE(panel(1, PanelPosition::TopRight), QRect(408, 170, 386, 183));
    QCOMPARE(panel(1, PanelPosition::BottomRight), QRect(408, 365, 386, 181));
    QCOMPARE(panel(1, PanelPosition::BottomLeft), QRect(9, 365, 386, 182));
    QCOMPARE(panel(2, PanelPosition::BottomLeft), QRect(9, 370, 386, 182));
    QCOMPARE(panel(4, PanelPosition::BottomRight), QRect(412, 366, 386, 182));
    QCOMPARE(panel(5, PanelPosition::TopRight), QRect(411, 169, 386, 182));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, FloorGeometryOf(6));
}

void FloorTableTest::focusOrder_ofColumnsAndPanels()
{
    QCOMPARE(ColumnFocusOrder(8), (std::vector<int>{1, 2, 5, 6, 7, 3, 4, 8}));
    QCOMPARE(ColumnFocusOrder(7), (std::vector<int>{1, 2, 5, 6, 7, 3, 4}));
    using P = PanelPosition;
    for (int floor = 1; floor <= 4; ++floor)
        QCOMPARE(FloorGeometryOf(floor).panelFocusOrder,
                 (std::array{P::TopLeft, P::TopRight, P::BottomLeft, P::BottomRight}));
    QCOMPARE(FloorGeometryOf(5).panelFocusOrder,
             (std::array{P::TopLeft, P::TopRight, P::BottomRight, P::BottomLeft}));
}

void FloorTableTest::navigation_targetsOfEveryFloor()
{
    const QMap<int, QList<int>> targets{{1, {2, 3, 4, 5}},
                                        {2, {1, 3, 4, 5}},
                                        {3, {1, 2, 4, 5}},
                                        {4, {1, 2, 3, 5}},
                                        {5, {1, 2, 3, 4}}};
    const QStringList labels{"Label26", "Label27", "Label28", "Label29"};
    for (int floor = 1; floor <= FloorCount; ++floor) {
        for (int i = 0; i < labels.size(); ++i)
            QCOMPARE(NavigationTarget(floor, labels[i]), std::optional(targets[floor][i]));
        QCOMPARE(NavigationTarget(floor, "Label38"), std::optional(MainScreenFloor));
        QVERIFY(!NavigationTarget(floor, "Label25"));
    }
}

void FloorTableTest::navigation_captionsAndColours()
{
    const auto row = [](const char* name) {
        for (const NavigationLabelRow& r : NavigationLabels) {
            if (QLatin1String(r.name) == QLatin1String(name))
                return r;
        }
        throw std::logic_error("no such label");
    };
    QCOMPARE(NavigationCaption(2, row("Label27")), QString("岚苑三层灯光监控界面"));
    QCOMPARE(NavigationCaption(5, row("Label29")), QString("岚苑四层灯光监控界面"));
    QCOMPARE(NavigationCaption(1, row("Label26")), QString("岚苑二层灯光监控界面"));
    QCOMPARE(NavigationCaption(3, row("Label38")), QString("岚苑灯光监控主界面"));

    QCOMPARE(row("Label26").color, TColor(0x00FF00FF)); // fuchsia
    QCOMPARE(row("Label27").color, TColor(0x00808000)); // teal
    QCOMPARE(row("Label28").color, TColor(0x00FF0000)); // blue
    QCOMPARE(row("Label29").color, TColor(0x00000080)); // maroon
    QCOMPARE(row("Label38").color, TColor(0x000000FF)); // red
    QCOMPARE(row("Label26").rect, QRect(49, 27, 200, 19));
    QCOMPARE(row("Label29").rect, QRect(541, 90, 200, 19));
    QCOMPARE(row("Label38").rect, QRect(296, 60, 180, 19));
}

QTEST_APPLESS_MAIN(FloorTableTest)
#include "tst_floortable.moc"
