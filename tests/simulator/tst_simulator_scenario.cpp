// The scenario language: good lines give the commands they say, bad lines a
// message naming file and line and nothing else; live lines from the control
// socket; and the example scenarios shipped with the simulator.
#include "Scenario.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace V57Sim;
using namespace std::chrono_literals;

namespace {

struct TCollected {
    QStringList Messages;
    TMessageSink Sink()
    {
        return [this](const std::string &m) { Messages << QString::fromStdString(m); };
    }
};

} // namespace

class TSimulatorScenarioTest : public QObject {
    Q_OBJECT

private slots:
    void goodLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<qint64>("atMs");
        QTest::addColumn<int>("verb");
        QTest::addColumn<int>("deviceID");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("amount");
        auto row = [](const char *name, const char *line, qint64 atMs, TVerb verb, int id, int value,
                      int count, double amount) {
            QTest::newRow(name) << QString(line) << atMs << int(verb) << id << value << count << amount;
        };
        row("plug with version", "@1.5 plug 0x1234 1.0.2.3", 1500, TVerb::Plug, 0x1234, 0, 1, 0);
        row("plug, version default", "plug 77", 0, TVerb::Plug, 77, 0, 1, 0);
        row("id wraps to the signed word", "unplug 0xFFFFFFFE", 0, TVerb::Unplug, -2, 0, 1, 0);
        row("set demand", "@2 set 0x1234 demand 500", 2000, TVerb::Set, 0x1234, 500, 1, 0);
        row("set mode by name", "set 5 mode bi", 0, TVerb::Set, 5, 2, 1, 0);
        row("set polarity", "set 5 polarity alternating", 0, TVerb::Set, 5, 3, 1, 0);
        row("set output", "set 5 output on", 0, TVerb::Set, 5, 1, 1, 0);
        row("set beep", "set 5 beep off", 0, TVerb::Set, 5, 0, 1, 0);
        row("trigger, comment", "@0.25 trigger 9   # one shot", 250, TVerb::Trigger, 9, 0, 1, 0);
        row("zero", "zero 9", 0, TVerb::Zero, 9, 0, 1, 0);
        row("load", "load 9 22000", 0, TVerb::Load, 9, 0, 1, 22000);
        row("compliance", "compliance 9 50.5", 0, TVerb::Compliance, 9, 0, 1, 50.5);
        row("input", "@4 input 9 -2.5", 4000, TVerb::Input, 9, 0, 1, -2.5);
        row("train", "train 9 1000", 0, TVerb::Train, 9, 0, 1, 1000);
        row("refuse-init", "refuse-init -5", 0, TVerb::RefuseInit, 0, -5, 1, 0);
        row("init-error", "init-error 31", 0, TVerb::InitError, 0, 31, 1, 0);
        row("null-reference", "null-reference", 0, TVerb::NullReference, 0, 0, 1, 0);
        row("refuse-updates", "@3 refuse-updates 4 1167", 3000, TVerb::RefuseUpdates, 0, 1167, 4, 0);
        row("delay", "delay 6000", 0, TVerb::Delay, 0, 6000, 1, 0);
        row("drop-completion", "drop-completion", 0, TVerb::DropCompletion, 0, 0, 1, 0);
        row("drop-completion n", "drop-completion 3", 0, TVerb::DropCompletion, 0, 0, 3, 0);
        row("empty-block", "empty-block 2", 0, TVerb::EmptyBlock, 0, 0, 2, 0);
        row("truncated-block", "truncated-block 30", 0, TVerb::TruncatedBlock, 0, 30, 1, 0);
    }
    void goodLines()
    {
        QFETCH(QString, line);
        QFETCH(qint64, atMs);
        QFETCH(int, verb);
        QFETCH(int, deviceID);
        QFETCH(int, value);
        QFETCH(int, count);
        QFETCH(double, amount);
        TCollected collected;
        const TScenario s = ParseScenario(line.toStdString(), "good.scn", collected.Sink());
        QCOMPARE(collected.Messages, QStringList());
        QCOMPARE(s.Lines.size(), 1u);
        const TScenarioLine &l = s.Lines[0];
        QCOMPARE(qint64(std::chrono::duration_cast<std::chrono::milliseconds>(l.At).count()), atMs);
        QCOMPARE(int(l.Command.Verb), verb);
        QCOMPARE(l.Command.DeviceID, deviceID);
        QCOMPARE(l.Command.Count, count);
        QCOMPARE(l.Command.Amount, amount);
        if (l.Command.Verb == TVerb::Plug)
            QCOMPARE(l.Command.VersionID, deviceID == 77 ? 0x01000000u : 0x01000203u);
        else
            QCOMPARE(l.Command.Value, value);
        QCOMPARE(QString::fromStdString(l.Where), "good.scn:1");
    }

    void badLinesNameFileAndLineAndAreIgnored_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown command") << "plg 0x1234" << "unknown command 'plg'";
        QTest::newRow("missing id") << "unplug" << "missing device ID";
        QTest::newRow("bad id") << "unplug 12ab" << "'12ab' is not a whole number (device ID)";
        QTest::newRow("id too large") << "unplug 0x100000000" << "is not in";
        // What the line holds is shown as printable text, and a long word by its start.
        QTest::newRow("control bytes shown escaped")
            << "unplug 1\x1b[2J\x7f" << "'1\\x1B[2J\\x7F' is not a whole number";
        QTest::newRow("long word shown by its start")
            << "unplug " + QString(60, u'x') << "'" + QString(40, u'x') + "...' is not a whole number";
        QTest::newRow("bad version") << "plug 5 1.2.3" << "'1.2.3' is not a version";
        QTest::newRow("version byte too big") << "plug 5 1.2.3.256" << "is not a version";
        QTest::newRow("extra word") << "zero 5 now" << "unexpected 'now'";
        QTest::newRow("bad time") << "@soon plug 5" << "'@soon' is not a time";
        QTest::newRow("negative time") << "@-1 plug 5" << "is not a time";
        QTest::newRow("time alone") << "@2" << "a time with no command";
        QTest::newRow("unknown setting") << "set 5 colour red" << "unknown setting 'colour'";
        QTest::newRow("bad setting value") << "set 5 mode tri" << "'tri' is not a value of mode";
        QTest::newRow("demand not a number") << "set 5 demand lots" << "is not a whole number (demand)";
        QTest::newRow("load out of range") << "load 5 0" << "is not in";
        QTest::newRow("input not a number") << "input 5 high" << "'high' is not a number";
        QTest::newRow("refuse with 997") << "refuse-init 997" << "997 means accepted";
        QTest::newRow("init-error 0") << "init-error 0" << "other than 0";
        QTest::newRow("refuse-updates without code") << "refuse-updates 2" << "missing result code";
        QTest::newRow("zero count") << "drop-completion 0" << "is not in";
        QTest::newRow("delay too long") << "delay 99999999" << "is not in";
        QTest::newRow("live query in a file") << "state 5" << "query of the control socket";
        QTest::newRow("no-default-devices at a time") << "@3 no-default-devices" << "takes no time";
    }
    void badLinesNameFileAndLineAndAreIgnored()
    {
        QFETCH(QString, line);
        QFETCH(QString, message);
        TCollected collected;
        const std::string text = "# a scenario\nplug 0x42\n" + line.toStdString() + "\nunplug 0x42\n";
        const TScenario s = ParseScenario(text, "bad.scn", collected.Sink());
        QCOMPARE(collected.Messages.size(), 1);
        QVERIFY2(collected.Messages[0].startsWith("bad.scn:3: "), qPrintable(collected.Messages[0]));
        QVERIFY2(collected.Messages[0].contains(message), qPrintable(collected.Messages[0]));
        QVERIFY(collected.Messages[0].endsWith("; line ignored"));
        // The lines around it stand.
        QCOMPARE(s.Lines.size(), 2u);
        QCOMPARE(s.Lines[0].Command.Verb, TVerb::Plug);
        QCOMPARE(s.Lines[1].Command.Verb, TVerb::Unplug);
    }

    void linesAreOrderedByTimeThenByFile()
    {
        TCollected collected;
        const TScenario s = ParseScenario("@2 unplug 1\n"
                                          "no-default-devices\n"
                                          "@1 plug 1\n"
                                          "@2 plug 2\n"
                                          "plug 3\n",
                                          "order.scn", collected.Sink());
        QCOMPARE(collected.Messages, QStringList());
        QVERIFY(s.NoDefaultDevices);
        QStringList where;
        for (const TScenarioLine &l : s.Lines)
            where << QString::fromStdString(l.Where);
        QCOMPARE(where, (QStringList{"order.scn:5", "order.scn:3", "order.scn:1", "order.scn:4"}));
    }

    void liveLines()
    {
        QVERIFY(std::holds_alternative<TNoCommand>(ParseLiveLine("   # nothing")));
        QVERIFY(std::holds_alternative<TNoCommand>(ParseLiveLine("")));
        const TLiveLine state = ParseLiveLine("state 0x00A1B201");
        QVERIFY(std::holds_alternative<TCommand>(state));
        QCOMPARE(std::get<TCommand>(state).DeviceID, 0x00A1B201);
        QVERIFY(std::holds_alternative<TCommand>(ParseLiveLine("devices")));
        QVERIFY(std::holds_alternative<TCommand>(ParseLiveLine("set 5 demand 40")));
        const TLiveLine timed = ParseLiveLine("@3 plug 5");
        QVERIFY(std::holds_alternative<std::string>(timed));
        QVERIFY(std::get<std::string>(timed).find("no time") != std::string::npos);
        QVERIFY(std::holds_alternative<std::string>(ParseLiveLine("no-default-devices")));
        QVERIFY(std::holds_alternative<std::string>(ParseLiveLine("plug")));
    }

    void unreadableFileIsReportedAndGivesAnEmptyScenario()
    {
        TCollected collected;
        const TScenario s = LoadScenarioFile("/nonexistent/none.scn", collected.Sink());
        QVERIFY(s.Lines.empty());
        QVERIFY(!s.NoDefaultDevices);
        QCOMPARE(collected.Messages.size(), 1);
        QVERIFY(collected.Messages[0].startsWith("/nonexistent/none.scn: cannot read"));
    }

    void binaryGarbageNeverCrashes()
    {
        std::string garbage;
        for (int k = 0; k < 4096; ++k)
            garbage += char((k * 7919) & 0xFF);
        TCollected collected;
        const TScenario s = ParseScenario(garbage, "garbage", collected.Sink());
        QVERIFY(!collected.Messages.isEmpty());
        QVERIFY(s.Lines.empty());
    }

    void exampleScenariosParseCleanly()
    {
        const QDir folder(EXAMPLE_SCENARIOS);
        const QStringList files = folder.entryList({"*.scn"}, QDir::Files);
        QVERIFY(files.size() >= 4);
        for (const QString &file : files) {
            TCollected collected;
            const TScenario s = LoadScenarioFile(folder.filePath(file).toStdString(), collected.Sink());
            QVERIFY2(collected.Messages.isEmpty(), qPrintable(collected.Messages.join("\n")));
            QVERIFY2(!s.Lines.empty(), qPrintable(file));
        }
    }
};

QTEST_GUILESS_MAIN(TSimulatorScenarioTest)
#include "tst_simulator_scenario.moc"
