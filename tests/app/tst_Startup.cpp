// Start-up of the main window against the scripted library: caption, the
// initialise outcome, the class operations, the waiting animation, and
// completions that come from other threads or after the window has gone.
#include "Application.h"
#include "FV57ControlFormU.h"
#include "MainWindowFixture.h"
#include "ModuleResources.h"
#include "TConnectorU.h"

#include <QImage>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <thread>

using namespace Fixture;

using TClassOperation = std::function<void(TDeviceControllerClass)>;
Q_DECLARE_METATYPE(TClassOperation)

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { V57Double::Reset(); }

    void qtStyleOnCommandLine_data();
    void qtStyleOnCommandLine();

    void captionAndInitialise();
    void initialiseOutcome_data();
    void initialiseOutcome();
    void genericClassOperations_data();
    void genericClassOperations();
    void updateArguments_data();
    void updateArguments();
    void framesStopAtFirstGap();
    void animationWrapsAndResumes();
    void completionFromForeignThread();
    void completionAfterWindowGone_data();
    void completionAfterWindowGone();
};

void TestStartup::captionAndInitialise()
{
    TForm1 form;
    QCOMPARE(form.windowTitle(), TConnector::DeviceControllerClass()->FormTitle());
    QCOMPARE(form.windowTitle(), QStringLiteral("Pellix Control Panel"));
    QCOMPARE(V57Double::InitialiseCalls(), 1);
    QVERIFY(form.sbStatus->currentMessage().isEmpty());
    QVERIFY(form.tmrAnimate->isActive());
    QVERIFY(!form.tmrPoll->isActive());
    QVERIFY(!form.tmrWatchDog->isActive());
    for (QTimer *timer : {form.tmrPoll, form.tmrWatchDog, form.tmrAnimate}) {
        QCOMPARE(form.findChild<QTimer *>(timer->objectName()), timer);
        QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    }
    QCOMPARE(form.tmrPoll->intervalAsDuration(), MainTimings::PollInterval);
    QCOMPARE(form.tmrWatchDog->intervalAsDuration(), MainTimings::WatchDogInterval);
    QCOMPARE(form.tmrAnimate->intervalAsDuration(), MainTimings::AnimateInterval);
    QCOMPARE(form.sbStatus->objectName(), QStringLiteral("sbStatus"));
    QCOMPARE(form.imgSpinner->objectName(), QStringLiteral("imgSpinner"));
}

void TestStartup::initialiseOutcome_data()
{
    QTest::addColumn<int>("requestResult");
    QTest::addColumn<int>("completion"); // unused when the request is refused
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("polling");

    QTest::newRow("accepted, ready") << PXV57_PENDING << 0 << "API library Initialised." << true;
    QTest::newRow("refused, negative code")
        << -5 << 0 << "Error loading API library. (-5)" << false;
    QTest::newRow("refused, positive code") << 6 << 0 << "Error loading API library. (6)" << false;
    QTest::newRow("completed with an error") << PXV57_PENDING << 3 << "Initialise Error. (3)" << false;
    QTest::newRow("completed with a negative error")
        << PXV57_PENDING << -2 << "Initialise Error. (-2)" << false;
}

void TestStartup::initialiseOutcome()
{
    QFETCH(int, requestResult);
    QFETCH(int, completion);
    QFETCH(QString, status);
    QFETCH(bool, polling);

    V57Double::SetInitialiseResult(requestResult);
    TForm1 form;
    V57Double::CompleteInitialise(completion);
    Deliver(form);

    QCOMPARE(form.sbStatus->currentMessage(), status);
    QCOMPARE(form.tmrPoll->isActive(), polling);
    QVERIFY(!form.tmrWatchDog->isActive());
    QVERIFY(form.tmrAnimate->isActive()); // the gears turn on, whatever the outcome
    QVERIFY(V57Double::UpdateCalls().empty());
}

