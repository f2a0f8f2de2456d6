#include "V57SettingRules.h"

#include <QTest>

#include <limits>

using namespace V57SettingRules;

class TestV57SettingRules : public QObject {
    Q_OBJECT

private slots:
    void stepping_data();
    void stepping();
    void limitToggle_data();
    void limitToggle();
    void comboItems_data();
    void comboItems();
    void counterWarnings_data();
    void counterWarnings();
    void digitRowText_data();
    void digitRowText();
    void limitDisplay_data();
    void limitDisplay();
};

namespace {

enum class TStep { DemandUp, DemandDown, WidthUp, WidthDown, RecoveryUp, RecoveryDown, DwellUp, DwellDown };

int32_t Stepped(TStep kind, int32_t value, int32_t step)
{
    switch (kind) {
    case TStep::DemandUp: return SteppedUp(value, step, DemandBounds);
    case TStep::DemandDown: return SteppedDown(value, step, DemandBounds);
    case TStep::WidthUp: return SteppedUp(value, step, WidthBounds);
    case TStep::WidthDown: return SteppedDown(value, step, WidthBounds);
    case TStep::RecoveryUp: return SteppedUp(value, step, RecoveryBounds);
    case TStep::RecoveryDown: return SteppedDown(value, step, RecoveryBounds);
    case TStep::DwellUp: return DwellSteppedUp(value, step);
    case TStep::DwellDown: return DwellSteppedDown(value, step);
    }
    return -1;
}

constexpr int32_t Int32Max = std::numeric_limits<int32_t>::max();

} // namespace

void TestV57SettingRules::stepping_data()
{
    QTest::addColumn<TStep>("kind");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("expected");
    QTest::newRow("demand 9995 +10") << TStep::DemandUp << 9995 << 10 << 10000;
    QTest::newRow("demand 5 -10") << TStep::DemandDown << 5 << 10 << 0;
    QTest::newRow("demand 10000 +1000") << TStep::DemandUp << 10000 << 1000 << 10000;
    QTest::newRow("demand 1234 -1") << TStep::DemandDown << 1234 << 1 << 1233;
    QTest::newRow("demand reported at int max +1000") << TStep::DemandUp << Int32Max << 1000 << 10000;
    QTest::newRow("demand reported above range -10") << TStep::DemandDown << 20000 << 10 << 19990;
    QTest::newRow("width 45 +10, no lower bound") << TStep::WidthUp << 45 << 10 << 55;
    QTest::newRow("width 45 -10") << TStep::WidthDown << 45 << 10 << 50;
    QTest::newRow("width 2500 -10, no upper bound") << TStep::WidthDown << 2500 << 10 << 2490;
    QTest::newRow("width 1950 +100") << TStep::WidthUp << 1950 << 100 << 2000;
    QTest::newRow("width reported at int max +100") << TStep::WidthUp << Int32Max << 100 << 2000;
    QTest::newRow("recovery 95 +10") << TStep::RecoveryUp << 95 << 10 << 100;
    QTest::newRow("recovery 15 -10") << TStep::RecoveryDown << 15 << 10 << 10;
    QTest::newRow("recovery 50 +1") << TStep::RecoveryUp << 50 << 1 << 51;
    QTest::newRow("dwell 1 +10") << TStep::DwellUp << 1 << 10 << 10;
    QTest::newRow("dwell 1 +100") << TStep::DwellUp << 1 << 100 << 100;
    QTest::newRow("dwell 10 -10") << TStep::DwellDown << 10 << 10 << 1;
    QTest::newRow("dwell 15 -10") << TStep::DwellDown << 15 << 10 << 1;
    QTest::newRow("dwell 25 -10") << TStep::DwellDown << 25 << 10 << 10;
    QTest::newRow("dwell 985 +10") << TStep::DwellUp << 985 << 10 << 990;
    QTest::newRow("dwell 995 -10") << TStep::DwellDown << 995 << 10 << 980;
    QTest::newRow("dwell 990 +100") << TStep::DwellUp << 990 << 100 << 990;
    QTest::newRow("dwell 1 -10") << TStep::DwellDown << 1 << 10 << 1;
    QTest::newRow("dwell reported at int max +10") << TStep::DwellUp << Int32Max << 10 << 990;
}

void TestV57SettingRules::stepping()
{
    QFETCH(TStep, kind);
    QFETCH(int, value);
    QFETCH(int, step);
    QFETCH(int, expected);
    QCOMPARE(Stepped(kind, value, step), expected);
}

void TestV57SettingRules::limitToggle_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("demand");
    QTest::addColumn<int>("expected");
    QTest::newRow("set at full scale takes the demand") << 10000 << 2500 << 2500;
    QTest::newRow("reset goes back to full scale") << 2500 << 2500 << 10000;
    QTest::newRow("a reported limit above full scale counts as none") << 12000 << 2500 << 2500;
    QTest::newRow("reset from 0") << 0 << 700 << 10000;
}

void TestV57SettingRules::limitToggle()
{
    QFETCH(int, limit);
    QFETCH(int, demand);
    QFETCH(int, expected);
    QCOMPARE(ToggledLimit(limit, demand), expected);
}

