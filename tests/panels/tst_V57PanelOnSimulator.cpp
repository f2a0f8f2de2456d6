// The stimulator panel in the real program on the simulated stimulators: an
// operator's click reaches the device, and what the device does at its own
// front panel reaches the operator's screen. The device's side is read and
// turned through the simulator's control socket.
#include "FMainU.h"
#include "SimulatorSocket.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int32_t Device = 0x00A1B201;
// Generous: the simulator and the program share a busy machine.
constexpr int Patience = 20000;

// The value of one setting of the device, as the simulator holds it.
QString DeviceValue(const QString &socketPath, const QString &name)
{
    return SimulatorSocket::State(socketPath.toLocal8Bit(), Device).value(name);
}

} // namespace

class TestV57PanelOnSimulator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { form.reset(); }

    void clickReachesDevice_data();
    void clickReachesDevice();
    void instrumentChangeReachesPanel();

private:
    QWidget *Control(const QString &name) const
    {
        const QString panelName = QStringLiteral("FDeviceFrame")
                                  + QString::number(Device, 16).toUpper().rightJustified(8, '0');
        QWidget *panel = form->findChild<QWidget *>(panelName);
        return panel ? panel->findChild<QWidget *>(name) : nullptr;
    }

    QTemporaryDir dir;
    QString socketPath;
    std::unique_ptr<TForm1> form;
};

void TestV57PanelOnSimulator::initTestCase()
{
    QVERIFY(dir.isValid());
    socketPath = dir.filePath(QStringLiteral("v57.sock"));
    qputenv("PXV57_SIM_SOCKET", socketPath.toLocal8Bit());
    qunsetenv("PXV57_SIM_SCENARIO");
    // One session for all: the library takes one initialise per process
    // until it is closed. It starts with the simulator's two default devices.
    form = std::make_unique<TForm1>();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTRY_VERIFY_WITH_TIMEOUT(Control(QStringLiteral("pnlDEMAND1")), Patience);
}

void TestV57PanelOnSimulator::clickReachesDevice_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("change");
    QTest::newRow("demand +100") << QStringList{"pnlDEMAND3", "btnDemandInc3"} << "demand" << 100;
    QTest::newRow("duration -10") << QStringList{"pnlWIDTH2", "btnWidthDec2"} << "width" << -10;
    QTest::newRow("dwell +100") << QStringList{"pnlDWELL3", "btnDwellInc3"} << "dwell" << 100;
    QTest::newRow("output enabled") << QStringList{"rgOutput_Enabled"} << "output" << 1;
    // A pulse needs the output on.
    QTest::newRow("trigger") << QStringList{"rgOutput_Enabled", "btnTrigger"} << "CPulse" << 1;
}

void TestV57PanelOnSimulator::clickReachesDevice()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, setting);
    QFETCH(int, change);
    const QString before = DeviceValue(socketPath, setting);
    QVERIFY(!before.isEmpty());
    const QString value = QString::number(before.toInt() + change);
    for (const QString &name : clicks) {
        QWidget *control = Control(name);
        QVERIFY2(control && control->isVisible(), qPrintable(name));
        QTest::mouseClick(control, Qt::LeftButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(DeviceValue(socketPath, setting), value, Patience);
    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("API library Initialised."));
}

void TestV57PanelOnSimulator::instrumentChangeReachesPanel()
{
    QCOMPARE(SimulatorSocket::Ask(socketPath.toLocal8Bit(),
                                  QStringLiteral("set %1 demand 1234").arg(SimulatorSocket::DeviceName(Device))),
             QStringLiteral("ok"));
    const QStringList row{"pnlDEMAND5", "pnlDEMAND4", "pnlDEMAND3", "pnlDEMAND2", "pnlDEMAND1"};
    const auto shown = [&] {
        QString text;
        for (const QString &name : row)
            text += static_cast<QLabel *>(Control(name))->text();
        return text;
    };
    QTRY_COMPARE_WITH_TIMEOUT(shown(), QStringLiteral("01234"), Patience);
}

QTEST_MAIN(TestV57PanelOnSimulator)
#include "tst_V57PanelOnSimulator.moc"
