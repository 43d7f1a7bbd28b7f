#include "floors/FloorScreen.h"

#include <stdexcept>

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

#include "components/TColor.h"
#include "components/TiSwitchRocker.h"
#include "floors/BevelPanel.h"
#include "floors/ClickLabel.h"
#include "floors/ControllerPanel.h"
#include "floors/DesignerFont.h"
#include "floors/FloorLayout.h"
#include "floors/Navigation.h"
#include "floors/NavigationLabels.h"
#include "floors/OuterRectFit.h"
#include "floors/ScopedCursor.h"
#include "floors/TShape.h"
#include "link/ControllerLink.h"
#include "link/IndicatorLookup.h"
#include "link/SwitchAndConfirm.h"

namespace {
constexpr int WindowFontPixels = 11;
constexpr int TitlePixels = 24;
constexpr int NavigationPixels = 16;

// Ordinary resizable window with minimise and maximise buttons, but without Close.
constexpr Qt::WindowFlags FloorWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowMinMaxButtonsHint;

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}
} // namespace

FloorScreen::FloorScreen(ScreenSet& screens, int floor)
    : QWidget(nullptr, FloorWindowFlags), screens_(screens), floor_(floor)
{
    if (screens_.indicators == nullptr)
        throw std::logic_error("floor screens need the indicator look-up");
    const FloorRow& row = FloorRowOf(floor);
    const FloorGeometry& geometry = FloorGeometryOf(floor);
    setObjectName(QString::fromLatin1(row.instanceName));
    setWindowTitle(QString::fromUtf8(row.windowCaption));
    // Closing the main screen ends the program even while a floor screen is shown.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(DesignerFont(SansSerifFamily, WindowFontPixels));
    QPalette background = palette();
    background.setColor(QPalette::Window, ToQColor(clBtnFace));
    setPalette(background);
    setAutoFillBackground(true);
    move(geometry.windowPosition);
    resize(geometry.outerSize);
    new OuterRectFit(*this, QRect(geometry.windowPosition, geometry.outerSize));

    buildTitle();
    buildNavigationGroup();
    buildPanels();
    buildPopupMenu();
}

void FloorScreen::buildTitle()
{
    auto* title = new QLabel(QString::fromUtf8(FloorRowOf(floor_).titleCaption), this);
    title->setObjectName(QStringLiteral("Label25"));
    title->setFont(DesignerFont(SerifFamily, TitlePixels));
    title->setGeometry(QRect(FloorGeometryOf(floor_).titlePosition, TitleSize));
}

