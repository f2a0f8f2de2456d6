#include "DeviceStateBlock.h"
#include "StimulatorRecord.h"

#include <QTest>

#include <vector>

using namespace StimulatorRecord;

class TestDeviceStateBlock : public QObject {
    Q_OBJECT

private slots:
    void pollRecordBytes();
    void controlWordEncoding_data();
    void controlWordEncoding();
    void controlWordDecoding_data();
    void controlWordDecoding();
    void oneShotRequestsCarried_data();
    void oneShotRequestsCarried();
    void blockSizes();
    void recordsThatFit_data();
    void recordsThatFit();
    void unalignedBuffer();
    void versionText_data();
    void versionText();
};

void TestDeviceStateBlock::pollRecordBytes()
{
    std::vector<uint8_t> record(Size, 0);
    WritePoll(record.data(), 5);
    std::vector<uint8_t> expected{5, 0, 0, 0};
    expected.insert(expected.end(), 8, 0x00);
    expected.insert(expected.end(), 24, 0xFF);
    expected.insert(expected.end(), 16, 0x00);
    QCOMPARE(record, expected);
}

void TestDeviceStateBlock::controlWordEncoding_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("polarity");
    QTest::addColumn<bool>("internal");
    QTest::addColumn<bool>("beepOn");
    QTest::addColumn<bool>("zero");
    QTest::addColumn<bool>("trigger");
    QTest::addColumn<uint>("word");
    QTest::newRow("enabled bi-phasic alternating internal") << true << 2 << 3 << true << true << false << false << 0x169u;
    QTest::newRow("same, beep off") << true << 2 << 3 << true << false << false << false << 0x8169u;
    QTest::newRow("same, trigger") << true << 2 << 3 << true << true << false << true << 0x2169u;
    QTest::newRow("mono positive external, zero, beep off")
        << false << 1 << 1 << false << false << true << false << (0x8000u + 0x800u + 0x200u + 0x20u + 0x4u);
    QTest::newRow("mode and polarity masked to 3 bits") << false << 9 << 10 << true << true << false << false
                                                       << ((1u << 2) | (2u << 5) | 0x100u);
}

void TestDeviceStateBlock::controlWordEncoding()
{
    QFETCH(bool, output);
    QFETCH(int, mode);
    QFETCH(int, polarity);
    QFETCH(bool, internal);
    QFETCH(bool, beepOn);
    QFETCH(bool, zero);
    QFETCH(bool, trigger);
    QFETCH(uint, word);
    TControlRequest request;
    request.OutputEnabled = output;
    request.Mode = mode;
    request.Polarity = polarity;
    request.SourceInternal = internal;
    request.BeepOn = beepOn;
    request.Zero = zero;
    request.Trigger = trigger;
    QCOMPARE(EncodeControlWord(request), word);
}

void TestDeviceStateBlock::controlWordDecoding_data()
{
    QTest::addColumn<uint>("word");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("polarity");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("beeperOff");
    QTest::newRow("0x169") << 0x169u << 1 << 2 << 3 << 1 << 0;
    QTest::newRow("source 3, output 2") << 0x302u << 2 << 0 << 0 << 3 << 0;
    QTest::newRow("output 3, beeper off 2") << 0x10003u << 3 << 0 << 0 << 0 << 2;
    QTest::newRow("beeper off 3, high bits ignored") << 0xFFFF8000u << 0 << 0 << 0 << 0 << 3;
}

void TestDeviceStateBlock::controlWordDecoding()
{
    QFETCH(uint, word);
    const TControlFields f = DecodeControlWord(word);
    QTEST(f.Output, "output");
    QTEST(f.Mode, "mode");
    QTEST(f.Polarity, "polarity");
    QTEST(f.Source, "source");
    QTEST(f.BeeperOff, "beeperOff");
}

void TestDeviceStateBlock::oneShotRequestsCarried_data()
{
    QTest::addColumn<uint>("replaced");
    QTest::addColumn<uint>("replacement");
    QTest::addColumn<uint>("sent");
    using namespace StimulatorRecord::Bits;
    QTest::newRow("trigger") << uint(Trigger | 0x1) << 0x5u << uint(Trigger | 0x5);
    QTest::newRow("zero") << uint(Zero) << 0x5u << uint(Zero | 0x5);
    QTest::newRow("both, once") << uint(Zero | Trigger) << uint(Trigger) << uint(Zero | Trigger);
    // Only the one-shots: every setting comes from the replacement.
    QTest::newRow("settings are the replacement's") << 0x1FFu << 0x0u << 0x0u;
}

