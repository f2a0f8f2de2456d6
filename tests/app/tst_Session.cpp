// The device session cycle against the scripted library: polls, operator
// changes sent at once or as late updates, completions, the watchdog.
// Timer ticks are fired by hand (Tick) and completions dispatched
// alone (Fixture::Deliver), so no timer runs behind a test's back.
#include "MainWindowFixture.h"
#include "RecordingPanel.h"

#include <QAbstractButton>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include <thread>

using namespace Fixture;

namespace {

std::size_t CallCount() { return V57Double::UpdateCalls().size(); }
std::vector<uint8_t> LastSent() { return V57Double::UpdateCalls().back().NewState; }

// Word n of the record of device id in a block sent to the library.
int32_t SentWord(const std::vector<uint8_t> &block, int32_t id, int n)
{
    const DeviceBlock::TBlockView view(block.data(), block.size(), StimulatorRecord::Size);
    for (int k = 0; k < view.RecordCount(); ++k)
        if (view.DeviceID(k) == id)
            return DeviceBlock::Word(view.Record(k), n);
    return 0;
}

bool SentTrigger(const std::vector<uint8_t> &block, int32_t id)
{
    return uint32_t(SentWord(block, id, StimulatorRecord::ControlWord))
           & StimulatorRecord::Bits::Trigger;
}

// An operator change on the panel of device id, as the panel raises it.
void Change(TForm1 &form, int32_t id)
{
    TFGenericDeviceIntf *panel = Panel(form, id);
    panel->OnDeviceChange(panel, id);
}

void PressTrigger(TForm1 &form, int32_t id)
{
    QTest::mouseClick(Panel(form, id)->findChild<QAbstractButton *>("btnTrigger"), Qt::LeftButton);
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { form.reset(); }

    void firstPollFollowsInitialise();
    void pollRecordsInIDOrder_data();
    void pollRecordsInIDOrder();
    void refusedPollRetried_data();
    void refusedPollRetried();
    void missingReference();
    void changeSentAtOnce();
    void refusedChangeDropped();
    void changeDuringPollIsLateUpdate();
    void twoChangesDuringPollSendOneWithEveryTrigger();
    void chainOfLateUpdates();
    void watchdogRepeatsAndSurvives();
    void noBytesRemovesEveryPanel_data();
    void noBytesRemovesEveryPanel();
    void refusedLateUpdateResumesPolling();
    void errorInCompletionSwallowed();

private:
    // Started, with the library's reference 1.
    std::unique_ptr<TForm1> form;
};

void TestSession::init()
{
    V57Double::Reset();
    TRecordingPanel::Log.clear();
    form = StartedForm();
    form->show();
}

// Through the real poll timer: nothing goes out before its first tick.
void TestSession::firstPollFollowsInitialise()
{
    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("API library Initialised."));
    QVERIFY(form->tmrPoll->isActive());
    QCOMPARE(CallCount(), 0u);

    QTRY_COMPARE(CallCount(), 1u);

    // No panel yet: the poll block is empty, a null pointer of length 0.
    const V57Double::TUpdateCall call = V57Double::UpdateCalls().front();
    QCOMPARE(call.Reference, 1);
    QVERIFY(call.NewStateNull);
    QCOMPARE(call.NewStateSize, 0);
    QVERIFY(call.CurrentStateNull);
    QCOMPARE(call.CurrentStateSizeIn, 0);
    QCOMPARE(call.Caller, std::this_thread::get_id());
    QVERIFY(!form->tmrPoll->isActive());
    QVERIFY(form->tmrWatchDog->isActive());
    // While the poll is on its way no other goes out, even on a stray tick.
    form->tmrPollTimer(form->tmrPoll);
    QCOMPARE(CallCount(), 1u);
    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("API library Initialised."));
}

void TestSession::pollRecordsInIDOrder_data()
{
    QTest::addColumn<std::vector<TDevice>>("devices");
    QTest::addColumn<QList<int32_t>>("order");
    QTest::newRow("one") << std::vector<TDevice>{{5}} << QList<int32_t>{5};
    QTest::newRow("three") << std::vector<TDevice>{{7}, {-4}, {3}} << QList<int32_t>{-4, 3, 7};
}

