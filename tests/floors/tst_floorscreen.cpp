#include <memory>

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include "FloorRig.h"
#include "components/TCursor.h"
#include "components/TiSwitchRocker.h"
#include "floors/ClickLabel.h"
#include "floors/TShape.h"

// The floor screens as built from the table, over a link whose port stays closed.
class FloorScreenTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUp_leavesOnlyFloor2Shown();
    void window_captionPlaceSizeAndHiddenAtStart();
    void window_hasNoCloseCommand();
    void close_isRefused();
    void formShow_takesCloseAwayOnEveryShow();
    void title_andNavigationGroup();
    void navigationLabels_captionsColoursAndCursor();
    void panels_namesPlacesAndCaptions();
    void indicators_namedPlacedAndLime();
    void indicators_registeredInBitOrder();
    void deviations_appearOnTheScreens();
    void popupMenu_itemCaptionPerFloor();
    void fonts_requestedByDesignerName();
    void panelLabels_neverCutTheirText();
    void switches_namesTagsAndPlaces();
    void switches_lookAndHandlers();
    void sevenRelayPanels_haveNoSwitchForBit128();
    void focusOrder_columnsThenPanels();
    void switch_withPortClosed_movesAndWaitsButColoursNothing();
    void shape_fillInsideABlackOutline();
    void shape_repaintsOnlyWhenTheColourChanges();

private:
    std::unique_ptr<FloorRig> rig_;
};

void FloorScreenTest::init()
{
    rig_ = std::make_unique<FloorRig>();
}

void FloorScreenTest::cleanup()
{
    rig_.reset();
}

void FloorScreenTest::startUp_leavesOnlyFloor2Shown()
{
    QVERIFY(rig_->screens.Secondfrm->isVisible());
    for (int floor : {1, 3, 4, 5})
        QVERIFY2(!rig_->Floor(floor)->isVisible(), qPrintable(QString::number(floor)));
    QCOMPARE(rig_->Floor(4), static_cast<FloorScreen*>(rig_->screens.Fourfrm));
    QCOMPARE(rig_->screens.Fourfrm->metaObject()->className(), "TFourfrm");
}

void FloorScreenTest::window_captionPlaceSizeAndHiddenAtStart()
{
    rig_->screens.Secondfrm->hide();
    const QStringList captions{"岚苑一层界面", "岚苑二层界面", "岚苑三层界面", "岚苑四层界面",
                               "岚苑五层界面"};
    const QList<QPoint> places{{166, 115}, {156, 129}, {120, 108}, {108, 118}, {160, 125}};
    const QList<QString> names{"firstfrm", "Secondfrm", "Thirdfrm", "Fourfrm", "Fivefrm"};
    for (int floor = 1; floor <= 5; ++floor) {
        FloorScreen* screen = rig_->Floor(floor);
        QCOMPARE(screen->Floor(), floor);
        QVERIFY(screen->isWindow());
        QVERIFY(!screen->isVisible());
        QCOMPARE(screen->objectName(), names[floor - 1]);
        QCOMPARE(screen->windowTitle(), captions[floor - 1]);
        QCOMPARE(screen->pos(), places[floor - 1]);
        screen->show();
        QCOMPARE(screen->frameGeometry().size(), floor <= 2 ? QSize(812, 584) : QSize(812, 587));
        QCOMPARE(screen->frameGeometry().topLeft(), places[floor - 1]);
        QVERIFY(screen->autoFillBackground());
        QCOMPARE(screen->palette().color(QPalette::Window),
                 screen->palette().color(QPalette::Button));
        screen->hide();
    }
}

void FloorScreenTest::window_hasNoCloseCommand()
{
    for (int floor = 1; floor <= 5; ++floor) {
        const Qt::WindowFlags flags = rig_->Floor(floor)->windowFlags();
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    }
}

void FloorScreenTest::close_isRefused()
{
    FloorScreen* screen = rig_->screens.Thirdfrm;
    screen->show();
    QVERIFY(!screen->close());
    QVERIFY(screen->isVisible());

    QCloseEvent request;
    QApplication::sendEvent(screen, &request);
    QVERIFY(!request.isAccepted());
    QVERIFY(screen->isVisible());
    // Closing the main screen must end the program although a floor screen is shown.
    QVERIFY(!screen->testAttribute(Qt::WA_QuitOnClose));
}