void TestDeviceStateBlock::oneShotRequestsCarried()
{
    QFETCH(uint, replaced);
    QFETCH(uint, replacement);
    QFETCH(uint, sent);
    uint8_t from[StimulatorRecord::Size] = {};
    uint8_t into[StimulatorRecord::Size] = {};
    DeviceBlock::SetWord(from, StimulatorRecord::ControlWord, int32_t(replaced));
    DeviceBlock::SetWord(into, StimulatorRecord::ControlWord, int32_t(replacement));
    DeviceBlock::SetWord(into, StimulatorRecord::Demand, 123);
    StimulatorRecord::CarryOneShotRequests(from, into);
    QCOMPARE(uint(DeviceBlock::Word(into, StimulatorRecord::ControlWord)), sent);
    QCOMPARE(DeviceBlock::Word(into, StimulatorRecord::Demand), 123);
}

void TestDeviceStateBlock::blockSizes()
{
    QCOMPARE(DeviceBlock::BlockSize(3, Size), std::size_t(160));
    QCOMPARE(DeviceBlock::EmptyBlockSize, std::size_t(14));
    const std::vector<uint8_t> empty(DeviceBlock::EmptyBlockSize, 0);
    const DeviceBlock::TBlockView view(empty.data(), empty.size(), Size);
    QCOMPARE(view.DeviceCount(), 0);
    QCOMPARE(view.RecordCount(), 0);
}

// Blocks whose count does not match their bytes yield only whole records.
void TestDeviceStateBlock::recordsThatFit_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("records");
    QTest::newRow("exact") << 3 << 160 << 3;
    QTest::newRow("one byte short") << 3 << 159 << 2;
    QTest::newRow("longer than the count") << 1 << 160 << 1;
    QTest::newRow("negative count") << -2 << 160 << 0;
    QTest::newRow("huge count") << 0x7FFFFFFF << 160 << 3;
    QTest::newRow("overflowing count") << 0x4EC4EC4F << 108 << 2;
    QTest::newRow("header only") << 1 << 4 << 0;
    QTest::newRow("shorter than a header") << 1 << 3 << 0;
}

void TestDeviceStateBlock::recordsThatFit()
{
    QFETCH(int, count);
    QFETCH(int, bytes);
    std::vector<uint8_t> block(std::size_t(bytes) + 1, 0xAB);
    if (bytes >= 4)
        DeviceBlock::WriteInt32(block.data(), count);
    const DeviceBlock::TBlockView view(block.data(), std::size_t(bytes), Size);
    QTEST(view.RecordCount(), "records");
}

void TestDeviceStateBlock::unalignedBuffer()
{
    std::vector<uint8_t> storage(DeviceBlock::BlockSize(2, Size) + 1, 0);
    uint8_t *block = storage.data() + 1;
    DeviceBlock::WriteInt32(block, 2);
    WritePoll(block + DeviceBlock::RecordOffset(0, Size), 7);
    WritePoll(block + DeviceBlock::RecordOffset(1, Size), -3);
    const DeviceBlock::TBlockView view(block, storage.size() - 1, Size);
    QCOMPARE(view.RecordCount(), 2);
    QCOMPARE(view.DeviceID(1), -3);
    QVERIFY(view.ContainsDevice(7));
    QVERIFY(!view.ContainsDevice(5));
    QCOMPARE(ReadReport(view.Record(1)).Demand, -1);
}

void TestDeviceStateBlock::versionText_data()
{
    QTest::addColumn<uint>("version");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.2.3.4") << 0x01020304u << "1.2.3.4";
    QTest::newRow("255.0.0.1") << 0xFF000001u << "255.0.0.1";
    QTest::newRow("zero") << 0u << "0.0.0.0";
    QTest::newRow("all ones") << 0xFFFFFFFFu << "255.255.255.255";
}

void TestDeviceStateBlock::versionText()
{
    QFETCH(uint, version);
    QTEST(QString::fromStdString(DeviceBlock::VersionText(version)), "text");
}

QTEST_APPLESS_MAIN(TestDeviceStateBlock)
#include "tst_DeviceStateBlock.moc"
