// The program's main window on the simulated stimulators: panels follow the
// devices the simulator reports, as they are plugged in and pulled out.
#include "FMainU.h"

#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int32_t FirstDefault = 0x00A1B201;
constexpr int32_t SecondDefault = 0x00A1B214;
constexpr int32_t Plugged = 0x42;
// Generous: the simulator and the program share a busy machine.
constexpr int Patience = 20000;

QList<int32_t> PanelIDs(const TForm1 &form)
{
    QList<int32_t> ids;
    for (const auto &panel : form.DeviceFrames())
        ids.append(panel->DeviceID());
    return ids;
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void panelsFollowDevices();
};

void TestEndToEnd::panelsFollowDevices()
{
    // The simulator reads its scenario when the window initialises it.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString scenario = dir.filePath(QStringLiteral("plug.scn"));
    QFile file(scenario);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("@1 plug 0x42 1.0.0.0\n@4 unplug 0x42\n");
    file.close();
    qputenv("PXV57_SIM_SCENARIO", scenario.toLocal8Bit());

    TForm1 form;
    form.show();
    QTRY_COMPARE_WITH_TIMEOUT(form.sbStatus->currentMessage(),
                              QStringLiteral("API library Initialised."), Patience);

    QTRY_VERIFY_WITH_TIMEOUT(PanelIDs(form).contains(FirstDefault)
                                 && PanelIDs(form).contains(SecondDefault),
                             Patience);
    QVERIFY(form.imgSpinner->isHidden());
    const auto *panel = form.findChild<QWidget *>("FDeviceFrame00A1B201");
    QVERIFY(panel);
    const auto *version = panel->findChild<QLabel *>("lblVersionID");
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Version : 1.4.0.12"));

    QTRY_COMPARE_WITH_TIMEOUT(PanelIDs(form), QList<int32_t>({Plugged, FirstDefault, SecondDefault}),
                              Patience);
    QTRY_COMPARE_WITH_TIMEOUT(PanelIDs(form), QList<int32_t>({FirstDefault, SecondDefault}),
                              Patience);
    QCOMPARE(form.sbStatus->currentMessage(), QStringLiteral("API library Initialised."));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_EndToEnd.moc"
