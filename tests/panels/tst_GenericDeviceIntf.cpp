// The header every device panel shows, and the generic panel's geometry.
#include "FGenericDeviceInftU.h"
#include "FV57ControlFormU.h"
#include "StimulatorRecord.h"

#include <QLabel>
#include <QTest>

#include <vector>

namespace {

std::vector<uint8_t> Record(int32_t id, uint32_t version)
{
    std::vector<uint8_t> record(StimulatorRecord::Size, 0);
    DeviceBlock::SetWord(record.data(), StimulatorRecord::DeviceID, id);
    DeviceBlock::SetWord(record.data(), StimulatorRecord::VersionID, int32_t(version));
    return record;
}

QString Text(const QWidget &panel, const char *label)
{
    return panel.findChild<QLabel *>(QLatin1String(label))->text();
}

} // namespace

class TestGenericDeviceIntf : public QObject {
    Q_OBJECT

private slots:
    void layoutTexts();
    void header_data();
    void header();
    void headerFixedAtCreation();
    void versionStaysRightAligned();
};

void TestGenericDeviceIntf::layoutTexts()
{
    TFGenericDeviceIntf panel;
    QCOMPARE(panel.DeviceID(), 0);
    QCOMPARE(panel.size(), QSize(405, 212));
    QCOMPARE(Text(panel, "lblDeviceTitle"), QStringLiteral("Device ID :"));
    QCOMPARE(Text(panel, "lblSN"), QStringLiteral("lblSN"));
    QCOMPARE(Text(panel, "lblVersionID"), QStringLiteral("Version :"));
}

void TestGenericDeviceIntf::header_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<uint>("version");
    QTest::addColumn<QString>("idText");
    QTest::addColumn<QString>("versionText");
    QTest::newRow("7, 1.2.3.4") << 7 << 0x01020304u << "7" << "Version : 1.2.3.4";
    QTest::newRow("negative, version 0") << -5 << 0u << "-5" << "Version : 0.0.0.0";
    QTest::newRow("lowest, all ones") << int(INT32_MIN) << 0xFFFFFFFFu << "-2147483648"
                                      << "Version : 255.255.255.255";
    QTest::newRow("serial number") << 0x00A1B201 << 0x0104000Cu << "10596865" << "Version : 1.4.0.12";
}

// The stimulator panel runs the generic header through its own override.
void TestGenericDeviceIntf::header()
{
    QFETCH(int, id);
    QFETCH(uint, version);
    QFETCH(QString, idText);
    QFETCH(QString, versionText);
    const auto record = Record(id, version);
    TFGenericDeviceIntf generic;
    TFV57ControlForm stimulator;
    for (TFGenericDeviceIntf *panel : {&generic, static_cast<TFGenericDeviceIntf *>(&stimulator)}) {
        panel->OnCreate(record.data());
        QCOMPARE(panel->DeviceID(), id);
        QCOMPARE(Text(*panel, "lblSN"), idText);
        QCOMPARE(Text(*panel, "lblVersionID"), versionText);
    }
    const QFont versionFont = stimulator.findChild<QLabel *>("lblVersionID")->font();
    QCOMPARE(versionFont.pointSize(), 8);
}

void TestGenericDeviceIntf::headerFixedAtCreation()
{
    TFV57ControlForm panel;
    const auto first = Record(7, 0x01020304);
    panel.OnCreate(first.data());
    panel.SetDeviceState(first.data());
    const auto later = Record(7, 0x05060708);
    panel.SetDeviceState(later.data());
    QCOMPARE(Text(panel, "lblVersionID"), QStringLiteral("Version : 1.2.3.4"));
}

// A longer version text grows leftwards: its right edge keeps 18 pixels from
// the right end of the header, on the generic and the wider stimulator panel.
void TestGenericDeviceIntf::versionStaysRightAligned()
{
    TFGenericDeviceIntf generic;
    TFV57ControlForm stimulator;
    const auto record = Record(1, 0xFFFFFFFF);
    for (TFGenericDeviceIntf *panel : {&generic, static_cast<TFGenericDeviceIntf *>(&stimulator)}) {
        panel->OnCreate(record.data());
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        const QWidget *container = panel->findChild<QWidget *>("pnlVerContr");
        const QLabel *version = panel->findChild<QLabel *>("lblVersionID");
        QCOMPARE(container->geometry().right(), panel->width() - 2);
        QCOMPARE(container->width() - (version->geometry().right() + 1), 18);
    }
}

QTEST_MAIN(TestGenericDeviceIntf)
#include "tst_GenericDeviceIntf.moc"
