// The error path of system calls on the open device: which errors mean a lost device, what each
// named outcome does with them, the EINTR retry, and the descriptor's owner.

#include "serial/DeviceErrors.h"
#include "serial/RetryOnInterrupt.h"
#include "serial/UniqueFd.h"

#include <QTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Each errno with whether it means the device is lost.
void addErrorRows()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<bool>("lost");
    QTest::newRow("EIO") << EIO << true;
    QTest::newRow("ENXIO") << ENXIO << true;
    QTest::newRow("ENODEV") << ENODEV << true;
    QTest::newRow("EAGAIN") << EAGAIN << false;
    QTest::newRow("EINTR") << EINTR << false;
    QTest::newRow("EACCES") << EACCES << false;
    QTest::newRow("EBADF") << EBADF << false;
}

bool isOpenFd(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

} // namespace

class TestDeviceErrors : public QObject
{
    Q_OBJECT

    QList<int> lostCalls_;
    std::unique_ptr<DeviceErrors> errors_;

    // A call that fails with err through `outcome` must throw the device's message for it.
    template <typename Outcome> void verifyThrowsMessage(Outcome outcome, int err)
    {
        try {
            outcome(err);
            QFAIL("no CommError thrown");
        } catch (const CommError& error) {
            QCOMPARE(error.SystemError(), err);
            QCOMPARE(error.Message(), QStringLiteral("COM3 (/dev/ttyS2): cannot go: ") +
                                          QString::fromLocal8Bit(std::strerror(err)));
        }
    }

private slots:
    void init()
    {
        lostCalls_.clear();
        errors_ = std::make_unique<DeviceErrors>([this](int err) { lostCalls_ << err; });
        errors_->SetLabel(QStringLiteral("COM3 (/dev/ttyS2)"));
    }

    void absorbLost_returnsForALostDeviceAndThrowsEverythingElse_data() { addErrorRows(); }

    void absorbLost_returnsForALostDeviceAndThrowsEverythingElse()
    {
        QFETCH(int, err);
        QFETCH(bool, lost);
        if (lost) {
            errors_->AbsorbLost(QStringLiteral("cannot go"), err);
            QCOMPARE(lostCalls_, QList<int>{err});
            QCOMPARE(errors_->LostError(), err);
        } else {
            verifyThrowsMessage(
                [this](int e) { errors_->AbsorbLost(QStringLiteral("cannot go"), e); }, err);
            QVERIFY(lostCalls_.isEmpty());
            QCOMPARE(errors_->LostError(), 0);
        }
        QCOMPARE(errors_->Lost(), lost);
    }

    void markLostAndThrow_throwsEitherWayAndMarksOnlyALostDevice_data() { addErrorRows(); }

    void markLostAndThrow_throwsEitherWayAndMarksOnlyALostDevice()
    {
        QFETCH(int, err);
        QFETCH(bool, lost);
        verifyThrowsMessage(
            [this](int e) { errors_->MarkLostAndThrow(QStringLiteral("cannot go"), e); }, err);
        QCOMPARE(errors_->Lost(), lost);
        QCOMPARE(lostCalls_, lost ? QList<int>{err} : QList<int>{});
    }

    void markLost_tellsOnceAndKeepsTheFirstErrorUntilReset()
    {
        errors_->MarkLost(EIO);
        errors_->AbsorbLost(QStringLiteral("cannot go"), ENXIO);
        QCOMPARE(lostCalls_, QList<int>{EIO});
        QCOMPARE(errors_->LostError(), EIO);

        errors_->Reset();
        QVERIFY(!errors_->Lost());
        QCOMPARE(errors_->LostError(), 0);
        QCOMPARE(errors_->Label(), QStringLiteral("COM3 (/dev/ttyS2)"));

        errors_->MarkLost(ENODEV);
        QCOMPARE(lostCalls_, (QList<int>{EIO, ENODEV}));
    }

    void retryOnInterrupt_repeatsOnlyWhileInterrupted()
    {
        int calls = 0;
        const int answered = RetryOnInterrupt([&] {
            ++calls;
            if (calls < 3) {
                errno = EINTR;
                return -1;
            }
            return 7;
        });
        QCOMPARE(answered, 7);
        QCOMPARE(calls, 3);

        calls = 0;
        const ssize_t failed = RetryOnInterrupt([&] {
            ++calls;
            errno = EAGAIN;
            return ssize_t(-1);
        });
        QCOMPARE(failed, ssize_t(-1));
        QCOMPARE(calls, 1);
        QCOMPARE(errno, EAGAIN);
    }

    void uniqueFd_closesOnceWhenReplacedOrGone()
    {
        int ends[2];
        QCOMPARE(::pipe(ends), 0);
        {
            UniqueFd reader(ends[0]);
            UniqueFd writer(ends[1]);
            UniqueFd moved(std::move(writer));
            QVERIFY(!writer.IsValid());
            QCOMPARE(moved.Get(), ends[1]);
            reader = std::move(moved); // closes the reader, takes the writer
            QVERIFY(!isOpenFd(ends[0]));
            QVERIFY(isOpenFd(ends[1]));
        }
        QVERIFY(!isOpenFd(ends[1]));
    }
};

QTEST_GUILESS_MAIN(TestDeviceErrors)
#include "tst_deviceerrors.moc"
