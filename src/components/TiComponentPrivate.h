#pragma once

#include "components/KeyRepeatFilter.h"
#include "components/RepaintScheduler.h"
#include "components/TCursor.h"
#include "components/TiComponent.h"

#include <QPointer>

#include <memory>

// The state of a TiComponent, shared by the files that implement its parts.
struct TiComponent::Private
{
    explicit Private(TiComponent* component)
        : repaints(LocalTimeInDays, [component] { component->update(); })
    {}

    int tag = 0;
    int cursorId = crDefault;
    int helpContext = 0;
    bool showHint = false;
    QPointer<QMenu> popupMenu;

    RepaintScheduler repaints;
    TColor backGroundColor = clBtnFace;
    quint8 borderStyle = 0;
    int centerOffsetX = 0;
    int centerOffsetY = 0;
    bool focused = false;
    bool cachedDrawing = true;
    bool optionSaveAllProperties = false;
    bool errorActive = false;
    QString errorText = QStringLiteral("Error");
    QFont errorFont;
    TColor errorFontColor = clRed;

    bool loading = false;
    bool designing = false;
    // A left press began a click that its release may complete.
    bool clicked = false;
    // The drag over the component, as its last drag event gave it.
    QPointer<QObject> dragSource;
    QPoint dragPosition;
    bool dragAccepted = false;
    QRect appliedBounds;
    std::unique_ptr<KeyRepeatFilter> keyRepeat;
};
