#include "V57PanelTexts.h"

#include <QTest>

#include <limits>

using namespace V57PanelTexts;
using namespace std::chrono_literals;

class TestV57PanelTexts : public QObject {
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void stepButtonNames_data();
    void stepButtonNames();
    void chargeAndRecovery_data();
    void chargeAndRecovery();
    void limitScale_data();
    void limitScale();
    void elapsed_data();
    void elapsed();
    void errorsTally();
};

namespace {

constexpr int32_t Int32Max = std::numeric_limits<int32_t>::max();
const QLocale English(QLocale::English, QLocale::UnitedStates);
const QLocale German(QLocale::German, QLocale::Germany);

} // namespace

void TestV57PanelTexts::readings_data()
{
    QTest::addColumn<TRow>("row");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("demand with a tenth") << TRow::Demand << 1234 << "Demand 0123.4 mA";
    QTest::newRow("demand zero") << TRow::Demand << 0 << "Demand 0000.0 mA";
    QTest::newRow("demand full scale") << TRow::Demand << 10000 << "Demand 1000.0 mA";
    // Wider than the row: the reading keeps every digit, the point before the last.
    QTest::newRow("demand past the row") << TRow::Demand << 123456 << "Demand 12345.6 mA";
    QTest::newRow("duration") << TRow::Duration << 50 << "Duration 0050 us";
    QTest::newRow("recovery") << TRow::Recovery << 100 << "Recovery 100 %";
    QTest::newRow("dwell") << TRow::Dwell << 10 << "Dwell 010 us";
}

void TestV57PanelTexts::readings()
{
    QFETCH(TRow, row);
    QFETCH(int, value);
    QFETCH(QString, expected);
    switch (row) {
    case TRow::Demand: QCOMPARE(DemandReading(value), expected); break;
    case TRow::Duration: QCOMPARE(DurationReading(value), expected); break;
    case TRow::Recovery: QCOMPARE(RecoveryReading(value), expected); break;
    case TRow::Dwell: QCOMPARE(DwellReading(value), expected); break;
    }
}

void TestV57PanelTexts::stepButtonNames_data()
{
    QTest::addColumn<TRow>("row");
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("expected");
    QTest::newRow("demand hundreds") << TRow::Demand << true << 1000 << "Demand up 100 mA";
    QTest::newRow("demand units") << TRow::Demand << false << 10 << "Demand down 1 mA";
    QTest::newRow("demand tenths") << TRow::Demand << true << 1 << "Demand up 0.1 mA";
    QTest::newRow("duration") << TRow::Duration << false << 100 << "Duration down 100 us";
    QTest::newRow("recovery") << TRow::Recovery << true << 1 << "Recovery up 1 %";
    QTest::newRow("dwell") << TRow::Dwell << false << 10 << "Dwell down 10 us";
}

void TestV57PanelTexts::stepButtonNames()
{
    QFETCH(TRow, row);
    QFETCH(bool, up);
    QFETCH(int, step);
    QFETCH(QString, expected);
    QCOMPARE(StepButtonName(row, up, step), expected);
}

void TestV57PanelTexts::chargeAndRecovery_data()
{
    QTest::addColumn<int>("demand");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("recovery");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("chargeText");
    QTest::addColumn<QString>("recoveryText");
    QTest::newRow("10 mA, 200 us, 50 %")
        << 100 << 200 << 50 << English << "Charge per phase: 2.000 uC (10.0 mA for 200 us)"
        << "Recovery phase of a bi-phasic pulse: 5.000 mA (50 % of 10.0 mA)";
    QTest::newRow("full scale, longest, 100 %")
        << 10000 << 2000 << 100 << English << "Charge per phase: 2000.000 uC (1000.0 mA for 2000 us)"
        << "Recovery phase of a bi-phasic pulse: 1000.000 mA (100 % of 1000.0 mA)";
    // 0.1 mA for 55 us is 5.5 nC: the half rounds up, not to a binary neighbour.
    QTest::newRow("half a nC rounds up")
        << 1 << 55 << 15 << English << "Charge per phase: 0.006 uC (0.1 mA for 55 us)"
        << "Recovery phase of a bi-phasic pulse: 0.015 mA (15 % of 0.1 mA)";
    QTest::newRow("no demand")
        << 0 << 50 << 10 << English << "Charge per phase: 0.000 uC (0.0 mA for 50 us)"
        << "Recovery phase of a bi-phasic pulse: 0.000 mA (10 % of 0.0 mA)";
    QTest::newRow("locale's separator")
        << 1234 << 15 << 15 << German << "Charge per phase: 1,851 uC (123,4 mA for 15 us)"
        << "Recovery phase of a bi-phasic pulse: 18,510 mA (15 % of 123,4 mA)";
    QTest::newRow("reported extremes do not overflow")
        << Int32Max << Int32Max << Int32Max << English
        << "Charge per phase: 461168601413242.061 uC (214748364.7 mA for 2147483647 us)"
        << "Recovery phase of a bi-phasic pulse: 4611686014132420.609 mA (2147483647 % of 214748364.7 mA)";
}