void TestSession::pollRecordsInIDOrder()
{
    QFETCH(std::vector<TDevice>, devices);
    QFETCH(QList<int32_t>, order);

    QVERIFY(ShowDevices(*form, devices));
    QVERIFY(Tick(form->tmrPoll));

    // Exactly a count and one poll record per panel, nothing else written.
    std::vector<uint8_t> expected(DeviceBlock::BlockSize(int(order.size()), StimulatorRecord::Size));
    DeviceBlock::WriteInt32(expected.data(), int32_t(order.size()));
    for (int k = 0; k < order.size(); ++k)
        StimulatorRecord::WritePoll(
            expected.data() + DeviceBlock::RecordOffset(k, StimulatorRecord::Size), order[k]);
    QCOMPARE(LastSent(), expected);
}

void TestSession::refusedPollRetried_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("negative") << -7;
    QTest::newRow("positive") << 6;
    QTest::newRow("zero") << 0;
}

void TestSession::refusedPollRetried()
{
    QFETCH(int, code);

    V57Double::QueueUpdateResults({code});
    QVERIFY(Tick(form->tmrPoll));
    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("Update poll failed. (%1)").arg(code));
    QVERIFY(!form->tmrWatchDog->isActive());

    QVERIFY(Tick(form->tmrPoll)); // the next tick tries again
    QCOMPARE(CallCount(), 2u);
    QCOMPARE(V57Double::PendingUpdates(), 1);
    QVERIFY(!form->tmrPoll->isActive());
    QVERIFY(form->tmrWatchDog->isActive());
    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("Update poll failed. (%1)").arg(code));
}

void TestSession::missingReference()
{
    form.reset();
    V57Double::SetReference(0);
    form = StartedForm();
    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("API library Initialised."));

    for (int tick = 0; tick < 2; ++tick) {
        form->sbStatus->clearMessage();
        QVERIFY(Tick(form->tmrPoll));
        QCOMPARE(form->sbStatus->currentMessage(),
                 QStringLiteral("API not initialised. ( Reference = NULL )"));
    }
    QCOMPARE(CallCount(), 0u);
}

void TestSession::changeSentAtOnce()
{
    // With no panel there are no settings to send.
    form->OnDeviceChange(form.get(), 0);
    QCOMPARE(CallCount(), 0u);

    QVERIFY(ShowDevices(*form, {{7, 70}, {3, 30}}));
    const std::size_t polls = CallCount();

    Change(*form, 7);
    QCOMPARE(CallCount(), polls + 1);
    const std::vector<uint8_t> settings = LastSent();
    QCOMPARE(RecordIDs(settings), QList<int32_t>({3, 7}));
    QCOMPARE(SentWord(settings, 3, StimulatorRecord::Demand), 30);
    QCOMPARE(SentWord(settings, 7, StimulatorRecord::Demand), 70);
    QVERIFY(!form->tmrPoll->isActive());
    QVERIFY(form->tmrWatchDog->isActive());

    // A change while the first is on its way goes out at once too.
    Change(*form, 3);
    QCOMPARE(CallCount(), polls + 2);
    QCOMPARE(V57Double::PendingUpdates(), 2);

    // Each completion is applied; the session is idle after them.
    V57Double::CompleteUpdate(Block({{7, 71}, {3, 31}}));
    V57Double::CompleteUpdate(Block({{7, 72}, {3, 32}, {9}}));
    Deliver(*form);
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 7, 9}));
    QVERIFY(TRecordingPanel::Log.contains("SetDeviceState 3:31"));
    QVERIFY(form->tmrPoll->isActive());
    QVERIFY(!form->tmrWatchDog->isActive());
    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("API library Initialised."));
}

void TestSession::refusedChangeDropped()
{
    QVERIFY(ShowDevices(*form, {{3}}));
    V57Double::QueueUpdateResults({5});

    Change(*form, 3);

    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("Update failed. (5)"));
    QVERIFY(form->tmrPoll->isActive());
    QVERIFY(!form->tmrWatchDog->isActive());
    // The next tick polls; the refused change is not sent again.
    QVERIFY(Tick(form->tmrPoll));
    QCOMPARE(SentWord(LastSent(), 3, StimulatorRecord::ControlWord), StimulatorRecord::NoChange);
}

