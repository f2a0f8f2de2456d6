// Every checked-in input of fuzz_completions, replayed in the ordinary
// builds: the seed corpus, and each input that once crashed the program.
#include "CompletionScript.h"

#include "app/MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestFuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    void replay_data();
    void replay();
};

void TestFuzzRegressions::replay_data()
{
    QTest::addColumn<QByteArray>("script");
    for (const char *folder : {"corpus", "regressions"}) {
        const QDir dir(QStringLiteral(FUZZ_INPUTS "/") + QLatin1String(folder));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(QLatin1String(folder) + u'/' + name)) << file.readAll();
        }
    }
}

void TestFuzzRegressions::replay()
{
    QFETCH(QByteArray, script);

    V57Double::Reset();
    auto form = Fixture::StartedForm();
    CompletionScript::Play(*form, reinterpret_cast<const uint8_t *>(script.constData()),
                           std::size_t(script.size()));

    // Back at the start, and still polling.
    QVERIFY(form->DeviceFrames().empty());
    QVERIFY(form->tmrPoll->isActive());
    QVERIFY(!form->tmrWatchDog->isActive());
}

QTEST_MAIN(TestFuzzRegressions)
#include "tst_FuzzRegressions.moc"
