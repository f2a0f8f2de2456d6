#include "V57PanelTexts.h"

#include "V57SettingRules.h"

#include <QStringList>

namespace V57PanelTexts {

namespace {

// A whole number of 10^-decimals units written with that many decimals and
// the locale's separator, exactly: the figures come from integer products,
// not from doubles that would round their halves either way.
QString Fixed(int64_t scaled, int decimals, const QLocale &locale)
{
    int64_t unit = 1;
    for (int i = 0; i < decimals; ++i)
        unit *= 10;
    const bool negative = scaled < 0;
    const uint64_t magnitude = negative ? 0 - uint64_t(scaled) : uint64_t(scaled);
    QString text = QString::number(magnitude / uint64_t(unit));
    if (decimals > 0) {
        text += locale.decimalPoint();
        text += QString::number(magnitude % uint64_t(unit)).rightJustified(decimals, QLatin1Char('0'));
    }
    return negative ? QLatin1Char('-') + text : text;
}

// Tenths of a mA in mA with one decimal, as the demand digits read.
QString MilliAmps(int32_t tenths, const QLocale &locale) { return Fixed(tenths, 1, locale); }

// Divided by ten and rounded half away from zero.
int64_t RoundedTenth(int64_t value) { return (value >= 0 ? value + 5 : value - 5) / 10; }

QString Times(int count) { return count == 1 ? QStringLiteral("once") : QStringLiteral("%1 times").arg(count); }

QString TallyLine(const QString &caption, const TWarningTally &tally, TClock::time_point now)
{
    if (tally.Count == 0 || !tally.Last)
        return QStringLiteral("%1: none since this panel opened").arg(caption);
    return QStringLiteral("%1: %2 since this panel opened, last %3")
        .arg(caption, Times(tally.Count), ElapsedText(now - *tally.Last));
}

} // namespace

QString DemandReading(int32_t demand)
{
    QString digits = V57SettingRules::RowText(TRow::Demand, demand);
    digits.insert(digits.size() - 1, QLatin1Char('.'));
    return QStringLiteral("Demand %1 mA").arg(digits);
}

QString DurationReading(int32_t width)
{
    return QStringLiteral("Duration %1 us").arg(V57SettingRules::RowText(TRow::Duration, width));
}

QString RecoveryReading(int32_t recovery)
{
    return QStringLiteral("Recovery %1 %").arg(V57SettingRules::RowText(TRow::Recovery, recovery));
}

QString DwellReading(int32_t dwell)
{
    return QStringLiteral("Dwell %1 us").arg(V57SettingRules::RowText(TRow::Dwell, dwell));
}

QString Reading(TRow row, int32_t value)
{
    switch (row) {
    case TRow::Demand: return DemandReading(value);
    case TRow::Duration: return DurationReading(value);
    case TRow::Recovery: return RecoveryReading(value);
    case TRow::Dwell: return DwellReading(value);
    }
    return {};
}

QString StepButtonName(TRow row, bool up, int32_t step)
{
    const QString direction = up ? QStringLiteral("up") : QStringLiteral("down");
    switch (row) {
    case TRow::Demand: {
        const QString amount = step % 10 == 0 ? QString::number(step / 10) : MilliAmps(step, QLocale::c());
        return QStringLiteral("Demand %1 %2 mA").arg(direction, amount);
    }
    case TRow::Duration: return QStringLiteral("Duration %1 %2 us").arg(direction).arg(step);
    case TRow::Recovery: return QStringLiteral("Recovery %1 %2 %").arg(direction).arg(step);
    case TRow::Dwell: return QStringLiteral("Dwell %1 %2 us").arg(direction).arg(step);
    }
    return {};
}

QString ChargeToolTip(int32_t demand, int32_t width, const QLocale &locale)
{
    // Tenths of a mA times us are tenths of a nC.
    const int64_t nanoCoulombs = RoundedTenth(int64_t(demand) * width);
    return QStringLiteral("Charge per phase: %1 uC (%2 mA for %3 us)")
        .arg(Fixed(nanoCoulombs, 3, locale), MilliAmps(demand, locale), QString::number(width));
}

QString RecoveryToolTip(int32_t demand, int32_t recovery, const QLocale &locale)
{
    // Tenths of a mA times % are uA.
    const int64_t microAmps = int64_t(demand) * recovery;
    return QStringLiteral("Recovery phase of a bi-phasic pulse: %1 mA (%2 % of %3 mA)")
        .arg(Fixed(microAmps, 3, locale), QString::number(recovery), MilliAmps(demand, locale));
}

QString LimitToolTip(int32_t limit, const QLocale &locale)
{
    const QString heading = limit >= V57SettingRules::FullScale
                                ? QStringLiteral("No limit set")
                                : QStringLiteral("Limit %1 mA").arg(MilliAmps(limit, locale));
    // 10 V stands for the limit, so one volt is a tenth of it: hundredths of a mA.
    return QStringLiteral("%1\nExternal input: 10 V = %2 mA, 1 V = %3 mA")
        .arg(heading, MilliAmps(limit, locale), Fixed(limit, 2, locale));
}

QString LimitPendingToolTip()
{
    return QStringLiteral("Limit sent; the scale shows once the device reports it");
}

QString WarningFlagName(const QString &caption, bool on)
{
    return QStringLiteral("%1 warning: %2").arg(caption, on ? QStringLiteral("on") : QStringLiteral("off"));
}

QString ElapsedText(TClock::duration elapsed)
{
    using namespace std::chrono;
    const auto seconds = duration_cast<std::chrono::seconds>(elapsed).count();
    if (seconds < 1)
        return QStringLiteral("just now");
    if (seconds < 60)
        return QStringLiteral("%1 s ago").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s ago").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 h %2 min ago").arg(seconds / 3600).arg(seconds / 60 % 60);
}

QString ErrorsToolTip(const TWarningTally &ooc, const TWarningTally &tooFast, TClock::time_point now)
{
    return QStringList{TallyLine(QStringLiteral("OOC"), ooc, now),
                       TallyLine(QStringLiteral("Too Fast"), tooFast, now)}
        .join(QLatin1Char('\n'));
}

} // namespace V57PanelTexts