void TestStartup::genericClassOperations_data()
{
    QTest::addColumn<TClassOperation>("operation");
    QTest::addColumn<QString>("message");

    QTest::newRow("FormTitle") << TClassOperation([](TDeviceControllerClass c) { c->FormTitle(); })
                               << "Unhandled TFGenericDeviceIntf.FormTitle.";
    QTest::newRow("DeviceRecordSize")
        << TClassOperation([](TDeviceControllerClass c) { c->DeviceRecordSize(); })
        << "Unhandled TFGenericDeviceIntf.DeviceRecordSize.";
    QTest::newRow("PXxxx_Initialise") << TClassOperation([](TDeviceControllerClass c) {
        int32_t reference = 0, result = 0;
        c->PXxxx_Initialise(reference, result, nullptr, nullptr);
    }) << "Unhandled TFGenericDeviceIntf.PXxxx_Initialise.";
    QTest::newRow("PXxxx_Update") << TClassOperation([](TDeviceControllerClass c) {
        int32_t result = 0;
        QByteArray currentState;
        c->PXxxx_Update(1, result, QByteArray(), currentState, nullptr, nullptr);
    }) << "Unhandled TFGenericDeviceIntf.PXxxx_Update.";
    QTest::newRow("PXxxx_Close") << TClassOperation([](TDeviceControllerClass c) {
        int32_t reference = 1, result = 0;
        c->PXxxx_Close(reference, result, nullptr, nullptr);
    }) << "Unhandled TFGenericDeviceIntf.PXxxx_Close.";
}

void TestStartup::genericClassOperations()
{
    QFETCH(TClassOperation, operation);
    QFETCH(QString, message);

    try {
        operation(TFGenericDeviceIntf::ClassType());
        QFAIL("no exception");
    } catch (const EUnhandledDeviceIntf &error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
    // The generic operations never reach the library.
    QCOMPARE(V57Double::InitialiseCalls(), 0);
    QVERIFY(V57Double::UpdateCalls().empty());
}

void TestStartup::updateArguments_data()
{
    QTest::addColumn<QByteArray>("newState");
    QTest::addColumn<QByteArray>("currentState");

    QTest::newRow("empty block, empty current state") << QByteArray() << QByteArray();
    QTest::newRow("one record, current state kept")
        << QByteArray(reinterpret_cast<const char *>(Block({{5}}).data()), 56)
        << QByteArray("kept");
}

namespace {
// A callback of the library's calling convention (__stdcall on x86).
void PXV57_CALL IgnoreUpdate(int32_t, const uint8_t *, int32_t, void *) {}
} // namespace

void TestStartup::updateArguments()
{
    QFETCH(QByteArray, newState);
    QFETCH(QByteArray, currentState);

    int32_t updateResult = 0;
    QByteArray current = currentState;
    QCOMPARE(TFV57ControlForm::ClassType()->PXxxx_Update(42, updateResult, newState, current, IgnoreUpdate,
                                                         nullptr),
             PXV57_PENDING);

    const auto calls = V57Double::UpdateCalls();
    QCOMPARE(calls.size(), 1u);
    const V57Double::TUpdateCall &call = calls.front();
    QCOMPARE(call.Reference, 42);
    QCOMPARE(call.NewStateNull, newState.isEmpty());
    QCOMPARE(call.NewStateSize, int32_t(newState.size()));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(call.NewState.data()),
                        qsizetype(call.NewState.size())),
             newState);
    QVERIFY(call.CurrentStateNull);
    QCOMPARE(call.CurrentStateSizeIn, 0);
    QCOMPARE(current, currentState);
}

void TestStartup::framesStopAtFirstGap()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    // Frames 1, 2 and 4, named in mixed case; each frame's width is its number.
    for (const auto &[name, width] :
         {std::pair("PngImage_1", 1), std::pair("PNGIMAGE_2", 2), std::pair("pngimage_4", 4)}) {
        QImage frame(width, 3, QImage::Format_RGBA8888);
        frame.fill(Qt::red);
        QVERIFY(frame.save(root.filePath(QLatin1String(name)), "PNG"));
    }

    std::vector<QPixmap> frames;
    for (const QString &path : NumberedFramePaths(TModuleResources(root.path()), QStringLiteral("PngImage_")))
        frames.emplace_back(path, "PNG");
    QCOMPARE(frames.size(), 2u);
    QCOMPARE(frames[0].width(), 1);
    QCOMPARE(frames[1].width(), 2);
}

