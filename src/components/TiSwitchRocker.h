#pragma once

#include "components/TiVCLComponent.h"

// The on/off rocker switch with a lamp-like indicator. The left mouse button or the space bar
// flips Active; so can program code. Every change fires OnChange, a change made by the user
// fires OnChangeUser too.
class TiSwitchRocker : public TiVCLComponent
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(
        TiMouseControlStyle MouseControlStyle READ MouseControlStyle WRITE SetMouseControlStyle)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE SetShowFocusRect)
    Q_PROPERTY(int IndicatorActiveColor READ IndicatorActiveColor WRITE SetIndicatorActiveColor)
    Q_PROPERTY(int IndicatorMargin READ IndicatorMargin WRITE SetIndicatorMargin)
    Q_PROPERTY(int BorderMargin READ BorderMargin WRITE SetBorderMargin)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(int BackGroundColor READ BackGroundColor WRITE SetBackGroundColor)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_CLASSINFO("Default:Active", "0")
    Q_CLASSINFO("Default:MouseControlStyle", "0")
    Q_CLASSINFO("Default:ShowFocusRect", "1")
    Q_CLASSINFO("Default:IndicatorActiveColor", "65280")
    Q_CLASSINFO("Default:IndicatorMargin", "3")
    Q_CLASSINFO("Default:BorderMargin", "2")
    Q_CLASSINFO("Default:TabOrder", "-1")
    Q_CLASSINFO("Default:TabStop", "1")
    Q_CLASSINFO("Default:BackGroundColor", "-2147483633")
    Q_CLASSINFO("Default:Transparent", "0")
    Q_CLASSINFO("Default:Width", "25")
    Q_CLASSINFO("Default:Height", "50")

public:
    enum TiMouseControlStyle
    {
        imcsClickAnyWhere,
        imcsClickIndicator
    };
    Q_ENUM(TiMouseControlStyle)

    explicit TiSwitchRocker(QWidget* parent = nullptr);
    ~TiSwitchRocker() override;

    bool Active() const;
    // An unchanged value does nothing; a change repaints, fires the change events and is
    // offered to the data link.
    void SetActive(bool value);
    TiMouseControlStyle MouseControlStyle() const;
    void SetMouseControlStyle(TiMouseControlStyle value);
    bool ShowFocusRect() const;
    void SetShowFocusRect(bool value);
    TColor IndicatorActiveColor() const;
    void SetIndicatorActiveColor(TColor value);
    int IndicatorMargin() const;
    void SetIndicatorMargin(int value);
    int BorderMargin() const;
    void SetBorderMargin(int value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChangeUser;

    bool MouseArmed() const;
    bool KeyArmed() const;
    bool UserChange() const;

    // Where a press arms the switch in imcsClickIndicator style: the half that would move.
    QRect GetPressRect() const;

    void PaintTo(QPainter& canvas) override;

protected:
    void iMouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void iMouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void iKeyDown(quint16& key, TShiftState shift) override;
    void iKeyUp(quint16& key, TShiftState shift) override;
    void DoKillFocus() override;

private:
    // Its toggle action is the user's toggle.
    friend class TiSwitchRockerAccessible;
    struct Private;

    void DoChange();
    void userToggle();

    std::unique_ptr<Private> d;
};
