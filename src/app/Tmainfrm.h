#pragma once

#include <array>
#include <memory>

#include <QMainWindow>

#include "floors/ScreenSet.h"
#include "link/ControllerLink.h"
#include "link/IndicatorLookup.h"
#include "serial/TMSComm.h"

class QAction;
class QMenu;
class ClickLabel;
class TShape;
class TiSwitchRocker;

// The main screen: controller 1's five relays, the way to the floors, the port settings and
// the status refresh. It owns the serial control Comm1 and the link to the relay boards.
class Tmainfrm : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tmainfrm(ScreenSet& screens);
    ~Tmainfrm() override;

    TMSComm Comm1;

    ControllerLink& Link() { return link_; }
    bool PortReady() const { return link_.PortReady(); }

    // The main screen's link operations, offered to the other screens.
    void SendFrame(const std::uint8_t* bytes, std::uint16_t count);
    bool PumpWait(std::int32_t ms);
    void RequestStatus(std::uint8_t address);
    bool OpenPort(std::uint8_t port, int baud);
    void ClosePort();

    void FormCreate(QObject* sender);
    void FormClose(QObject* sender);
    void iSwitchRocker1Change(QObject* sender);
    void Label7Click(QObject* sender);
    void Label8Click(QObject* sender);
    void Label9Click(QObject* sender);
    void Label10Click(QObject* sender);
    void Label11Click(QObject* sender);
    void N1Click(QObject* sender);
    void N2Click(QObject* sender);

    // Shows the warning after a failed open; tests replace it.
    std::function<void(const QString& text)> ShowOpenWarning;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void goToFloor(int floor, QObject* sender);

    ScreenSet& screens_;
    IndicatorLookup indicators_;
    ControllerLink link_;
    std::array<TShape*, 5> shapes_{};
    std::array<TiSwitchRocker*, 5> switches_{};
    std::array<ClickLabel*, 5> floorLabels_{};
    QMenu* PopupMenu1 = nullptr;
};
