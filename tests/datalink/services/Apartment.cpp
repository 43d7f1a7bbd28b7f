#include "services/Apartment.h"

#include <QCoreApplication>
#include <QMetaObject>

void PostToApartment(std::function<void()> call)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}
