// The device model and the engine, driven with a virtual clock: settings and
// their ranges, the control word, pulses and the OOC and Too Fast counters,
// the trigger train, the external demand input, and the engine's devices.
#include "SimEngine.h"
#include "Stimulator.h"

#include <QTest>

using namespace V57Sim;
using namespace std::chrono_literals;
using StimulatorRecord::TReport;

Q_DECLARE_METATYPE(V57Sim::TSimTime)

namespace {

constexpr int32_t ID = 0x00C0FFEE;

// A settings record that asks for no change but in the words given.
struct TRecord {
    uint8_t Bytes[StimulatorRecord::Size] = {};
    TRecord()
    {
        StimulatorRecord::WritePoll(Bytes, ID);
    }
    TRecord &With(StimulatorRecord::Word word, int32_t value)
    {
        DeviceBlock::SetWord(Bytes, word, value);
        return *this;
    }
};

// A device with its output on, so that triggers make pulses.
TStimulator ArmedDevice()
{
    TStimulator device(ID, 0x01020304);
    device.Set(TSetting::Output, 1);
    return device;
}

} // namespace

class TSimulatorModelTest : public QObject {
    Q_OBJECT

private slots:
    void settingsWordsAreClampedToTheDeviceRanges_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("held");
        using namespace StimulatorRecord;
        QTest::newRow("demand in range") << int(Demand) << 2500 << 2500;
        QTest::newRow("demand above") << int(Demand) << 12000 << 10000;
        QTest::newRow("demand negative") << int(Demand) << -5 << 0;
        QTest::newRow("limit in range") << int(Limit) << 505 << 505;
        QTest::newRow("limit above none") << int(Limit) << 12000 << 10000;
        QTest::newRow("limit negative") << int(Limit) << -7 << 0;
        QTest::newRow("width below") << int(Width) << 10 << 50;
        QTest::newRow("width above") << int(Width) << 5000 << 2000;
        QTest::newRow("recovery below") << int(Recovery) << 5 << 10;
        QTest::newRow("recovery above") << int(Recovery) << 150 << 100;
        QTest::newRow("dwell below") << int(Dwell) << 0 << 1;
        QTest::newRow("dwell above") << int(Dwell) << 1000 << 990;
        QTest::newRow("dwell in range") << int(Dwell) << 990 << 990;
    }
    void settingsWordsAreClampedToTheDeviceRanges()
    {
        QFETCH(int, word);
        QFETCH(int, sent);
        QFETCH(int, held);
        TStimulator device(ID, 0);
        device.ApplySettingsRecord(TRecord().With(StimulatorRecord::Word(word), sent).Bytes, 0s);
        uint8_t report[StimulatorRecord::Size];
        StimulatorRecord::WriteReport(report, device.Report());
        QCOMPARE(DeviceBlock::Word(report, word), held);
    }

    void minusOneLeavesEachWordUnchanged()
    {
        TStimulator device(ID, 0);
        const TDeviceSettings before = device.Settings();
        device.ApplySettingsRecord(TRecord().Bytes, 0s); // a poll record: all -1
        QCOMPARE(device.Settings().Demand, before.Demand);
        QCOMPARE(device.Settings().Width, before.Width);
        QCOMPARE(device.Settings().OutputEnabled, before.OutputEnabled);

        device.ApplySettingsRecord(TRecord().With(StimulatorRecord::Width, 700).Bytes, 0s);
        QCOMPARE(device.Settings().Width, 700);
        QCOMPARE(device.Settings().Demand, before.Demand);
        QCOMPARE(device.Settings().Mode, before.Mode);
    }

    void controlWordSetsTheFieldsAndReportsThePanelsCodes_data()
    {
        QTest::addColumn<int>("controlWord");
        QTest::addColumn<int>("reported");
        QTest::newRow("enabled bi alternating internal beep") << 0x169 << 0x169;
        QTest::newRow("beep off") << 0x8169 << 0x8169;
        QTest::newRow("mono positive external disabled") << 0x8000 + 0x200 + 0x20 + 0x4
                                                         << 0x8000 + 0x200 + 0x20 + 0x4;
        QTest::newRow("output 3 and beeper 3 read as on and off") << 0x18000 + 0x3 + 0x104 + 0x20
                                                                  << 0x8000 + 0x1 + 0x104 + 0x20;
        QTest::newRow("source 3 is external, reported 2") << 0x300 + 0x24 << 0x200 + 0x24;
        QTest::newRow("unknown codes keep mode, polarity and source")
            << (7 << 2) + (6 << 5) + (5 << 8) << 0x124;
        QTest::newRow("requests are not reported") << 0x2000 + 0x800 + 0x125 << 0x125;
    }
    void controlWordSetsTheFieldsAndReportsThePanelsCodes()
    {
        QFETCH(int, controlWord);
        QFETCH(int, reported);
        TStimulator device(ID, 0); // mono, positive, internal: 0x124
        device.ApplySettingsRecord(TRecord().With(StimulatorRecord::ControlWord, controlWord).Bytes, 0s);
        QCOMPARE(int(StimulatorRecord::EncodeControlFields(device.Report().Control)), reported);
    }

    void triggerFiresOnlyWithTheOutputEnabled()
    {
        TStimulator device(ID, 0);
        device.ApplySettingsRecord(TRecord().With(StimulatorRecord::ControlWord, 0x2124).Bytes, 0s);
        QCOMPARE(device.Report().CPulse, 0u);
        QCOMPARE(device.Report().CTooFast, 0u);

        // Enabling the output and triggering in one record fires.
        device.ApplySettingsRecord(TRecord().With(StimulatorRecord::ControlWord, 0x2125).Bytes, 1s);
        QCOMPARE(device.Report().CPulse, 1u);
        // A poll carries no trigger.
        device.ApplySettingsRecord(TRecord().Bytes, 2s);
        QCOMPARE(device.Report().CPulse, 1u);
    }

    void outOfComplianceWhenCurrentTimesLoadExceedsCompliance_data()
    {
        QTest::addColumn<int>("demand");
        QTest::addColumn<int>("limit");
        QTest::addColumn<double>("load");
        QTest::addColumn<double>("compliance");
        QTest::addColumn<bool>("ooc");
        QTest::newRow("100 mA into 1 kOhm is 100 V") << 1000 << 10000 << 1000.0 << 100.0 << false;
        QTest::newRow("100.1 mA into 1 kOhm") << 1001 << 10000 << 1000.0 << 100.0 << true;
        QTest::newRow("10 mA into 20 kOhm") << 100 << 10000 << 20000.0 << 100.0 << true;
        QTest::newRow("limit caps the current") << 2000 << 500 << 1000.0 << 100.0 << false;
        QTest::newRow("higher compliance") << 2000 << 10000 << 1000.0 << 250.0 << false;
    }
    void outOfComplianceWhenCurrentTimesLoadExceedsCompliance()
    {
        QFETCH(int, demand);
        QFETCH(int, limit);
        QFETCH(double, load);
        QFETCH(double, compliance);
        QFETCH(bool, ooc);
        TStimulator device = ArmedDevice();
        device.Set(TSetting::Demand, demand);
        device.Set(TSetting::Limit, limit);
        device.SetLoad(load);
        device.SetCompliance(compliance);
        device.Trigger(0s);
        device.Trigger(1s);
        QCOMPARE(device.Report().CPulse, 2u);
        QCOMPARE(device.Report().COOC, ooc ? 2u : 0u);
    }

    void triggersBeforeThePulseCycleEndsAreTooFast_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<TSimTime>("cycle");
        // Mono: 200 us pulse + 1 ms rest. Bi at 50 %: 200 + 10 dwell + 400 + 1 ms.
        QTest::newRow("mono") << int(StimulatorRecord::MonoPhasic) << TSimTime(1200us);
        QTest::newRow("bi") << int(StimulatorRecord::BiPhasic) << TSimTime(1610us);
    }
    void triggersBeforeThePulseCycleEndsAreTooFast()
    {
        QFETCH(int, mode);
        QFETCH(TSimTime, cycle);
        TStimulator device = ArmedDevice();
        device.Set(TSetting::Mode, mode);
        device.Set(TSetting::Recovery, 50);
        QCOMPARE(device.PulseCycle(), cycle);
        device.Trigger(1s);
        device.Trigger(1s + cycle - 1ns); // too fast, and not delivered
        QCOMPARE(device.Report().CTooFast, 1u);
        QCOMPARE(device.Report().CPulse, 1u);
        device.Trigger(1s + cycle); // the cycle counts from the pulse delivered
        QCOMPARE(device.Report().CPulse, 2u);
        QCOMPARE(device.Report().CTooFast, 1u);
    }

    // The train is counted in closed form; it must agree with firing its
    // triggers one by one, however the time is cut into steps.
    void triggerTrainMatchesTriggersOneByOne_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("steps");
        QTest::newRow("slow train, no too fast") << 100.0 << 1 << 200 << 1;
        QTest::newRow("1 kHz mono, too fast") << 1000.0 << 1 << 200 << 7;
        QTest::newRow("3 kHz bi, uneven period") << 3000.0 << 2 << 500 << 13;
        QTest::newRow("period equals the cycle") << 1e6 / 1200 << 1 << 200 << 3;
        QTest::newRow("fast train, long pulse") << 20000.0 << 2 << 2000 << 1;
    }
    void triggerTrainMatchesTriggersOneByOne()
    {
        QFETCH(double, rate);
        QFETCH(int, mode);
        QFETCH(int, width);
        QFETCH(int, steps);
        const TSimTime start = 250ms, end = 2250ms;
        TStimulator train = ArmedDevice(), single = ArmedDevice();
        for (TStimulator *d : {&train, &single}) {
            d->Set(TSetting::Mode, mode);
            d->Set(TSetting::Width, width);
            d->Set(TSetting::Recovery, 40);
            d->SetLoad(2e5); // every pulse out of compliance too
        }
        train.SetTrainRate(rate, start);
        for (int k = 1; k <= steps; ++k)
            train.RunUntil(start + (end - start) * k / steps);

        const TSimTime period(std::llround(1e9 / rate));
        for (TSimTime t = start; t <= end; t += period)
            single.Trigger(t);

        const TReport a = train.Report(), b = single.Report();
        QVERIFY(a.CPulse > 0);
        QCOMPARE(a.CPulse, b.CPulse);
        QCOMPARE(a.CTooFast, b.CTooFast);
        QCOMPARE(a.COOC, b.COOC);
    }

    void trainIsIgnoredWhileTheOutputIsDisabled()
    {
        TStimulator device(ID, 0);
        device.SetTrainRate(1000, 0s);
        device.RunUntil(10s);
        QCOMPARE(device.Report().CPulse, 0u);
        QCOMPARE(device.Report().CTooFast, 0u);
        device.Set(TSetting::Output, 1);
        device.RunUntil(11s); // the output is on from 10 s
        QVERIFY(device.Report().CPulse > 0);
        device.SetTrainRate(0, 11s);
        const uint32_t pulses = device.Report().CPulse;
        device.RunUntil(20s);
        QCOMPARE(device.Report().CPulse, pulses);
    }

    void externalDemandFollowsTheScaledInputLessTheZeroedOffset_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<double>("input");
        QTest::addColumn<bool>("zeroAt2V");
        QTest::addColumn<int>("demand");
        QTest::newRow("5 V full scale") << 10000 << 5.0 << false << 5000;
        QTest::newRow("5 V, limit 200 mA") << 2000 << 5.0 << false << 1000;
        QTest::newRow("10 V is the limit") << 505 << 10.0 << false << 505;
        QTest::newRow("above 10 V stays at the limit") << 505 << 14.0 << false << 505;
        QTest::newRow("negative input gives 0") << 10000 << -3.0 << false << 0;
        QTest::newRow("zeroed at 2 V, now 5 V") << 10000 << 5.0 << true << 3000;
        QTest::newRow("zeroed at 2 V, now 1 V") << 10000 << 1.0 << true << 0;
    }
    void externalDemandFollowsTheScaledInputLessTheZeroedOffset()
    {
        QFETCH(int, limit);
        QFETCH(double, input);
        QFETCH(bool, zeroAt2V);
        QFETCH(int, demand);
        TStimulator device(ID, 0);
        device.Set(TSetting::Limit, limit);
        device.Set(TSetting::Source, StimulatorRecord::External);
        if (zeroAt2V) {
            device.SetInput(2.0);
            device.ApplySettingsRecord(TRecord().With(StimulatorRecord::ControlWord, 0x800 + 0x224).Bytes, 0s);
        }
        device.SetInput(input);
        QCOMPARE(device.Report().Demand, demand);
        // The internal demand is kept and comes back with the internal source.
        device.Set(TSetting::Source, StimulatorRecord::Internal);
        QCOMPARE(device.Report().Demand, 100);
    }

    void engineStartsWithTheDefaultDevices()
    {
        TSimEngine engine;
        const auto block = engine.CurrentStateBlock();
        const DeviceBlock::TBlockView view(block.data(), block.size(), StimulatorRecord::Size);
        QCOMPARE(view.RecordCount(), 2);
        QCOMPARE(view.DeviceCount(), 2);
        for (int k = 0; k < 2; ++k) {
            const TReport r = StimulatorRecord::ReadReport(view.Record(k));
            QCOMPARE(r.DeviceID, DefaultDevices[k].DeviceID);
            QCOMPARE(r.VersionID, DefaultDevices[k].VersionID);
            QCOMPARE(r.Demand, 100);
            QCOMPARE(r.Limit, 10000);
            QCOMPARE(r.Width, 200);
            QCOMPARE(r.Recovery, 100);
            QCOMPARE(r.Dwell, 10);
            QCOMPARE(r.Control.Output, 0);
            QCOMPARE(r.Control.Mode, 1);
            QCOMPARE(r.Control.Polarity, 1);
            QCOMPARE(r.Control.Source, 1);
            QCOMPARE(r.Control.BeeperOff, 0);
        }
        QVERIFY(DefaultDevices[0].DeviceID != DefaultDevices[1].DeviceID);
    }

    void updateAppliesRecordsToTheDevicesTheyName()
    {
        TSimEngine engine;
        const int32_t second = DefaultDevices[1].DeviceID;
        // Two records: one for a device that is not connected, one for the
        // second device; and a count that claims a third.
        std::vector<uint8_t> block(DeviceBlock::BlockSize(2, StimulatorRecord::Size));
        DeviceBlock::WriteInt32(block.data(), 3);
        StimulatorRecord::WritePoll(block.data() + 4, 0x7777);
        DeviceBlock::SetWord(block.data() + 4, StimulatorRecord::Demand, 999);
        StimulatorRecord::WritePoll(block.data() + 4 + 52, second);
        DeviceBlock::SetWord(block.data() + 4 + 52, StimulatorRecord::Demand, 777);
        engine.Update(block, 1s);
        QCOMPARE(engine.Device(second)->Report().Demand, 777);
        QCOMPARE(engine.Device(DefaultDevices[0].DeviceID)->Report().Demand, 100);
        QCOMPARE(engine.Devices().size(), 2u);
    }

    void scenarioLinesApplyAtTheirTime()
    {
        QStringList messages;
        const TMessageSink sink = [&](const std::string &m) { messages << QString::fromStdString(m); };
        TSimEngine engine(ParseScenario("no-default-devices\n"
                                        "@1.5 plug 0x1234 1.0.2.3\n"
                                        "@2 set 0x1234 demand 500\n"
                                        "@2 set 0x9999 demand 5\n"
                                        "@3 unplug 0x1234\n",
                                        "hot.scn", sink),
                          sink);
        QVERIFY(engine.Devices().empty());
        engine.AdvanceTo(1499ms);
        QVERIFY(engine.Devices().empty());
        engine.AdvanceTo(1500ms);
        QCOMPARE(engine.Devices().size(), 1u);
        QCOMPARE(engine.Device(0x1234)->VersionID(), 0x01000203u);
        QCOMPARE(engine.Device(0x1234)->Report().Demand, 100);
        engine.AdvanceTo(2s);
        QCOMPARE(engine.Device(0x1234)->Report().Demand, 500);
        QCOMPARE(messages, QStringList{"hot.scn:4: no device 0x00009999"});
        engine.AdvanceTo(1s); // time does not run back
        engine.AdvanceTo(10s);
        QVERIFY(engine.Devices().empty());
    }

    void trainFromAScenarioCountsUntilItStops()
    {
        TSimEngine engine(ParseScenario("@0 set 0x00A1B201 output on\n"
                                        "@1 train 0x00A1B201 10\n"
                                        "@2 train 0x00A1B201 0\n",
                                        "train.scn", PrintToStderr));
        engine.AdvanceTo(100s);
        // Triggers at 1.0, 1.1, ... 2.0 s: the train runs up to the moment it stops.
        QCOMPARE(engine.Device(DefaultDevices[0].DeviceID)->Report().CPulse, 11u);
        QCOMPARE(engine.Device(DefaultDevices[1].DeviceID)->Report().CPulse, 0u);
    }

    void liveCommandsAnswer()
    {
        TSimEngine engine;
        TCommand state{TVerb::State};
        state.DeviceID = DefaultDevices[0].DeviceID;
        QCOMPARE(QString::fromStdString(engine.Execute(state, 0s)),
                 "id=0x00A1B201 version=1.4.0.12 output=0 mode=1 polarity=1 source=1 beepoff=0 "
                 "demand=100 limit=10000 width=200 recovery=100 dwell=10 CPulse=0 COOC=0 "
                 "CTooFast=0 load=1000 compliance=100 input=0 offset=0 train=0");
        QCOMPARE(QString::fromStdString(engine.Execute(TCommand{TVerb::Devices}, 0s)),
                 "devices 0x00A1B201 0x00A1B214");
        TCommand plug{TVerb::Plug};
        plug.DeviceID = DefaultDevices[1].DeviceID;
        QCOMPARE(QString::fromStdString(engine.Execute(plug, 0s)),
                 "error: 0x00A1B214 is already connected");
        state.DeviceID = 5;
        QCOMPARE(QString::fromStdString(engine.Execute(state, 0s)), "error: no device 0x00000005");
    }

    void faultsShapeTheDeliveredBlock()
    {
        const std::vector<uint8_t> block(108, 7);
        QCOMPARE(TUpdateFault{}.Shape(block), block);
        QVERIFY((TUpdateFault{false, true, {}}.Shape(block).empty()));
        QCOMPARE(TUpdateFault({false, false, 30}).Shape(block).size(), 30u);
        QCOMPARE(TUpdateFault({false, false, 500}).Shape(block).size(), 108u);
    }
};

QTEST_GUILESS_MAIN(TSimulatorModelTest)
#include "tst_simulator_model.moc"
