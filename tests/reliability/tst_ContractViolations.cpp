// The device library breaking its contract: completions nobody asked for,
// two for one request, many at once from several threads, and far more
// devices than a rack holds. The window keeps running and keeps polling; the
// AddressSanitizer build checks that nothing leaks.
//
// Covered elsewhere: completions that never come (app_session
// watchdogRepeatsAndSurvives), completions after the window has gone
// (app_startup completionAfterWindowGone), a reference never written
// (app_session missingReference), no bytes or a null pointer with a size
// (app_session noBytesRemovesEveryPanel), negative, huge and too large
// DeviceCounts (app_panel_list shortAndGarbageBlocks, noDeviceBringsGearsBack),
// a repeated ID (app_panel_list repeatedIDGivesOnePanel), posting from several
// threads (posted_messages), and any bytes at all (fuzz_completions).
#include "app/MainWindowFixture.h"

#include <QTest>

#include <algorithm>
#include <thread>

using namespace Fixture;

namespace {

std::size_t CallCount() { return V57Double::UpdateCalls().size(); }

// The settings blocks sent: records that change something.
int SettingsSent()
{
    int sent = 0;
    for (const V57Double::TUpdateCall &call : V57Double::UpdateCalls()) {
        const DeviceBlock::TBlockView view(call.NewState.data(), call.NewState.size(),
                                           StimulatorRecord::Size);
        sent += view.RecordCount() > 0
                && DeviceBlock::Word(view.Record(0), StimulatorRecord::ControlWord)
                       != StimulatorRecord::NoChange;
    }
    return sent;
}

int32_t ShownDemand(TFGenericDeviceIntf &panel)
{
    uint8_t record[StimulatorRecord::Size] = {};
    panel.GetDeviceState(record);
    return DeviceBlock::Word(record, StimulatorRecord::Demand);
}

// Every completion the double still owes, answered with these devices.
void AnswerAll(TForm1 &form, const std::vector<TDevice> &devices)
{
    while (V57Double::PendingUpdates() > 0)
        V57Double::CompleteUpdate(Block(devices));
    Deliver(form);
}

} // namespace

class TestContractViolations : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { form.reset(); }

    void completionWithNothingOutstanding();
    void twoCompletionsForOnePoll_data();
    void twoCompletionsForOnePoll();
    void twoCompletionsForAPollWithAChangePending();
    void completionsFromSeveralThreads();
    void twoHundredDevices();

private:
    // Idle, showing device 3.
    std::unique_ptr<TForm1> form;
    // Polling goes on as it should: a tick sends one poll, and no other goes
    // out before it completes.
    void ExpectPollingResumes();
};

void TestContractViolations::init()
{
    V57Double::Reset();
    form = StartedForm();
    QVERIFY(ShowDevices(*form, {{3}}));
}

void TestContractViolations::ExpectPollingResumes()
{
    QVERIFY(form->tmrPoll->isActive());
    QVERIFY(!form->tmrWatchDog->isActive());
    const std::size_t sent = CallCount();
    QVERIFY(Tick(form->tmrPoll));
    QCOMPARE(CallCount(), sent + 1);
    QVERIFY(!Tick(form->tmrPoll));
    form->tmrPollTimer(form->tmrPoll);
    QCOMPARE(CallCount(), sent + 1);
    QVERIFY(form->tmrWatchDog->isActive());
}

void TestContractViolations::completionWithNothingOutstanding()
{
    QCOMPARE(V57Double::PendingUpdates(), 0);

    V57Double::CompleteSpurious(Block({{3}, {9}}));
    Deliver(*form);

    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 9}));
    ExpectPollingResumes();
}

void TestContractViolations::twoCompletionsForOnePoll_data()
{
    QTest::addColumn<bool>("afterNextPoll");
    QTest::newRow("back to back") << false;
    QTest::newRow("the second after the next poll went out") << true;
}