void FloorScreenTest::formShow_takesCloseAwayOnEveryShow()
{
    FloorScreen* screen = rig_->screens.Fivefrm;
    screen->show();
    screen->hide();
    screen->setWindowFlags(screen->windowFlags() | Qt::WindowCloseButtonHint);
    QVERIFY(screen->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    screen->show();
    QVERIFY(screen->isVisible());
    QVERIFY(!screen->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(screen->pos(), QPoint(160, 125));

    screen->hide();
    screen->show();
    QVERIFY(screen->isVisible());
    QVERIFY(!screen->windowFlags().testFlag(Qt::WindowCloseButtonHint));
}

void FloorScreenTest::title_andNavigationGroup()
{
    const QList<QPoint> titles{{271, 2}, {318, 1}, {315, 3}, {320, -1}, {316, 3}};
    for (int floor = 1; floor <= 5; ++floor) {
        FloorScreen* screen = rig_->Floor(floor);
        auto* title = screen->findChild<QLabel*>("Label25");
        QVERIFY(title);
        QCOMPARE(title->parentWidget(), screen);
        QCOMPARE(title->geometry(), QRect(titles[floor - 1], QSize(280, 27)));
        auto* group = screen->findChild<QGroupBox*>("GroupBox1");
        QVERIFY(group);
        QCOMPARE(group->title(), QString("楼层切换"));
        QCOMPARE(group->geometry(), QRect(1, 30, 801, 129));
    }
    QCOMPARE(rig_->screens.Fourfrm->findChild<QLabel*>("Label25")->text(),
             QString("岚苑四层灯光监控界面"));
}

void FloorScreenTest::navigationLabels_captionsColoursAndCursor()
{
    auto* group = rig_->screens.Thirdfrm->findChild<QGroupBox*>("GroupBox1");
    const QStringList names{"Label26", "Label27", "Label28", "Label29", "Label38"};
    const QStringList captions{"岚苑一层灯光监控界面", "岚苑二层灯光监控界面",
                               "岚苑四层灯光监控界面", "岚苑五层灯光监控界面",
                               "岚苑灯光监控主界面"};
    const QList<QColor> colours{QColor(255, 0, 255), QColor(0, 128, 128), QColor(0, 0, 255),
                                QColor(128, 0, 0), QColor(255, 0, 0)};
    const QList<QPoint> places{{49, 27}, {541, 27}, {49, 90}, {541, 90}, {296, 60}};
    for (int i = 0; i < names.size(); ++i) {
        auto* label = group->findChild<ClickLabel*>(names[i]);
        QVERIFY2(label, qPrintable(names[i]));
        QCOMPARE(label->parentWidget(), group);
        QCOMPARE(label->text(), captions[i]);
        QCOMPARE(label->palette().color(QPalette::WindowText), colours[i]);
        QCOMPARE(label->pos(), places[i]);
        QCOMPARE(label->size(), i == 4 ? QSize(180, 19) : QSize(200, 19));
        QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(label->isEnabled());
        QVERIFY(label->OnClick);
    }
}

void FloorScreenTest::panels_namesPlacesAndCaptions()
{
    FloorScreen* first = rig_->screens.firstfrm;
    const QStringList panels{"Panel1", "Panel3", "Panel2", "Panel4"};
    const QList<QRect> rects{
        {9, 170, 386, 182}, {408, 170, 386, 183}, {9, 365, 386, 182}, {408, 365, 386, 181}};
    for (int i = 0; i < panels.size(); ++i) {
        auto* panel = first->findChild<QWidget*>(panels[i]);
        QVERIFY(panel);
        QCOMPARE(panel->parentWidget(), first);
        QCOMPARE(panel->geometry(), rects[i]);
    }
    auto* back = rig_->screens.Fivefrm->findChild<QWidget*>("Panel5");
    QVERIFY(back);
    QCOMPARE(back->geometry(), QRect(1, 162, 801, 396));
    // The controller panels lie above the plain one.
    const QObjectList& children = rig_->screens.Fivefrm->children();
    QVERIFY(children.indexOf(back) <
            children.indexOf(rig_->screens.Fivefrm->findChild<QWidget*>("Panel4")));

    auto* caption =
        rig_->screens.Fivefrm->findChild<QWidget*>("Panel4")->findChild<QLabel*>("Panel4Caption");
    QVERIFY(caption);
    QCOMPARE(caption->text(), QString("第二十一控制器"));
    QCOMPARE(caption->geometry(), QRect(133, 155, 140, 19));
    auto* bottomLeft =
        rig_->screens.Fivefrm->findChild<QWidget*>("Panel2")->findChild<QLabel*>("Panel2Caption");
    QCOMPARE(bottomLeft->text(), QString("第二十控制器"));
    QCOMPARE(bottomLeft->geometry(), QRect(133, 155, 120, 19));
}

void FloorScreenTest::indicators_namedPlacedAndLime()
{
    auto* panel = rig_->screens.Fourfrm->findChild<QWidget*>("Panel3");
    const QList<int> lefts{12, 60, 108, 156, 204, 252, 300, 348};
    for (int column = 1; column <= 8; ++column) {
        auto* shape = panel->findChild<TShape*>(QStringLiteral("R15%1").arg(column));
        QVERIFY(shape);
        QCOMPARE(shape->geometry(), QRect(lefts[column - 1], 29, 25, 21));
        QCOMPARE(shape->Brush().Color, Lime);
        auto* label = panel->findChild<QLabel*>(QStringLiteral("RY%1").arg(8 + column));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("RY%1").arg(8 + column));
        QCOMPARE(label->y(), 6);
    }
    QVERIFY(!panel->findChild<TShape*>("R159"));
    QVERIFY(!rig_->screens.Fourfrm->findChild<TShape*>("R178"));
    QVERIFY(!rig_->screens.Fourfrm->findChild<QLabel*>("RY32"));
}

void FloorScreenTest::indicators_registeredInBitOrder()
{
    for (int address = 2; address <= 21; ++address) {
        const auto shapes = rig_->indicators.ShapesOf(address);
        const int floor = (address - 2) / 4 + 1;
        QCOMPARE(int(shapes.size()), (address - 2) % 4 == 3 ? 7 : 8);
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            auto* expected = rig_->Floor(floor)->findChild<TShape*>(
                QStringLiteral("R%1%2").arg(address).arg(i + 1));
            QVERIFY(expected);
            QCOMPARE(shapes[i], static_cast<IndicatorShape*>(expected));
        }
    }
    QVERIFY(rig_->indicators.ShapesOf(1).empty());
}

