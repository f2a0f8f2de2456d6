// Scenario files through libV57API.so: each link fault, devices plugged and
// pulled on the scenario's clock, and bad lines reported on standard error.
#include "ApiRecorder.h"
#include "ResultCodes.h"
#include "SimEngine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace ApiRoundTrip;
namespace Code = V57Sim::ResultCode;

class TSimulatorFaultsTest : public QObject {
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
        qunsetenv("PXV57_SIM_SCENARIO");
    }

    void refuseInitRefusesOnceWithItsCode()
    {
        UseScenario("refuse-init 1234\n");
        auto &recorder = TApiRecorder::Instance();
        int32_t result = 0;
        QCOMPARE(PXV57_Initialise(&fReference, &result, TApiRecorder::OnInitialise, nullptr), 1234);
        QCOMPARE(result, 1234);
        QCOMPARE(fReference, 0);
        const auto ready = Initialise(fReference); // the fault is spent
        QVERIFY(ready);
        QCOMPARE(ready->Result, Code::Ready);
        QCOMPARE(recorder.Count(), 1u); // no callback for the refusal
    }

    void initErrorCompletesWithTheCodeAndRevokesTheReference()
    {
        UseScenario("init-error 31\n");
        const auto failed = Initialise(fReference);
        QVERIFY(failed);
        QCOMPARE(failed->Result, 31);
        QVERIFY(fReference != 0);
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, nullptr, 0, nullptr, nullptr,
                                TApiRecorder::OnUpdate, nullptr),
                 Code::InvalidHandle);
        const auto ready = Initialise(fReference);
        QVERIFY(ready);
        QCOMPARE(ready->Result, Code::Ready);
        QVERIFY(Update(fReference));
    }

    void nullReferenceLeavesTheHandleZero()
    {
        UseScenario("null-reference\n");
        const auto done = Initialise(fReference);
        QVERIFY(done);
        QCOMPARE(done->Result, Code::Ready);
        QCOMPARE(fReference, 0);
        QCOMPARE(PXV57_UpdateEx(0, nullptr, nullptr, 0, nullptr, nullptr, TApiRecorder::OnUpdate,
                                nullptr),
                 Code::InvalidHandle);
        QVERIFY(Initialise(fReference)); // a second try gets a real one
        QVERIFY(fReference != 0);
    }

    void refuseUpdatesRefusesTheNextN()
    {
        UseScenario("refuse-updates 2 1167\n");
        QVERIFY(Initialise(fReference));
        for (int k = 0; k < 2; ++k) {
            int32_t result = 0;
            QCOMPARE(PXV57_UpdateEx(fReference, &result, nullptr, 0, nullptr, nullptr,
                                    TApiRecorder::OnUpdate, nullptr),
                     1167);
            QCOMPARE(result, 1167);
        }
        QVERIFY(Update(fReference));
        QCOMPARE(TApiRecorder::Instance().Count(), 2u); // initialise and the one accepted
    }

    void delayHoldsCompletionsBack()
    {
        UseScenario("delay 400\n");
        QElapsedTimer timer;
        timer.start();
        QVERIFY(Initialise(fReference));
        QVERIFY(timer.elapsed() >= 400);
        timer.restart();
        QVERIFY(Update(fReference));
        QVERIFY(timer.elapsed() >= 400);
    }

    void dropCompletionLosesOneCallback()
    {
        UseScenario("drop-completion\n");
        QVERIFY(Initialise(fReference));
        auto &recorder = TApiRecorder::Instance();
        recorder.Clear();
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, nullptr, 0, nullptr, nullptr,
                                TApiRecorder::OnUpdate, TApiRecorder::Tag(1)),
                 PXV57_PENDING);
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, nullptr, 0, nullptr, nullptr,
                                TApiRecorder::OnUpdate, TApiRecorder::Tag(2)),
                 PXV57_PENDING);
        QVERIFY(recorder.WaitForCount(1));
        // Completions keep request order, so the first is lost for good.
        QVERIFY(Update(fReference));
        const auto all = recorder.Completions();
        QCOMPARE(all.size(), 2u);
        QCOMPARE(all[0].Tag, intptr_t(2));
    }

    void emptyBlockDeliversNothing()
    {
        UseScenario("empty-block\n");
        QVERIFY(Initialise(fReference));
        const auto empty = Update(fReference);
        QVERIFY(empty);
        QVERIFY(empty->NullBlock);
        QVERIFY(empty->Block.empty());
        const auto full = Update(fReference);
        QVERIFY(full);
        QCOMPARE(Reports(full->Block).size(), 2u);
    }

    void truncatedBlockDeliversItsFirstBytes()
    {
        UseScenario("truncated-block 30 2\n");
        QVERIFY(Initialise(fReference));
        const auto first = Update(fReference);
        const auto second = Update(fReference);
        const auto whole = Update(fReference);
        QVERIFY(first && second && whole);
        QCOMPARE(first->Block.size(), 30u);
        QCOMPARE(second->Block.size(), 30u);
        QCOMPARE(whole->Block.size(), 108u);
        QVERIFY(std::equal(first->Block.begin(), first->Block.end(), whole->Block.begin()));
    }

    void devicesComeAndGoOnTheScenarioClock()
    {
        UseScenario("no-default-devices\n"
                    "@0.2 plug 0x1234 1.0.2.3\n"
                    "@2.5 unplug 0x1234\n");
        QVERIFY(Initialise(fReference));
        auto devicesNow = [&] {
            const auto done = Update(fReference);
            return done ? int(Reports(done->Block).size()) : -1;
        };
        QTRY_COMPARE_WITH_TIMEOUT(devicesNow(), 1, 20000);
        const auto plugged = Update(fReference);
        QVERIFY(plugged);
        const auto reports = Reports(plugged->Block);
        if (!reports.empty()) { // it may be gone already on a very slow machine
            QCOMPARE(reports[0].DeviceID, 0x1234);
            QCOMPARE(reports[0].VersionID, 0x01000203u);
        }
        QTRY_COMPARE_WITH_TIMEOUT(devicesNow(), 0, 20000);
    }

    void badLinesAreReportedOnStandardErrorAndTheRestRuns()
    {
        const QString path = UseScenario("set 0x00A1B201 demand 2500\nbogus line\n");
        const QByteArray errors = CapturingStandardError([&] { QVERIFY(Initialise(fReference)); });
        QVERIFY2(errors.contains(QString(path + ":2: unknown command 'bogus'").toUtf8()),
                 errors.constData());
        const auto done = Update(fReference);
        QVERIFY(done);
        QCOMPARE(Reports(done->Block)[0].Demand, 2500);
    }

private:
    // Writes a scenario file and names it for the next session.
    QString UseScenario(const QByteArray &text)
    {
        const QString path = fFolder.filePath(QString("scenario%1.scn").arg(++fFiles));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write %s", qPrintable(path));
        qputenv("PXV57_SIM_SCENARIO", path.toUtf8());
        return path;
    }

    template <class TAction>
    QByteArray CapturingStandardError(TAction action)
    {
        const QString path = fFolder.filePath("stderr.txt");
        std::fflush(stderr);
        const int saved = ::dup(2);
        const int file = ::open(qPrintable(path), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, 2);
        ::close(file);
        action();
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        QFile captured(path);
        captured.open(QIODevice::ReadOnly);
        return captured.readAll();
    }

    QTemporaryDir fFolder;
    int fFiles = 0;
    int32_t fReference = 0;
};

QTEST_GUILESS_MAIN(TSimulatorFaultsTest)
#include "tst_simulator_faults.moc"
