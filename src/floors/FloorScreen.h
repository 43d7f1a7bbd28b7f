#pragma once

#include <QWidget>

#include "floors/FloorTable.h"
#include "floors/ScreenSet.h"

class QMenu;

// The one design of all five floor screens, built from the floor table: four controller
// panels, the navigation group, the title and the pop-up menu. A top-level window without a
// Close command, created hidden. The screen keeps no state beyond its controls.
class FloorScreen : public QWidget
{
    Q_OBJECT

public:
    int Floor() const { return floor_; }

    // Change handlers of the switches of the top-left, top-right, bottom-left and bottom-right
    // panel; the sender is the switch.
    void iSwitchRocker1Change(QObject* sender);
    void iSwitchRocker11Change(QObject* sender);
    void iSwitchRocker6Change(QObject* sender);
    void iSwitchRocker18Change(QObject* sender);

    // Reads the current state of the floor's four controllers.
    void N1Click(QObject* sender);
    // Runs whenever the screen is shown: takes the Close command away again.
    void FormShow(QObject* sender);

    void Label26Click(QObject* sender);
    void Label27Click(QObject* sender);
    void Label28Click(QObject* sender);
    void Label29Click(QObject* sender);
    void Label38Click(QObject* sender);

    void setVisible(bool visible) override;

protected:
    FloorScreen(ScreenSet& screens, int floor);

    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    ScreenSet& screens_;

private:
    void buildTitle();
    void buildNavigationGroup();
    void buildPanels();
    void buildPopupMenu();
    void switchChanged(PanelPosition position, QObject* sender);
    void goToFloorBy(const char* labelName);

    const int floor_;
    QMenu* PopupMenu1 = nullptr;
};