void FloorScreenTest::deviations_appearOnTheScreens()
{
    const auto shape = [this](int floor, const QString& name) {
        return rig_->Floor(floor)->findChild<TShape*>(name);
    };
    const auto label = [this](int floor, const QString& panel, const QString& name) {
        return rig_->Floor(floor)->findChild<QWidget*>(panel)->findChild<QLabel*>(name);
    };
    QCOMPARE(shape(2, "R63")->y(), 30);
    QCOMPARE(shape(2, "R73")->y(), 29);
    QCOMPARE(shape(1, "R41")->size(), QSize(26, 21));
    QCOMPARE(shape(1, "R57")->size(), QSize(26, 21));
    QCOMPARE(shape(1, "R31")->size(), QSize(25, 21));
    QCOMPARE(shape(1, "R57")->x(), 300);
    QCOMPARE(shape(2, "R97")->x(), 342);
    QCOMPARE(label(3, "Panel2", "RY24")->x(), 347);
    QCOMPARE(label(3, "Panel2", "RY19")->x(), 120);
    QCOMPARE(label(3, "Panel4", "RY31")->x(), 335);
    QCOMPARE(label(3, "Panel4", "RY26")->x(), 79);
    QCOMPARE(label(4, "Panel4", "RY26")->x(), 72);
    QCOMPARE(shape(3, "R122")->x(), 60);
    QCOMPARE(label(2, "Panel1", "Panel1Caption")->y(), 156);
    QCOMPARE(label(3, "Panel4", "Panel4Caption")->y(), 156);
    QCOMPARE(label(1, "Panel1", "Panel1Caption")->y(), 155);
}

void FloorScreenTest::popupMenu_itemCaptionPerFloor()
{
    for (int floor = 1; floor <= 5; ++floor) {
        auto* menu = rig_->Floor(floor)->findChild<QMenu*>("PopupMenu1");
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QAction* item = menu->actions().first();
        QCOMPARE(item->objectName(), QString("N1"));
        QCOMPARE(item->text(), floor == 1 ? QString("读当前状态") : QString("读取当前状态"));
    }
    FloorScreen* screen = rig_->screens.Thirdfrm;
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen));
    // A right click on a switch reaches the screen's menu too.
    auto* rocker = screen->findChild<QWidget*>("iSwitchRocker12");
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                              rocker->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(rocker, &request);
    auto* menu = screen->findChild<QMenu*>("PopupMenu1");
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
}

