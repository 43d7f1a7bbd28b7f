// The port dialog names, as warnings on standard error, the ports it leaves out for a reason
// the operator can act on: once each time it is shown, none for an absent device, and its list
// stays what it was.

#include "support/PtyPair.h"

#include "app/TSetfrm.h"

#include <QComboBox>
#include <QFile>
#include <QTest>

namespace {

QStringList warnings;
QtMessageHandler testLog = nullptr;

void recordPortWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg && qstrcmp(context.category, "quelvane.ports") == 0)
        warnings << text;
    else
        testLog(type, context, text);
}

QStringList listed(const TSetfrm& dialog)
{
    QStringList names;
    for (int i = 0; i < dialog.ComboBox1->count(); ++i)
        names << dialog.ComboBox1->itemText(i);
    return names;
}

const QString com3 = "COM3 (/dev/null) is not listed: not a terminal, so not a serial port";
const QString com4 = "COM4 (/dev/zero) is not listed: not a terminal, so not a serial port";

} // namespace

class TestPortWarnings : public QObject
{
    Q_OBJECT

    PtyPair com1;

private slots:
    void initTestCase()
    {
        QVERIFY(com1.IsOpen());
        qputenv("QUELVANE_COM1", QFile::encodeName(com1.SlavePath()));
        qputenv("QUELVANE_COM2", "/nonexistent/quelvane-tty");
        qputenv("QUELVANE_COM3", "/dev/null");
        qputenv("QUELVANE_COM4", "/dev/zero");
        testLog = qInstallMessageHandler(recordPortWarnings);
    }
    void cleanupTestCase() { qInstallMessageHandler(testLog); }
    void init() { warnings.clear(); }

    void eachShowingNamesEachPortLeftOutOnce()
    {
        TSetfrm dialog;
        dialog.show();
        QCOMPARE(listed(dialog), QStringList{"COM1"});
        QCOMPARE(warnings, (QStringList{com3, com4}));
        dialog.hide();
        dialog.show();
        QCOMPARE(listed(dialog), QStringList{"COM1"});
        QCOMPARE(warnings, (QStringList{com3, com4, com3, com4}));
    }

    void aMinimizedDialogRestoredIsNoNewShowing()
    {
        TSetfrm dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.ComboBox1->setCurrentIndex(0);
        // Qt tells a window that comes back from being minimized with a spontaneous show.
        dialog.setWindowState(Qt::WindowMinimized);
        dialog.setWindowState(Qt::WindowNoState);
        QCOMPARE(warnings, (QStringList{com3, com4}));
        QCOMPARE(dialog.SelectedPort(), 1);
    }
};

QTEST_MAIN(TestPortWarnings)
#include "tst_portwarnings.moc"
