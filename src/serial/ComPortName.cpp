#include "serial/ComPortName.h"

#include <QByteArray>
#include <QtGlobal>

QString ComPortName(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

QString ComPortDevice(int n)
{
    const QByteArray variable = QByteArrayLiteral("QUELVANE_COM") + QByteArray::number(n);
    const QString named = qEnvironmentVariable(variable.constData());
    if (!named.isEmpty())
        return named;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}
