#include "app/DesktopPlatform.h"

#include <QByteArray>
#include <QtGlobal>

void ChooseDesktopPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb;wayland"));
}
