// The live instrument side: the control socket that a session opens when
// PXV57_SIM_SOCKET names one, and the v57sim tool that talks to it.
#include "ApiRecorder.h"
#include "SimEngine.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ControlSocket.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace ApiRoundTrip;

namespace {

struct TToolRun {
    int ExitCode = -1;
    QStringList Answers;
    QByteArray Errors;
};

} // namespace

class TSimulatorSocketTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        TApiRecorder::Instance().Clear();
        fReference = 0;
        fSocket = fFolder.filePath("control.sock");
        qputenv("PXV57_SIM_SOCKET", fSocket.toUtf8());
    }
    void cleanup()
    {
        if (fReference != 0)
            QVERIFY(Close(fReference));
        qunsetenv("PXV57_SIM_SOCKET");
    }

    // First, while ThreadSanitizer's history is fresh.
    void liveLinesWhileUpdatesRun()
    {
        QVERIFY(Initialise(fReference));
        QByteArray lines;
        constexpr int Lines = 300;
        for (int k = 1; k <= Lines; ++k)
            lines += "set 0x00A1B214 demand " + QByteArray::number(k) + "\nstate 0x00A1B214\n";
        QProcess tool;
        tool.start(V57SIM_TOOL, {}, QIODevice::ReadWrite | QIODevice::Text);
        QVERIFY(tool.waitForStarted(30000));
        tool.write(lines);
        tool.closeWriteChannel();
        while (!tool.waitForFinished(0))
            QVERIFY(Update(fReference));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(tool.readAllStandardOutput().count("ok\n"), Lines);
        const auto done = Update(fReference);
        QVERIFY(done);
        QCOMPARE(Reports(done->Block)[1].Demand, Lines);
    }

    void socketGoesWithTheSession()
    {
        QCOMPARE(RunTool({"devices"}).ExitCode, 2);
        QVERIFY(Initialise(fReference));
        QCOMPARE(RunTool({"devices"}).ExitCode, 0);
        QVERIFY(Close(fReference));
        QCOMPARE(RunTool({"devices"}).ExitCode, 2); // nobody listens any more
    }

    // A second simulator (another program on the library) keeps its hands off.
    void addressInUseIsRefused()
    {
        QVERIFY(Initialise(fReference));
        QStringList messages;
        const auto second = V57Sim::TControlSocketServer::Start(
            fSocket.toStdString(), [](std::string_view) { return std::string("second"); },
            [&](const std::string &message) { messages << QString::fromStdString(message); });
        QVERIFY(!second);
        QCOMPARE(messages, QStringList{"control socket " + fSocket
                                       + ": in use by another simulator; no control socket"});
        const TToolRun devices = RunTool({"devices"});
        QCOMPARE(devices.Answers, QStringList{"devices 0x00A1B201 0x00A1B214"});
    }

