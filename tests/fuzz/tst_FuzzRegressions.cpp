// Every checked-in input of the fuzz targets, replayed in the ordinary
// builds: each target's seed corpus, and each input that once broke it
// (FOLDER/regressions/, named after what it caught).
#include "BlockPath.h"
#include "CompletionScript.h"
#include "SimulatorInputs.h"

#include "app/MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestFuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    void completions_data() { AddInputs("completions"); }
    void completions();
    void blocks_data() { AddInputs("blocks"); }
    void blocks();
    void scenarios_data();
    void scenarios();
    void commands_data() { AddInputs("commands"); }
    void commands();

private:
    static void AddInputs(const QString &target, const QStringList &folders = {});
};

void TestFuzzRegressions::AddInputs(const QString &target, const QStringList &folders)
{
    QTest::addColumn<QByteArray>("input");
    const QString corpus = QStringLiteral(FUZZ_INPUTS "/") + target + QStringLiteral("/corpus");
    // A seed corpus that has gone would leave nothing to replay.
    QVERIFY2(!QDir(corpus).isEmpty(), qPrintable(corpus + QStringLiteral(": no inputs")));
    for (const QString &folder : folders + QStringList{corpus, QStringLiteral(FUZZ_INPUTS "/") + target
                                                                     + QStringLiteral("/regressions")}) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(dir.dirName() + u'/' + name)) << file.readAll();
        }
    }
}

void TestFuzzRegressions::completions()
{
    QFETCH(QByteArray, input);

    V57Double::Reset();
    auto form = Fixture::StartedForm();
    CompletionScript::Play(*form, reinterpret_cast<const uint8_t *>(input.constData()),
                           std::size_t(input.size()));

    // Back at the start, and still polling.
    QVERIFY(form->DeviceFrames().empty());
    QVERIFY(form->tmrPoll->isActive());
    QVERIFY(!form->tmrWatchDog->isActive());
}

void TestFuzzRegressions::blocks()
{
    QFETCH(QByteArray, input);

    V57Double::Reset();
    auto form = Fixture::StartedForm();
    const auto *bytes = reinterpret_cast<const uint8_t *>(input.constData());
    // On an empty window, then again over the panels it made, then gone.
    for (std::size_t size : {std::size_t(input.size()), std::size_t(input.size()), std::size_t(0)}) {
        const std::string failure = BlockPath::Apply(*form, size ? bytes : nullptr, size);
        QVERIFY2(failure.empty(), failure.c_str());
    }
    QVERIFY(form->DeviceFrames().empty());
}

void TestFuzzRegressions::scenarios_data()
{
    // The shipped scenarios are seeds too.
    AddInputs("scenarios", {QStringLiteral(SHIPPED_SCENARIOS)});
}

void TestFuzzRegressions::scenarios()
{
    QFETCH(QByteArray, input);
    const std::string failure = SimulatorInputs::CheckScenario(input.toStdString());
    QVERIFY2(failure.empty(), failure.c_str());
}

void TestFuzzRegressions::commands()
{
    QFETCH(QByteArray, input);
    const std::string failure = SimulatorInputs::CheckCommand(input.toStdString());
    QVERIFY2(failure.empty(), failure.c_str());
}

QTEST_MAIN(TestFuzzRegressions)
#include "tst_FuzzRegressions.moc"