void TestV57PanelTexts::chargeAndRecovery()
{
    QFETCH(int, demand);
    QFETCH(int, width);
    QFETCH(int, recovery);
    QFETCH(QLocale, locale);
    QFETCH(QString, chargeText);
    QFETCH(QString, recoveryText);
    QCOMPARE(ChargeToolTip(demand, width, locale), chargeText);
    QCOMPARE(RecoveryToolTip(demand, recovery, locale), recoveryText);
}

void TestV57PanelTexts::limitScale_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no limit") << 10000 << English
                              << "No limit set\nExternal input: 10 V = 1000.0 mA, 1 V = 100.00 mA";
    QTest::newRow("past full scale") << 12000 << English
                                     << "No limit set\nExternal input: 10 V = 1200.0 mA, 1 V = 120.00 mA";
    QTest::newRow("just under full scale") << 9999 << English
                                           << "Limit 999.9 mA\nExternal input: 10 V = 999.9 mA, 1 V = 99.99 mA";
    QTest::newRow("small limit") << 5 << English
                                 << "Limit 0.5 mA\nExternal input: 10 V = 0.5 mA, 1 V = 0.05 mA";
    QTest::newRow("locale's separator") << 505 << German
                                        << "Limit 50,5 mA\nExternal input: 10 V = 50,5 mA, 1 V = 5,05 mA";
}

void TestV57PanelTexts::limitScale()
{
    QFETCH(int, limit);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(LimitToolTip(limit, locale), expected);
}

void TestV57PanelTexts::elapsed_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("expected");
    QTest::newRow("at once") << qint64(0) << "just now";
    QTest::newRow("under a second") << qint64(999) << "just now";
    QTest::newRow("a second") << qint64(1000) << "1 s ago";
    QTest::newRow("under a minute") << qint64(59'999) << "59 s ago";
    QTest::newRow("a minute") << qint64(60'000) << "1 min 0 s ago";
    QTest::newRow("under an hour") << qint64(3'599'000) << "59 min 59 s ago";
    QTest::newRow("an hour") << qint64(3'600'000) << "1 h 0 min ago";
    QTest::newRow("past a day") << qint64(90'061'000) << "25 h 1 min ago";
}

void TestV57PanelTexts::elapsed()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, expected);
    QCOMPARE(ElapsedText(std::chrono::milliseconds(milliseconds)), expected);
}

void TestV57PanelTexts::errorsTally()
{
    const TClock::time_point start{};
    TWarningTally ooc, tooFast;
    QCOMPARE(ErrorsToolTip(ooc, tooFast, start),
             "OOC: none since this panel opened\nToo Fast: none since this panel opened");

    ooc.Note(start + 5s);
    for (const auto at : {start + 1s, start + 30s, start + 50s})
        tooFast.Note(at);
    QCOMPARE(ErrorsToolTip(ooc, tooFast, start + 170s),
             "OOC: once since this panel opened, last 2 min 45 s ago\n"
             "Too Fast: 3 times since this panel opened, last 2 min 0 s ago");
}

QTEST_GUILESS_MAIN(TestV57PanelTexts)
#include "tst_V57PanelTexts.moc"
