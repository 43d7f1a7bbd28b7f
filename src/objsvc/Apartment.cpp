#include "objsvc/Apartment.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

void ApartmentQueue::Run(std::function<void()> call)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application ||
        (QThread::currentThread() == application->thread() && queued_->load() == 0)) {
        call();
        return;
    }
    ++*queued_;
    QMetaObject::invokeMethod(
        application,
        [queued = queued_, call = std::move(call)] {
            --*queued;
            call();
        },
        Qt::QueuedConnection);
}

void RaiseInApartment(std::exception_ptr error)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            application, [error] { std::rethrow_exception(error); }, Qt::QueuedConnection);
}