void TestStartup::animationWrapsAndResumes()
{
    TForm1 form;
    QVERIFY(form.imgSpinner->pixmap().isNull()); // empty until the first tick

    // Two full turns and one frame: the built-in frames, in order, then again.
    QList<QImage> shown;
    for (int i = 0; i < 61; ++i) {
        QVERIFY(Tick(form.tmrAnimate));
        shown.append(form.imgSpinner->pixmap().toImage());
    }
    const qsizetype frameCount = shown.indexOf(shown.front(), 1);
    QCOMPARE(frameCount, 30);
    QCOMPARE(shown.mid(30, 30), shown.mid(0, 30));
    QCOMPARE(shown.at(60), shown.at(0));

    // Hidden after showing frame 0, it shows that frame again when shown,
    // and resumes with frame 1 at the next tick.
    form.BackgroundVisability(false);
    QVERIFY(!form.tmrAnimate->isActive());
    QVERIFY(form.imgSpinner->isHidden());
    form.BackgroundVisability(true);
    QVERIFY(!form.imgSpinner->isHidden());
    QCOMPARE(form.imgSpinner->pixmap().toImage(), shown.at(0));
    QVERIFY(Tick(form.tmrAnimate));
    QCOMPARE(form.imgSpinner->pixmap().toImage(), shown.at(1));
}

void TestStartup::completionFromForeignThread()
{
    TForm1 form;
    V57Double::CompleteInitialise(0);
    V57Double::Flush();
    QVERIFY(V57Double::CallbackThread() != std::this_thread::get_id());
    // Posting touches nothing of the window: it waits for the window's thread.
    QVERIFY(form.sbStatus->currentMessage().isEmpty());
    QTRY_COMPARE(form.sbStatus->currentMessage(), QStringLiteral("API library Initialised."));

    // Any thread at all may post: here one that the library does not own.
    form.sbStatus->clearMessage();
    const TWindowHandle handle = form.Handle();
    std::thread([handle] { TForm1::InitialiseCallback(7, reinterpret_cast<void *>(handle)); })
        .join();
    QTRY_COMPARE(form.sbStatus->currentMessage(), QStringLiteral("Initialise Error. (7)"));
}

void TestStartup::completionAfterWindowGone_data()
{
    QTest::addColumn<bool>("queuedBeforeClose");
    QTest::newRow("queued when the window closes") << true;
    QTest::newRow("made after the window closed") << false;
}

// The completion's packet is released with the message that nobody handles;
// the AddressSanitizer build checks that nothing leaks.
void TestStartup::completionAfterWindowGone()
{
    QFETCH(bool, queuedBeforeClose);

    auto form = StartedForm();
    QVERIFY(Tick(form->tmrPoll));
    QCOMPARE(V57Double::PendingUpdates(), 1);
    if (queuedBeforeClose) {
        V57Double::CompleteUpdate(Block({{7}, {3}}));
        V57Double::Flush();
    }
    form.reset();
    if (!queuedBeforeClose) {
        V57Double::CompleteUpdate(Block({{7}, {3}}));
        V57Double::Flush();
    }
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();

    // A new window gets a new handle: the old one never reaches it.
    TForm1 next;
    V57Double::CompleteSpurious(Block({{7}}));
    V57Double::Flush();
    QCoreApplication::processEvents();
    QVERIFY(next.DeviceFrames().empty());
}

void TestStartup::qtStyleOnCommandLine_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<bool>("requested");
    QTest::newRow("none") << QByteArrayList{} << false;
    QTest::newRow("-style NAME") << QByteArrayList{"-style", "fusion"} << true;
    QTest::newRow("--style=NAME") << QByteArrayList{"--style=fusion"} << true;
    QTest::newRow("-style with no name") << QByteArrayList{"-style"} << false;
    QTest::newRow("other options") << QByteArrayList{"-platform", "offscreen", "stylefusion"} << false;
}

void TestStartup::qtStyleOnCommandLine()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(bool, requested);
    std::vector<const char *> argv{"pellix-control-panel"};
    for (const QByteArray &argument : arguments)
        argv.push_back(argument.constData());
    QCOMPARE(QtStyleRequested(int(argv.size()), argv.data()), requested);
}

QTEST_MAIN(TestStartup)
#include "tst_Startup.moc"