void FloorScreenTest::fonts_requestedByDesignerName()
{
    FloorScreen* screen = rig_->screens.firstfrm;
    QCOMPARE(screen->font().family(), QString("MS Sans Serif"));
    QCOMPARE(screen->font().pixelSize(), 11);
    const QFont title = screen->findChild<QLabel*>("Label25")->font();
    QCOMPARE(title.family(), QString("MS Serif"));
    QCOMPARE(title.pixelSize(), 24);
    QCOMPARE(screen->findChild<QLabel*>("Label26")->font().pixelSize(), 16);
    QCOMPARE(screen->findChild<QLabel*>("RY1")->font().pixelSize(), 13);
    QCOMPARE(screen->findChild<QLabel*>("Panel1Caption")->font().pixelSize(), 16);
    QCOMPARE(screen->findChild<QGroupBox*>("GroupBox1")->font().pixelSize(), 16);
}

void FloorScreenTest::panelLabels_neverCutTheirText()
{
    auto* panel = rig_->screens.Thirdfrm->findChild<QWidget*>("Panel3");
    const QList<QLabel*> labels = panel->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 9);
    for (QLabel* label : labels) {
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        QVERIFY(label->width() >= (label->text().size() == 3 ? 24 : 30));
    }
    QCOMPARE(panel->findChild<QLabel*>("RY10")->x(), 59);
}

namespace {
QStringList switchesInFocusOrder(QWidget* screen)
{
    QStringList names;
    for (QWidget* w = screen->nextInFocusChain(); w != screen; w = w->nextInFocusChain()) {
        if (qobject_cast<TiSwitchRocker*>(w))
            names << w->objectName();
    }
    return names;
}
} // namespace

void FloorScreenTest::switches_namesTagsAndPlaces()
{
    struct Sample
    {
        int floor;
        const char* panel;
        const char* name;
        int tag;
        int left;
    };
    const QList<Sample> samples{
        {1, "Panel1", "iSwitchRocker21", 4, 101},   {1, "Panel4", "iSwitchRocker26", 64, 294},
        {2, "Panel4", "iSwitchRocker26", 64, 336},  {2, "Panel3", "iSwitchRocker11", 1, 5},
        {3, "Panel2", "iSwitchRocker31", 128, 342}, {3, "Panel4", "iSwitchRocker28", 8, 174},
        {4, "Panel3", "iSwitchRocker13", 16, 198},  {4, "Panel2", "iSwitchRocker9", 32, 246},
        {5, "Panel4", "iSwitchRocker18", 1, 12},    {5, "Panel1", "iSwitchRocker29", 128, 342},
    };
    for (const Sample& sample : samples) {
        auto* panel = rig_->Floor(sample.floor)->findChild<QWidget*>(sample.panel);
        auto* rocker = panel->findChild<TiSwitchRocker*>(sample.name);
        QVERIFY2(rocker, sample.name);
        QCOMPARE(rocker->Tag(), sample.tag);
        QCOMPARE(rocker->geometry(), QRect(sample.left, 60, 38, 89));
    }
    for (int floor = 1; floor <= 5; ++floor) {
        FloorScreen* screen = rig_->Floor(floor);
        QCOMPARE(screen->findChildren<TiSwitchRocker*>().size(), 31);
        QCOMPARE(screen->findChild<QWidget*>("Panel4")->findChildren<TiSwitchRocker*>().size(), 7);
    }
}

void FloorScreenTest::switches_lookAndHandlers()
{
    for (int floor = 1; floor <= 5; ++floor) {
        for (TiSwitchRocker* rocker : rig_->Floor(floor)->findChildren<TiSwitchRocker*>()) {
            QCOMPARE(rocker->IndicatorActiveColor(), clRed);
            QCOMPARE(rocker->Cursor(), crHandPoint);
            QCOMPARE(rocker->cursor().shape(), Qt::PointingHandCursor);
            QVERIFY(!rocker->Active());
            QVERIFY(!rocker->OptionSaveAllProperties());
            QVERIFY(rocker->OnChange);
            QCOMPARE(rocker->MouseControlStyle(), TiSwitchRocker::imcsClickAnyWhere);
        }
    }
}

void FloorScreenTest::sevenRelayPanels_haveNoSwitchForBit128()
{
    for (int floor = 1; floor <= 5; ++floor) {
        auto* panel = rig_->Floor(floor)->findChild<QWidget*>("Panel4");
        QList<int> tags;
        for (TiSwitchRocker* rocker : panel->findChildren<TiSwitchRocker*>())
            tags << rocker->Tag();
        std::sort(tags.begin(), tags.end());
        QCOMPARE(tags, (QList<int>{1, 2, 4, 8, 16, 32, 64}));
        QVERIFY(!rig_->Floor(floor)->findChild<QWidget*>("iSwitchRocker32"));
        QVERIFY(!panel->findChild<QWidget*>("Shape4"));
    }
}