void TestV57SettingRules::comboItems_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("polarity");
    QTest::addColumn<int>("source");
    QTest::newRow("0 names nothing") << 0 << -1 << -1 << -1;
    QTest::newRow("1") << 1 << 0 << 0 << 0;
    QTest::newRow("2") << 2 << 1 << 1 << 1;
    QTest::newRow("3: alternating, external") << 3 << -1 << 2 << 1;
    QTest::newRow("4") << 4 << -1 << -1 << -1;
    QTest::newRow("7") << 7 << -1 << -1 << -1;
}

void TestV57SettingRules::comboItems()
{
    QFETCH(int, code);
    QFETCH(int, mode);
    QFETCH(int, polarity);
    QFETCH(int, source);
    QCOMPARE(ModeItem(code), mode);
    QCOMPARE(PolarityItem(code), polarity);
    QCOMPARE(SourceItem(code), source);
    if (mode >= 0)
        QCOMPARE(ItemCode(mode), code);
}

void TestV57SettingRules::counterWarnings_data()
{
    QTest::addColumn<bool>("haveBaseline");
    QTest::addColumn<uint>("cpulse");
    QTest::addColumn<uint>("cooc");
    QTest::addColumn<uint>("ctoofast");
    QTest::addColumn<bool>("oocWarning");
    QTest::addColumn<bool>("tooFastWarning");
    // The previous report held COOC 5 and CTooFast 3.
    QTest::newRow("first report") << false << 1u << 9u << 9u << false << false;
    QTest::newRow("no pulse counted") << true << 0u << 9u << 9u << false << false;
    QTest::newRow("unchanged") << true << 1u << 5u << 3u << false << false;
    QTest::newRow("COOC up") << true << 1u << 6u << 3u << true << false;
    QTest::newRow("COOC down") << true << 1u << 4u << 3u << true << false;
    QTest::newRow("CTooFast up") << true << 1u << 5u << 4u << false << true;
    QTest::newRow("both") << true << 7u << 6u << 4u << true << true;
    QTest::newRow("COOC wrapped") << true << 1u << 0xFFFFFFFFu << 3u << true << false;
}

void TestV57SettingRules::counterWarnings()
{
    QFETCH(bool, haveBaseline);
    QFETCH(uint, cpulse);
    QFETCH(uint, cooc);
    QFETCH(uint, ctoofast);
    QFETCH(bool, oocWarning);
    QFETCH(bool, tooFastWarning);
    const TWarnings warnings = CounterWarnings(haveBaseline, {5, 3}, cpulse, {cooc, ctoofast});
    QCOMPARE(warnings.OOC, oocWarning);
    QCOMPARE(warnings.TooFast, tooFastWarning);
}

void TestV57SettingRules::digitRowText_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("text");
    QTest::newRow("demand 0") << 0 << 5 << "00000";
    QTest::newRow("demand 1234") << 1234 << 5 << "01234";
    QTest::newRow("duration 12345, longer than the row") << 12345 << 4 << "12345";
    QTest::newRow("dwell 990") << 990 << 3 << "990";
}

void TestV57SettingRules::digitRowText()
{
    QFETCH(int, value);
    QFETCH(int, digits);
    QFETCH(QString, text);
    QCOMPARE(DigitRowText(value, digits), text);
}

void TestV57SettingRules::limitDisplay_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("limitText");
    QTest::addColumn<QString>("scaleText");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("caption"); // empty: left as it is

    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("10000") << english << 10000 << 10000 << "1000" << "10V = 1000.0mA" << true << "Set";
    QTest::newRow("9999") << english << 9999 << 9999 << "999" << "10V = 999.9mA" << true << "Reset";
    QTest::newRow("505") << english << 505 << 505 << "50" << "10V = 50.5mA" << true << "Reset";
    QTest::newRow("0") << english << 0 << 0 << "0" << "10V = 0.0mA" << true << "Reset";
    QTest::newRow("12000") << english << 12000 << 12000 << "1200" << "10V = 1200.0mA" << true << "Set";
    QTest::newRow("German 505") << german << 505 << 505 << "50" << "10V = 50,5mA" << true << "Reset";
    QTest::newRow("German 10000, no grouping") << german << 10000 << 10000 << "1000"
                                               << "10V = 1000,0mA" << true << "Set";
    QTest::newRow("negative argument") << english << -1 << 505 << "1000" << "10V = 1000.0mA"
                                       << false << "";
    QTest::newRow("German placeholder is fixed text") << german << -1 << 505 << "1000"
                                                      << "10V = 1000.0mA" << false << "";
}

void TestV57SettingRules::limitDisplay()
{
    QFETCH(QLocale, locale);
    QFETCH(int, value);
    QFETCH(int, limit);
    QFETCH(QString, limitText);
    QFETCH(QString, scaleText);
    QFETCH(bool, enabled);
    QFETCH(QString, caption);
    const TLimitDisplay display = LimitDisplay(value, limit, locale);
    QCOMPARE(display.Limit, limitText);
    QCOMPARE(display.Scale, scaleText);
    QCOMPARE(display.ButtonEnabled, enabled);
    QCOMPARE(display.ButtonCaption.value_or(QString()), caption);
}

QTEST_APPLESS_MAIN(TestV57SettingRules)
#include "tst_V57SettingRules.moc"