void FloorScreen::buildNavigationGroup()
{
    using Handler = void (FloorScreen::*)(QObject*);
    static constexpr std::array<Handler, 5> Handlers{
        &FloorScreen::Label26Click, &FloorScreen::Label27Click, &FloorScreen::Label28Click,
        &FloorScreen::Label29Click, &FloorScreen::Label38Click};

    auto* group = new QGroupBox(QStringLiteral("楼层切换"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setFont(DesignerFont(SerifFamily, NavigationPixels));
    group->setGeometry(NavigationGroup);
    for (std::size_t i = 0; i < NavigationLabels.size(); ++i) {
        const NavigationLabelRow& row = NavigationLabels[i];
        auto* label = new ClickLabel(group);
        label->setObjectName(QString::fromLatin1(row.name));
        label->setText(NavigationCaption(floor_, row));
        label->setFont(DesignerFont(SerifFamily, NavigationPixels));
        setTextColor(label, ToQColor(row.color));
        label->setGeometry(row.rect);
        label->setCursor(Qt::PointingHandCursor);
        label->OnClick = [this, handler = Handlers[i]](QObject* sender) {
            (this->*handler)(sender);
        };
    }
}

void FloorScreen::buildPanels()
{
    const FloorGeometry& geometry = FloorGeometryOf(floor_);
    auto* back = new BevelPanel(BevelPanel::Bevel::Raised, std::nullopt, this);
    back->setObjectName(QStringLiteral("Panel5"));
    back->setGeometry(geometry.backPanel);

    using Handler = void (FloorScreen::*)(QObject*);
    static constexpr std::array<Handler, PanelsPerFloor> Handlers{
        &FloorScreen::iSwitchRocker1Change, &FloorScreen::iSwitchRocker11Change,
        &FloorScreen::iSwitchRocker6Change, &FloorScreen::iSwitchRocker18Change};

    std::array<ControllerPanel*, PanelsPerFloor> panels{};
    for (PanelPosition position : PanelPositions) {
        const Handler handler = Handlers[std::size_t(position)];
        auto* panel = new ControllerPanel(
            floor_, position, [this, handler](QObject* sender) { (this->*handler)(sender); }, this);
        panels[std::size_t(position)] = panel;
        const std::vector<TShape*>& shapes = panel->Indicators();
        screens_.indicators->Register(panel->Address(),
                                      std::vector<IndicatorShape*>(shapes.begin(), shapes.end()));
    }

    QWidget* previous = nullptr;
    for (PanelPosition position : geometry.panelFocusOrder) {
        const ControllerPanel* panel = panels[std::size_t(position)];
        for (int column : ColumnFocusOrder(int(panel->Switches().size()))) {
            QWidget* next = panel->Switches()[std::size_t(column - 1)];
            if (previous)
                QWidget::setTabOrder(previous, next);
            previous = next;
        }
    }
}

void FloorScreen::buildPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto* item = PopupMenu1->addAction(QString::fromUtf8(FloorRowOf(floor_).popupCaption));
    item->setObjectName(QStringLiteral("N1"));
    connect(item, &QAction::triggered, this, [this, item] { N1Click(item); });
}

void FloorScreen::iSwitchRocker1Change(QObject* sender)
{
    switchChanged(PanelPosition::TopLeft, sender);
}

void FloorScreen::iSwitchRocker11Change(QObject* sender)
{
    switchChanged(PanelPosition::TopRight, sender);
}

void FloorScreen::iSwitchRocker6Change(QObject* sender)
{
    switchChanged(PanelPosition::BottomLeft, sender);
}

void FloorScreen::iSwitchRocker18Change(QObject* sender)
{
    switchChanged(PanelPosition::BottomRight, sender);
}

void FloorScreen::switchChanged(PanelPosition position, QObject* sender)
{
    auto* panel = findChild<ControllerPanel*>(QString::fromLatin1(PanelRowOf(position).panelName));
    const ScopedCursor busy(Qt::WaitCursor, {qobject_cast<QWidget*>(sender), panel});
    SwitchAndConfirm(*screens_.link, std::uint8_t(panel->Address()), sender, FloorRelayBits);
}

void FloorScreen::N1Click(QObject*)
{
    const ScopedCursor busy(Qt::BusyCursor, {this});
    RequestFloorStatus(*screens_.link, floor_);
}

void FloorScreen::FormShow(QObject*)
{
    const Qt::WindowFlags flags =
        (windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint;
    if (flags != windowFlags())
        setWindowFlags(flags);
}

void FloorScreen::Label26Click(QObject*)
{
    goToFloorBy("Label26");
}

void FloorScreen::Label27Click(QObject*)
{
    goToFloorBy("Label27");
}

void FloorScreen::Label28Click(QObject*)
{
    goToFloorBy("Label28");
}

void FloorScreen::Label29Click(QObject*)
{
    goToFloorBy("Label29");
}

void FloorScreen::Label38Click(QObject*)
{
    GoToMainScreen(screens_, this);
}

void FloorScreen::goToFloorBy(const char* labelName)
{
    const QString name = QString::fromLatin1(labelName);
    GoToFloor(screens_, this, findChild<ClickLabel*>(name), *NavigationTarget(floor_, name));
}

void FloorScreen::setVisible(bool visible)
{
    if (visible && !isVisible())
        FormShow(this);
    QWidget::setVisible(visible);
}

void FloorScreen::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void FloorScreen::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu1->popup(event->globalPos());
}