void FloorScreenTest::focusOrder_columnsThenPanels()
{
    const QStringList topLeft{"iSwitchRocker1",  "iSwitchRocker2", "iSwitchRocker3",
                              "iSwitchRocker4",  "iSwitchRocker5", "iSwitchRocker21",
                              "iSwitchRocker22", "iSwitchRocker29"};
    const QStringList topRight{"iSwitchRocker11", "iSwitchRocker12", "iSwitchRocker13",
                               "iSwitchRocker14", "iSwitchRocker15", "iSwitchRocker23",
                               "iSwitchRocker24", "iSwitchRocker30"};
    const QStringList bottomLeft{"iSwitchRocker6",  "iSwitchRocker7",  "iSwitchRocker8",
                                 "iSwitchRocker9",  "iSwitchRocker10", "iSwitchRocker16",
                                 "iSwitchRocker17", "iSwitchRocker31"};
    const QStringList bottomRight{"iSwitchRocker18", "iSwitchRocker19", "iSwitchRocker20",
                                  "iSwitchRocker25", "iSwitchRocker26", "iSwitchRocker27",
                                  "iSwitchRocker28"};
    for (int floor = 1; floor <= 4; ++floor)
        QCOMPARE(switchesInFocusOrder(rig_->Floor(floor)),
                 topLeft + topRight + bottomLeft + bottomRight);
    QCOMPARE(switchesInFocusOrder(rig_->screens.Fivefrm),
             topLeft + topRight + bottomRight + bottomLeft);
    for (TiSwitchRocker* rocker : rig_->screens.Thirdfrm->findChildren<TiSwitchRocker*>())
        QVERIFY(rocker->TabStop());
}

void FloorScreenTest::switch_withPortClosed_movesAndWaitsButColoursNothing()
{
    FloorScreen* screen = rig_->screens.Fourfrm;
    screen->show();
    auto* rocker = screen->findChild<TiSwitchRocker*>("iSwitchRocker17");
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(rocker, Qt::LeftButton, {}, rocker->rect().center());
    QVERIFY(clock.elapsed() > 2000);
    QVERIFY(rocker->Active());
    QCOMPARE(rocker->Cursor(), crDefault);
    for (TShape* shape : screen->findChildren<TShape*>())
        QCOMPARE(shape->Brush().Color, Lime);
}

void FloorScreenTest::shape_fillInsideABlackOutline()
{
    TShape shape;
    shape.resize(25, 21);
    QCOMPARE(shape.Brush().Color, Lime);
    QImage lime = shape.grab().toImage();
    QCOMPARE(lime.pixelColor(12, 10), QColor(0, 255, 0));
    shape.SetBrushColor(Red);
    QCOMPARE(shape.Brush().Color, Red);
    const QImage red = shape.grab().toImage();
    QCOMPARE(red.pixelColor(12, 10), QColor(255, 0, 0));
    QCOMPARE(red.pixelColor(1, 1), QColor(255, 0, 0));
    for (const QPoint& edge : {QPoint(0, 0), QPoint(24, 20), QPoint(12, 0), QPoint(0, 10),
                               QPoint(24, 10), QPoint(12, 20)})
        QCOMPARE(red.pixelColor(edge), QColor(Qt::black));
    shape.SetTag(3);
    QCOMPARE(shape.property("Tag").toInt(), 3);
}

namespace {
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
} // namespace

void FloorScreenTest::shape_repaintsOnlyWhenTheColourChanges()
{
    TShape shape;
    shape.resize(25, 21);
    PaintCounter counter;
    shape.installEventFilter(&counter);
    shape.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shape));
    QTRY_VERIFY(counter.paints > 0);
    // Only the repaints a recolouring asks for are delivered from here on, however late the
    // window system's own events come.
    const auto deliverRepaints = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    };
    deliverRepaints();
    const int before = counter.paints;
    shape.SetBrushColor(Lime);
    deliverRepaints();
    QCOMPARE(counter.paints, before);
    shape.SetBrushColor(Red);
    deliverRepaints();
    QVERIFY(counter.paints > before);
}

QTEST_MAIN(FloorScreenTest)
#include "tst_floorscreen.moc"
