// The stimulator panel in the real program on the simulated stimulators: an
// operator's click reaches the device, and what the device does at its own
// front panel reaches the operator's screen. The device's side is read and
// turned through the simulator's control socket.
#include "FMainU.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int32_t Device = 0x00A1B201;
const QString DeviceName = QStringLiteral("0x00A1B201");
// Generous: the simulator and the program share a busy machine.
constexpr int Patience = 20000;

// One line to the control socket and its one-line answer.
QString Ask(const QString &socketPath, const QString &line)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return {};
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socketPath.toLocal8Bit();
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    // A simulator that stopped answering fails the test rather than hanging it.
    const timeval patience{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    QByteArray answer;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
        const QByteArray request = line.toUtf8() + '\n';
        if (::write(fd, request.constData(), std::size_t(request.size())) == request.size()) {
            char c = 0;
            while (::read(fd, &c, 1) == 1 && c != '\n')
                answer.append(c);
        }
    }
    ::close(fd);
    return QString::fromUtf8(answer);
}

// The value of one name=value word of the device's state, as the simulator holds it.
QString DeviceValue(const QString &socketPath, const QString &name)
{
    const QStringList words = Ask(socketPath, QStringLiteral("state ") + DeviceName).split(' ');
    for (const QString &word : words) {
        if (word.startsWith(name + '='))
            return word.mid(name.size() + 1);
    }
    return {};
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
    QCOMPARE(Ask(socketPath, QStringLiteral("set ") + DeviceName + QStringLiteral(" demand 1234")),
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
