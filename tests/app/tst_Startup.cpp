#include "FMainU.h"
#include "V57Double.h"

#include <QStatusBar>
#include <QTest>
#include <QTimer>

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { V57Double::Reset(); }
    void acceptedAndReady();
};

void TestStartup::acceptedAndReady()
{
    TForm1 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Pellix Control Panel"));
    QCOMPARE(V57Double::InitialiseCalls(), 1);
    QVERIFY(form.sbStatus->currentMessage().isEmpty());
    V57Double::CompleteInitialise(0);
    QTRY_COMPARE(form.sbStatus->currentMessage(), QStringLiteral("API library Initialised."));
    QVERIFY(form.tmrPoll->isActive());
}

QTEST_MAIN(TestStartup)
#include "tst_Startup.moc"
