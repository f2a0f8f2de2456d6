// The device library contract, through libV57API.so's C entry points: one
// callback per accepted request, on a thread of the library's own, in request
// order; new-state bytes copied during the call; refusals; close; exit.
#include "ApiRecorder.h"
#include "LibraryThreads.h"
#include "ResultCodes.h"
#include "SimEngine.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

using namespace ApiRoundTrip;
namespace Code = V57Sim::ResultCode;

class TSimulatorContractTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        TApiRecorder::Instance().Clear();
        fReference = 0;
    }
    void cleanup()
    {
        if (fReference != 0)
            QVERIFY(Close(fReference));
    }

    void initialiseCompletesOnceOnTheLibrarysThread()
    {
        int32_t initResult = 0;
        QCOMPARE(PXV57_Initialise(&fReference, &initResult, TApiRecorder::OnInitialise,
                                  TApiRecorder::Tag(42)),
                 PXV57_PENDING);
        QCOMPARE(initResult, PXV57_PENDING);
        QVERIFY(fReference != 0);
        auto &recorder = TApiRecorder::Instance();
        QVERIFY(recorder.WaitForCount(1));
        // A later completion comes after any stray second one would have.
        QVERIFY(Update(fReference));
        const auto all = recorder.Completions();
        QCOMPARE(all.size(), 2u);
        QCOMPARE(all[0].Kind, TCompletion::TKind::Initialise);
        QCOMPARE(all[0].Result, Code::Ready);
        QCOMPARE(all[0].Tag, intptr_t(42));
        QVERIFY(all[0].Thread != std::this_thread::get_id());
    }

    void updateDeliversEveryConnectedDevice()
    {
        QVERIFY(Initialise(fReference));
        const auto done = Update(fReference);
        QVERIFY(done);
        QVERIFY(done->Thread != std::this_thread::get_id());
        QCOMPARE(done->Block.size(), DeviceBlock::BlockSize(2, StimulatorRecord::Size));
        const auto reports = Reports(done->Block);
        QCOMPARE(reports.size(), 2u);
        QCOMPARE(reports[0].DeviceID, V57Sim::DefaultDevices[0].DeviceID);
        QCOMPARE(reports[1].DeviceID, V57Sim::DefaultDevices[1].DeviceID);
        QCOMPARE(reports[0].VersionID, V57Sim::DefaultDevices[0].VersionID);
        // Word 2 and word 12 carry nothing.
        QCOMPARE(DeviceBlock::Word(done->Block.data() + 4, 2), 0);
        QCOMPARE(DeviceBlock::Word(done->Block.data() + 4, 12), 0);
    }

    void newStateIsCopiedDuringTheCall()
    {
        QVERIFY(Initialise(fReference));
        StimulatorRecord::TSettings settings;
        settings.DeviceID = V57Sim::DefaultDevices[1].DeviceID;
        settings.ControlWord = 0x169;
        settings.Demand = 4321;
        settings.Limit = 10000;
        settings.Width = 300;
        settings.Recovery = 50;
        settings.Dwell = 20;
        const std::vector<uint8_t> block = SettingsBlock(settings);
        auto bytes = std::make_unique<uint8_t[]>(block.size());
        std::memcpy(bytes.get(), block.data(), block.size());

        auto &recorder = TApiRecorder::Instance();
        const std::size_t before = recorder.Count();
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, bytes.get(), int32_t(block.size()), nullptr,
                                nullptr, TApiRecorder::OnUpdate, nullptr),
                 PXV57_PENDING);
        // As the program does: the bytes are gone as soon as the call returns.
        std::memset(bytes.get(), 0xFF, block.size());
        bytes.reset();
        QVERIFY(recorder.WaitForCount(before + 1));

        const auto reports = Reports(recorder.Completions().back().Block);
        QCOMPARE(reports.size(), 2u);
        QCOMPARE(reports[1].Demand, 4321);
        QCOMPARE(reports[1].Width, 300);
        QCOMPARE(reports[1].Control.Mode, int32_t(StimulatorRecord::BiPhasic));
        QCOMPARE(reports[1].Control.Polarity, int32_t(StimulatorRecord::Alternating));
        QCOMPARE(reports[1].Control.Output, 1);
        QCOMPARE(reports[0].Demand, 100); // the other device is untouched
    }

    void completionsFollowRequestOrder()
    {
        QVERIFY(Initialise(fReference));
        auto &recorder = TApiRecorder::Instance();
        recorder.Clear();
        constexpr int Requests = 30;
        for (int k = 0; k < Requests; ++k)
            QCOMPARE(PXV57_UpdateEx(fReference, nullptr, nullptr, 0, nullptr, nullptr,
                                    TApiRecorder::OnUpdate, TApiRecorder::Tag(k)),
                     PXV57_PENDING);
        QVERIFY(recorder.WaitForCount(Requests));
        const auto all = recorder.Completions();
        for (int k = 0; k < Requests; ++k)
            QCOMPARE(all[std::size_t(k)].Tag, intptr_t(k));
    }

    void concurrentCallersEachGetOneCallbackPerAcceptance()
    {
        QVERIFY(Initialise(fReference));
        auto &recorder = TApiRecorder::Instance();
        recorder.Clear();
        constexpr int Threads = 4;
        constexpr int PerThread = 40;
        std::vector<std::thread> callers;
        std::atomic<int> accepted{0};
        for (int t = 0; t < Threads; ++t)
            callers.emplace_back([&, t] {
                for (int k = 0; k < PerThread; ++k)
                    if (PXV57_UpdateEx(fReference, nullptr, nullptr, 0, nullptr, nullptr,
                                       TApiRecorder::OnUpdate,
                                       TApiRecorder::Tag(t * 1000 + k))
                        == PXV57_PENDING)
                        ++accepted;
            });
        for (std::thread &caller : callers)
            caller.join();
        QCOMPARE(accepted.load(), Threads * PerThread);
        QVERIFY(recorder.WaitForCount(Threads * PerThread));
        QVERIFY(Update(fReference)); // nothing more arrives before this one
        auto all = recorder.Completions();
        all.pop_back();
        QCOMPARE(int(all.size()), Threads * PerThread);
        // Each request once, and each caller's requests in its order.
        std::map<int, int> lastOfThread;
        for (const TCompletion &c : all) {
            const int thread = int(c.Tag / 1000), k = int(c.Tag % 1000);
            const auto last = lastOfThread.find(thread);
            QVERIFY(last == lastOfThread.end() || last->second == k - 1);
            lastOfThread[thread] = k;
        }
        for (int t = 0; t < Threads; ++t)
            QCOMPARE(lastOfThread[t], PerThread - 1);
    }

    void referencesNotHandedOutAreRefused()
    {
        QVERIFY(Initialise(fReference));
        auto &recorder = TApiRecorder::Instance();
        const std::size_t before = recorder.Count();
        for (const int32_t stranger : {0, fReference + 1, 12345, -1}) {
            int32_t result = 0;
            QCOMPARE(PXV57_UpdateEx(stranger, &result, nullptr, 0, nullptr, nullptr,
                                    TApiRecorder::OnUpdate, nullptr),
                     Code::InvalidHandle);
            QCOMPARE(result, Code::InvalidHandle);
            int32_t copy = stranger;
            QCOMPARE(PXV57_Close(&copy, nullptr, TApiRecorder::OnClose, nullptr), Code::InvalidHandle);
        }
        int32_t second = 0;
        QCOMPARE(PXV57_Initialise(&second, nullptr, TApiRecorder::OnInitialise, nullptr),
                 Code::AlreadyInitialised);
        QCOMPARE(second, 0);
        QVERIFY(Update(fReference)); // the refusals left no callback behind
        QCOMPARE(recorder.Count(), before + 1);
    }

    void badArgumentsAreRefusedAndNullResultsTolerated()
    {
        QCOMPARE(PXV57_Initialise(nullptr, nullptr, TApiRecorder::OnInitialise, nullptr),
                 Code::InvalidParameter);
        QCOMPARE(PXV57_Initialise(&fReference, nullptr, nullptr, nullptr), Code::InvalidParameter);
        QCOMPARE(fReference, 0);
        QCOMPARE(PXV57_Initialise(&fReference, nullptr, TApiRecorder::OnInitialise, nullptr),
                 PXV57_PENDING);
        QVERIFY(TApiRecorder::Instance().WaitForCount(1));
        const uint8_t byte = 0;
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, &byte, -1, nullptr, nullptr,
                                TApiRecorder::OnUpdate, nullptr),
                 Code::InvalidParameter);
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, nullptr, 8, nullptr, nullptr,
                                TApiRecorder::OnUpdate, nullptr),
                 Code::InvalidParameter);
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr),
                 Code::InvalidParameter);
        // A block shorter than it claims is read as far as it goes.
        const std::vector<uint8_t> shortBlock{9, 0, 0, 0, 1, 2};
        const auto done = Update(fReference, shortBlock);
        QVERIFY(done);
        QCOMPARE(Reports(done->Block).size(), 2u);
    }

    void closeCompletesAndStopsTheLibrarysThreads()
    {
        // The worker of the session before may still be returning.
        QTRY_COMPARE_WITH_TIMEOUT(LibraryThreadCount(), 0, 20000);
        QVERIFY(Initialise(fReference));
        QCOMPARE(LibraryThreadCount(), 1);
        const int32_t closed = fReference;
        // An update still in flight completes before the close.
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, nullptr, 0, nullptr, nullptr,
                                TApiRecorder::OnUpdate, TApiRecorder::Tag(1)),
                 PXV57_PENDING);
        int32_t closeResult = 0;
        QCOMPARE(PXV57_Close(&fReference, &closeResult, TApiRecorder::OnClose, TApiRecorder::Tag(2)),
                 PXV57_PENDING);
        QCOMPARE(closeResult, PXV57_PENDING);
        QCOMPARE(fReference, 0);
        auto &recorder = TApiRecorder::Instance();
        QVERIFY(recorder.WaitForCount(3));
        const auto all = recorder.Completions();
        QCOMPARE(all[1].Tag, intptr_t(1));
        QCOMPARE(all[2].Kind, TCompletion::TKind::Close);
        QCOMPARE(all[2].Result, Code::Ready);
        QVERIFY(all[2].Thread != std::this_thread::get_id());
        QTRY_COMPARE_WITH_TIMEOUT(LibraryThreadCount(), 0, 20000);
        QCOMPARE(PXV57_UpdateEx(closed, nullptr, nullptr, 0, nullptr, nullptr,
                                TApiRecorder::OnUpdate, nullptr),
                 Code::InvalidHandle);

        // The library starts again, with a new reference.
        QVERIFY(Initialise(fReference));
        QVERIFY(fReference != 0 && fReference != closed);
        QVERIFY(Update(fReference));
    }

    void exitWithRequestsInFlightIsClean_data()
    {
        QTest::addColumn<QString>("socket");
        QTest::newRow("plain") << QString();
        QTest::newRow("with control socket") << fFolder.filePath("exit-probe.sock");
    }
    void exitWithRequestsInFlightIsClean()
    {
        QFETCH(QString, socket);
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("PXV57_SIM_SCENARIO");
        if (!socket.isEmpty())
            environment.insert("PXV57_SIM_SOCKET", socket);
        probe.setProcessEnvironment(environment);
        probe.start(EXIT_PROBE, {});
        QVERIFY(probe.waitForFinished(60000));
        const QByteArray errors = probe.readAllStandardError();
        QVERIFY2(probe.exitStatus() == QProcess::NormalExit, errors.constData());
        QVERIFY2(probe.exitCode() == 0, errors.constData());
        QVERIFY2(!errors.contains("late callback"), errors.constData());
        if (!socket.isEmpty())
            QVERIFY(!QFile::exists(socket));
    }

private:
    QTemporaryDir fFolder;
    int32_t fReference = 0;
};

QTEST_GUILESS_MAIN(TSimulatorContractTest)
#include "tst_simulator_contract.moc"