void TestContractViolations::twoCompletionsForOnePoll()
{
    QFETCH(bool, afterNextPoll);

    QVERIFY(Tick(form->tmrPoll));
    V57Double::CompleteUpdate(Block({{3}, {9}}));
    Deliver(*form);
    if (afterNextPoll)
        QVERIFY(Tick(form->tmrPoll));
    V57Double::CompleteSpurious(Block({{3}, {9}}));
    Deliver(*form);
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 9}));

    // Taken for the answer of whatever was on its way: once the polls still
    // out have completed, the session settles to one poll at a time.
    if (afterNextPoll)
        QVERIFY(Tick(form->tmrPoll));
    AnswerAll(*form, {{3}, {9}});
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 9}));
    ExpectPollingResumes();
}

// The duplicate of the poll's completion must not send the change again.
void TestContractViolations::twoCompletionsForAPollWithAChangePending()
{
    QVERIFY(Tick(form->tmrPoll));
    TFGenericDeviceIntf *panel = Panel(*form, 3);
    panel->OnDeviceChange(panel, 3);
    QCOMPARE(SettingsSent(), 0);

    V57Double::CompleteUpdate(Block({{3}}));
    V57Double::CompleteSpurious(Block({{3}}));
    Deliver(*form);
    QCOMPARE(SettingsSent(), 1);

    AnswerAll(*form, {{3}});
    QCOMPARE(SettingsSent(), 1);
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3}));
    ExpectPollingResumes();
}

// Each thread hands over its own buffer and spoils it as soon as the callback
// returns: what the window shows must be one whole block as delivered.
void TestContractViolations::completionsFromSeveralThreads()
{
    constexpr int Threads = 4;
    constexpr int PerThread = 50;
    const TWindowHandle handle = form->Handle();
    std::vector<std::thread> libraryThreads;
    for (int t = 0; t < Threads; ++t)
        libraryThreads.emplace_back([handle, t] {
            for (int i = 0; i < PerThread; ++i) {
                const int32_t mark = 1000 * (t + 1) + i;
                std::vector<uint8_t> bytes = Block({{3, mark}, {mark, mark}});
                TForm1::UpdateCallback(0, bytes.data(), int32_t(bytes.size()),
                                       reinterpret_cast<void *>(handle));
                std::fill(bytes.begin(), bytes.end(), 0xFF);
            }
        });
    for (std::thread &thread : libraryThreads)
        thread.join();
    Deliver(*form);

    const QList<int32_t> ids = PanelIDs(*form);
    QCOMPARE(ids.size(), 2);
    QCOMPARE(ids.front(), 3);
    const int32_t mark = ids.back();
    QVERIFY(mark >= 1000 && mark < 1000 * (Threads + 1));
    QCOMPARE(ShownDemand(*Panel(*form, 3)), mark);
    QCOMPARE(ShownDemand(*Panel(*form, mark)), mark);
    ExpectPollingResumes();
}

void TestContractViolations::twoHundredDevices()
{
    std::vector<TDevice> devices;
    for (int32_t id = 200; id >= 1; --id)
        devices.push_back({id, id});
    QVERIFY(Tick(form->tmrPoll));
    V57Double::CompleteUpdate(Block(devices));
    Deliver(*form);

    QList<int32_t> ascending;
    for (int32_t id = 1; id <= 200; ++id)
        ascending.append(id);
    QCOMPARE(PanelIDs(*form), ascending);
    QCOMPARE(form->findChildren<TFGenericDeviceIntf *>().size(), 200);
    QCOMPARE(ShownDemand(*Panel(*form, 137)), 137);
    // Stacked one below the other, none on top of another.
    for (int k = 1; k < 200; ++k)
        QCOMPARE(form->DeviceFrames()[std::size_t(k)]->y(),
                 k * form->DeviceFrames().front()->height());

    ExpectPollingResumes();
    QCOMPARE(RecordIDs(V57Double::UpdateCalls().back().NewState), ascending);

    V57Double::CompleteUpdate(Block({{137}}));
    Deliver(*form);
    QCOMPARE(PanelIDs(*form), QList<int32_t>({137}));
    QCOMPARE(form->findChildren<TFGenericDeviceIntf *>().size(), 1);
}

QTEST_MAIN(TestContractViolations)
#include "tst_ContractViolations.moc"