#ifndef _WIN32
    void socketFileIsPrivateAndGoesWithTheSession()
    {
        QVERIFY(!QFileInfo::exists(fSocket));
        QVERIFY(Initialise(fReference));
        struct stat info;
        QCOMPARE(::stat(qPrintable(fSocket), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & 0777, 0600u);
        QVERIFY(Close(fReference));
        QVERIFY(!QFileInfo::exists(fSocket));
    }
#endif

    void toolPlugsSetsAndReadsBack()
    {
        QVERIFY(Initialise(fReference));
        const TToolRun plug = RunTool({"plug", "0x1234", "1.0.2.3"});
        QCOMPARE(plug.Answers, QStringList{"ok"});
        QCOMPARE(plug.ExitCode, 0);

        const auto done = Update(fReference);
        QVERIFY(done);
        const auto reports = Reports(done->Block);
        QCOMPARE(reports.size(), 3u);
        QCOMPARE(reports[2].DeviceID, 0x1234);
        QCOMPARE(reports[2].VersionID, 0x01000203u);

        // Lines from standard input, one answer each; comments are not sent.
        const TToolRun lines = RunTool({}, "# at the instrument\n"
                                           "set 0x1234 demand 500\n"
                                           "\n"
                                           "state 0x1234\n"
                                           "devices\n");
        QCOMPARE(lines.ExitCode, 0);
        QCOMPARE(lines.Answers.size(), 3);
        QCOMPARE(lines.Answers[0], "ok");
        QVERIFY2(lines.Answers[1].startsWith("id=0x00001234 version=1.0.2.3 "), qPrintable(lines.Answers[1]));
        QVERIFY(lines.Answers[1].contains(" demand=500 "));
        QCOMPARE(lines.Answers[2], "devices 0x00A1B201 0x00A1B214 0x00001234");

        const auto after = Update(fReference);
        QVERIFY(after);
        QCOMPARE(Reports(after->Block)[2].Demand, 500);

        QCOMPARE(RunTool({"unplug", "0x1234"}).Answers, QStringList{"ok"});
        QCOMPARE(Reports(Update(fReference)->Block).size(), 2u);
    }

    void toolReportsErrorsWithItsExitCode()
    {
        QVERIFY(Initialise(fReference));
        const TToolRun bad = RunTool({}, "set 0x00A1B201 demand 300\nplg 5\nstate 0x42\n");
        QCOMPARE(bad.ExitCode, 1);
        QCOMPARE(bad.Answers.size(), 3);
        QCOMPARE(bad.Answers[0], "ok");
        QCOMPARE(bad.Answers[1], "error: unknown command 'plg'");
        QCOMPARE(bad.Answers[2], "error: no device 0x00000042");
        QCOMPARE(RunTool({"@1", "plug", "5"}).ExitCode, 1);
    }

    void faultsCanBeSetLive()
    {
        QVERIFY(Initialise(fReference));
        QCOMPARE(RunTool({"refuse-updates", "1", "55"}).Answers, QStringList{"ok"});
        QCOMPARE(PXV57_UpdateEx(fReference, nullptr, nullptr, 0, nullptr, nullptr,
                                TApiRecorder::OnUpdate, nullptr),
                 55);
        QVERIFY(Update(fReference));
    }

#ifndef _WIN32
    void staleSocketIsReplacedAndOtherFilesAreLeftAlone()
    {
        // A socket file nobody listens on, as a crashed run leaves behind.
        {
            QVERIFY(Initialise(fReference));
            const QString moved = fFolder.filePath("stale.sock");
            QVERIFY(QFile::rename(fSocket, moved));
            QVERIFY(Close(fReference));
            QVERIFY(QFile::rename(moved, fSocket));
        }
        QVERIFY(Initialise(fReference));
        QCOMPARE(RunTool({"devices"}).ExitCode, 0);
        QVERIFY(Close(fReference));

        QFile plain(fSocket);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("keep me");
        plain.close();
        QVERIFY(Initialise(fReference)); // the library runs without its socket
        QVERIFY(Update(fReference));
        QVERIFY(plain.open(QIODevice::ReadOnly));
        QCOMPARE(plain.readAll(), QByteArray("keep me"));
        plain.remove();
    }
#endif

private:
    TToolRun RunTool(const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess tool;
        tool.start(V57SIM_TOOL, arguments, QIODevice::ReadWrite | QIODevice::Text);
        TToolRun run;
        if (!tool.waitForStarted(30000))
            return run;
        tool.write(input);
        tool.closeWriteChannel();
        if (!tool.waitForFinished(30000))
            return run;
        run.ExitCode = tool.exitCode();
        run.Answers = QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        run.Errors = tool.readAllStandardError();
        return run;
    }

    QTemporaryDir fFolder;
    QString fSocket;
    int32_t fReference = 0;
};

QTEST_GUILESS_MAIN(TSimulatorSocketTest)
#include "tst_simulator_socket.moc"