void TestSession::changeDuringPollIsLateUpdate()
{
    QVERIFY(ShowDevices(*form, {{3, 30}, {7, 70}}));
    QVERIFY(Tick(form->tmrPoll));
    const std::size_t sent = CallCount();
    TRecordingPanel::Log.clear();

    Change(*form, 3);
    QCOMPARE(CallCount(), sent); // held back while the poll is on its way

    V57Double::CompleteUpdate(Block({{3, 31}, {7, 71}, {9}}));
    Deliver(*form);

    // The settings went out in place of applying the poll's block.
    QCOMPARE(CallCount(), sent + 1);
    QCOMPARE(RecordIDs(LastSent()), QList<int32_t>({3, 7}));
    QVERIFY(SentWord(LastSent(), 3, StimulatorRecord::ControlWord) != StimulatorRecord::NoChange);
    QVERIFY(TRecordingPanel::Log.isEmpty());
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 7}));
    QVERIFY(!form->tmrPoll->isActive());
    QVERIFY(form->tmrWatchDog->isActive());
    form->tmrPollTimer(form->tmrPoll); // still awaiting: no poll
    QCOMPARE(CallCount(), sent + 1);

    // The late update's completion refreshes the panels.
    V57Double::CompleteUpdate(Block({{3, 32}, {7, 72}, {9}}));
    Deliver(*form);
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 7, 9}));
    QVERIFY(TRecordingPanel::Log.contains("SetDeviceState 3:32"));
    QVERIFY(form->tmrPoll->isActive());
    QVERIFY(!form->tmrWatchDog->isActive());
}

// The block built at the first change carried panel 3's trigger; the one
// rebuilt at the second carries only panel 7's, and only it goes out.
// Two changes while a poll is on its way send one late update, built at the
// second; a Trigger pressed at the first is not lost with the first's block:
// it goes out with the late update, once, for its own device.
void TestSession::twoChangesDuringPollSendOneWithEveryTrigger()
{
    QVERIFY(ShowDevices(*form, {{3}, {7}}));
    QVERIFY(Tick(form->tmrPoll));
    const std::size_t sent = CallCount();

    PressTrigger(*form, 3);
    PressTrigger(*form, 7);
    QCOMPARE(CallCount(), sent);

    V57Double::CompleteUpdate(Block({{3}, {7}}));
    Deliver(*form);

    QCOMPARE(CallCount(), sent + 1);
    QCOMPARE(RecordIDs(LastSent()), QList<int32_t>({3, 7}));
    QVERIFY(SentTrigger(LastSent(), 3));
    QVERIFY(SentTrigger(LastSent(), 7));

    // Once: the next change, when the late update has gone, carries neither.
    V57Double::CompleteUpdate(Block({{3}, {7}}));
    Deliver(*form);
    Change(*form, 7);
    QCOMPARE(CallCount(), sent + 2);
    QVERIFY(!SentTrigger(LastSent(), 3));
    QVERIFY(!SentTrigger(LastSent(), 7));
}

void TestSession::chainOfLateUpdates()
{
    QVERIFY(ShowDevices(*form, {{3}}));
    QVERIFY(Tick(form->tmrPoll));
    const std::size_t sent = CallCount();
    TRecordingPanel::Log.clear();

    Change(*form, 3);
    V57Double::CompleteUpdate(Block({{3}, {9}}));
    Deliver(*form);
    QCOMPARE(CallCount(), sent + 1); // first late update

    Change(*form, 3);
    QCOMPARE(CallCount(), sent + 1);
    V57Double::CompleteUpdate(Block({{3}, {9}}));
    Deliver(*form);
    QCOMPARE(CallCount(), sent + 2); // second late update, that block dropped too
    QVERIFY(TRecordingPanel::Log.isEmpty());
    QVERIFY(form->tmrWatchDog->isActive());
    QVERIFY(!form->tmrPoll->isActive());

    V57Double::CompleteUpdate(Block({{3}, {9}}));
    Deliver(*form);
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 9}));
    QVERIFY(!form->tmrWatchDog->isActive());
    QVERIFY(form->tmrPoll->isActive());
}

