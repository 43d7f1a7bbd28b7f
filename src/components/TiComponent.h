#pragma once

#include "components/TColor.h"
#include "components/TEvents.h"

#include <QFont>
#include <QMenu>
#include <QVariant>
#include <QWidget>

#include <memory>

class QPainter;

// Root of the instrument components: the published base properties, the repaint requests
// with their update lock and frame-rate limit, painting through an off-screen image, and the
// routing of mouse and key input into hooks that run in a fixed order around the user's
// handlers. A descendant supplies PaintTo; the windowed layer supplies the paint lock and
// the timer.
class TiComponent : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(QMenu* PopupMenu READ PopupMenu WRITE SetPopupMenu)
    Q_PROPERTY(
        bool OptionSaveAllProperties READ OptionSaveAllProperties WRITE SetOptionSaveAllProperties)
    Q_PROPERTY(bool AutoFrameRate READ AutoFrameRate WRITE SetAutoFrameRate)
    Q_PROPERTY(int UpdateFrameRate READ UpdateFrameRate WRITE SetUpdateFrameRate)
    Q_CLASSINFO("Default:Tag", "0")
    Q_CLASSINFO("Default:Cursor", "0")
    Q_CLASSINFO("Default:HelpContext", "0")
    Q_CLASSINFO("Default:Visible", "1")
    Q_CLASSINFO("Default:Enabled", "1")
    Q_CLASSINFO("Default:AutoFrameRate", "0")
    Q_CLASSINFO("Default:UpdateFrameRate", "60")

public:
    // Kinds of repaint request.
    static constexpr int RepaintContents = 0;
    static constexpr int RepaintBackGround = 1;

    explicit TiComponent(QWidget* parent = nullptr);
    ~TiComponent() override;

    QString Name() const;
    void SetName(const QString& value);
    int Tag() const;
    void SetTag(int value);
    int Left() const;
    void SetLeft(int value);
    int Top() const;
    void SetTop(int value);
    int Width() const;
    void SetWidth(int value);
    int Height() const;
    void SetHeight(int value);
    // Nothing happens when all four equal the current bounds.
    void SetBounds(int left, int top, int width, int height);
    // A TCursor.h id, or any other, which reads back as given and shows the arrow; crDefault
    // shows the parent's cursor.
    int Cursor() const;
    void SetCursor(int value);
    QString Hint() const;
    void SetHint(const QString& value);
    int HelpContext() const;
    void SetHelpContext(int value);
    bool Visible() const;
    void SetVisible(bool value);
    bool Enabled() const;
    void SetEnabled(bool value);
    bool ShowHint() const;
    void SetShowHint(bool value);
    QMenu* PopupMenu() const;
    void SetPopupMenu(QMenu* value);
    bool OptionSaveAllProperties() const;
    void SetOptionSaveAllProperties(bool value);
    bool AutoFrameRate() const;
    // Turning it off ends any update lock and shows what is pending.
    void SetAutoFrameRate(bool value);
    int UpdateFrameRate() const;
    void SetUpdateFrameRate(int value);

    TColor BackGroundColor() const;
    // Position in the focus chain among the parent's children that can hold the focus (other
    // instruments and widgets with a focus policy); -1 without a parent.
    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop() const;
    void SetTabStop(bool value);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;

    // Drags this component until the user drops or cancels: OnStartDrag first, OnEndDrag once
    // the drag is over. The component takes drops itself while its OnDragOver accepts them.
    void BeginDrag();

    bool UpdateLocked() const;
    bool RepaintPending() const;
    bool BackGroundPending() const;
    // Local time in days since 1899-12-30.
    double LastRepaintTime() const;
    quint8 BorderStyle() const;
    bool Focused() const;
    bool CachedDrawing() const;
    bool ErrorActive() const;
    // Switched by the data link's automatic error indication.
    Q_INVOKABLE void SetErrorActive(bool value);
    QString ErrorText() const;
    void SetErrorText(const QString& value);
    QFont ErrorFont() const;
    void SetErrorFont(const QFont& value);
    TColor ErrorFontColor() const;
    void SetErrorFontColor(TColor value);

    void InvalidateChange();
    void BackGroundChange();
    // Kinds other than RepaintContents and RepaintBackGround are ignored.
    void RequestRepaint(int kind);

    bool IsDesigning() const;
    void SetDesigning(bool value);
    // A layout reader brackets its assignments with these; change events stay silent between.
    void BeginLoad();
    void EndLoad();
    bool ChangeEventsSuppressed() const;

    virtual QPoint GetCenterPoint() const;
    virtual void SetCachedDrawing(bool value);
    virtual void SetBorderStyle(quint8 value);
    virtual void SetBackGroundColor(TColor value);
    virtual void OPCDataType(const QString& propertyName, quint16& varType);
    virtual bool TimerRunning() const = 0;
    virtual void TimerStart(int firstInterval, int repeatInterval) = 0;
    virtual void TimerStop() = 0;
    // Offers a changed property to the data link; true when it was written.
    virtual bool OPCOutputData(const QString& propertyName, const QVariant& value);
    virtual void PaintTo(QPainter& canvas) = 0;
    virtual void FullRepaint();
    // A single flag: a second BeginUpdate does not nest.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // The published properties as a text file (PropertiesFile.h); both raise
    // PropertiesFileError.
    virtual void SavePropertiesToFile(const QString& fileName);
    virtual void LoadPropertiesFromFile(const QString& fileName);

protected:
    virtual void DrawBackGround(QPainter& canvas, TColor color);
    virtual void DrawBorder(QPainter& canvas);
    virtual void DoSetFocus();
    virtual void DoKillFocus();
    virtual void iWantSpecialKey(quint16& charCode, qint32& result);
    virtual void iKeyUp(quint16& key, TShiftState shift);
    virtual void iKeyDown(quint16& key, TShiftState shift);
    virtual void iKeyPress(QChar& key);
    virtual void iMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void iMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void iMouseMove(TShiftState shift, int x, int y);
    virtual void iDoubleClick();
    virtual bool iMouseWheel(int wheelDelta, TShiftState shift, const QPoint& mousePos);

    // The bounds were applied, by SetBounds or by Qt's own geometry calls.
    virtual void boundsChanged();

    void setBooleanProperty(bool value, bool& field, int kind);
    void setIntegerProperty(int value, int& field, int kind);
    void setColorProperty(TColor value, TColor& field, int kind);
    void setCenterOffset(int x, int y);

    void paintBuffered(QPainter& canvas, const QRect& area);
    void paintDirect(QPainter& canvas);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Reaches the state tests look into.
    friend class ComponentAccess;
    struct Private;

    // A press or the second press of a double click: the hook, then the handler.
    void mouseDown(TMouseButton button, TShiftState shift, QPoint p);
    void dragOver(QDragMoveEvent* event, TDragState state);
    QList<QWidget*> tabSiblings() const;

    std::unique_ptr<Private> d;
};