void TestSession::watchdogRepeatsAndSurvives()
{
    const QString overdue = QStringLiteral("WatchDog: No callback after update.");
    QVERIFY(Tick(form->tmrPoll));

    for (int tick = 0; tick < 2; ++tick) {
        form->sbStatus->clearMessage();
        QVERIFY(Tick(form->tmrWatchDog)); // on until a completion: it repeats
        QCOMPARE(form->sbStatus->currentMessage(), overdue);
    }
    QCOMPARE(CallCount(), 1u); // nothing is repeated

    V57Double::CompleteUpdate(Block({{3}}));
    Deliver(*form);
    QVERIFY(!form->tmrWatchDog->isActive());
    QVERIFY(form->tmrPoll->isActive());
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3}));
    QCOMPARE(form->sbStatus->currentMessage(), overdue);
}

void TestSession::noBytesRemovesEveryPanel_data()
{
    QTest::addColumn<bool>("null");
    QTest::addColumn<int>("size");
    QTest::newRow("no bytes") << true << 0;
    QTest::newRow("bytes, size 0") << false << 0;
    QTest::newRow("bytes, negative size") << false << -1;
    QTest::newRow("null pointer with a size") << true << 60;
}

void TestSession::noBytesRemovesEveryPanel()
{
    QFETCH(bool, null);
    QFETCH(int, size);

    QVERIFY(ShowDevices(*form, {{3}, {7}}));
    QVERIFY(form->imgSpinner->isHidden());
    QVERIFY(Tick(form->tmrPoll));

    // Bytes that would show panels, were the size not ignored.
    static const std::vector<uint8_t> bytes = Block({{3}, {7}});
    V57Double::CompleteRaw(null ? nullptr : bytes.data(), size);
    Deliver(*form);

    QVERIFY(form->DeviceFrames().empty());
    QVERIFY(!form->imgSpinner->isHidden());
    QVERIFY(form->tmrAnimate->isActive());
    QVERIFY(form->tmrPoll->isActive());
}

// A late update refused: the completion just received is taken as the
// answer, so polling goes on and the panels follow its block.
void TestSession::refusedLateUpdateResumesPolling()
{
    QVERIFY(ShowDevices(*form, {{3}}));
    QVERIFY(Tick(form->tmrPoll));
    Change(*form, 3);
    V57Double::QueueUpdateResults({-9});

    V57Double::CompleteUpdate(Block({{3}, {8}}));
    Deliver(*form);

    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("Update failed. (-9)"));
    QCOMPARE(V57Double::PendingUpdates(), 0);
    QVERIFY(!form->tmrWatchDog->isActive());
    QCOMPARE(PanelIDs(*form), QList<int32_t>({3, 8}));
    QVERIFY(Tick(form->tmrPoll));
    QCOMPARE(RecordIDs(LastSent()), QList<int32_t>({3, 8}));
    QCOMPARE(SentWord(LastSent(), 8, StimulatorRecord::ControlWord), StimulatorRecord::NoChange);
}

// A panel that fails on its report: the completion's handling stops there,
// what it did before stays done, and the session goes on.
void TestSession::errorInCompletionSwallowed()
{
    QVERIFY(ShowDevices(*form, {{1}}));
    QVERIFY(Tick(form->tmrPoll));

    V57Double::CompleteUpdate(Block({{1}, {2, 0, TRecordingPanel::FailMark}, {3}}));
    Deliver(*form);

    QCOMPARE(PanelIDs(*form), QList<int32_t>({1, 2}));
    QVERIFY(!form->tmrWatchDog->isActive());
    QVERIFY(form->tmrPoll->isActive());
    QCOMPARE(form->sbStatus->currentMessage(), QStringLiteral("API library Initialised."));

    QVERIFY(ShowDevices(*form, {{3}, {2}, {1}}));
    QCOMPARE(PanelIDs(*form), QList<int32_t>({1, 2, 3}));
}

QTEST_MAIN(TestSession)
#include "tst_Session.moc"
