#include "V57SettingRules.h"

#include <algorithm>

namespace V57SettingRules {

namespace {

// Reported values may lie anywhere in 32 bits, so sums are taken wide and
// only narrowed once a bound has brought them back into range.
int32_t CappedSum(int32_t value, int32_t step, int32_t high)
{
    return int32_t(std::min<int64_t>(int64_t(value) + step, high));
}

int32_t FlooredDifference(int32_t value, int32_t step, int32_t low)
{
    return int32_t(std::max<int64_t>(int64_t(value) - step, low));
}

int32_t RoundedDownToTen(int32_t value) { return value / 10 * 10; }

int ItemOfCode(int32_t code, int itemCount) { return code >= 1 && code <= itemCount ? code - 1 : -1; }

} // namespace

int32_t SteppedUp(int32_t value, int32_t step, TBounds bounds)
{
    return CappedSum(value, step, bounds.High);
}

int32_t SteppedDown(int32_t value, int32_t step, TBounds bounds)
{
    return FlooredDifference(value, step, bounds.Low);
}

int32_t DwellSteppedUp(int32_t value, int32_t step)
{
    // The upper bound is itself a multiple of 10.
    return RoundedDownToTen(CappedSum(value, step, DwellBounds.High));
}

int32_t DwellSteppedDown(int32_t value, int32_t step)
{
    constexpr int32_t lowestTen = 10;
    const int64_t lowered = int64_t(value) - step;
    return lowered < lowestTen ? DwellBounds.Low : RoundedDownToTen(int32_t(lowered));
}

int32_t ToggledLimit(int32_t limit, int32_t demand) { return limit >= FullScale ? demand : FullScale; }

int ModeItem(int32_t code) { return ItemOfCode(code, 2); }

int PolarityItem(int32_t code) { return ItemOfCode(code, 3); }

int SourceItem(int32_t code)
{
    // Code 3 is a second name for "External".
    constexpr int32_t externalAlias = 3;
    return code == externalAlias ? ExternalSourceItem : ItemOfCode(code, 2);
}

int32_t ItemCode(int item) { return item + 1; }

TWarnings CounterWarnings(bool haveBaseline, const TCounters &previous, uint32_t cpulse,
                          const TCounters &reported)
{
    if (!haveBaseline || cpulse == 0)
        return {};
    return {reported.COOC != previous.COOC, reported.CTooFast != previous.CTooFast};
}

QString DigitRowText(int32_t value, int digits)
{
    return QString::number(value).rightJustified(digits, QLatin1Char('0'));
}

QString RowText(TRow row, int32_t value) { return DigitRowText(value, RowLength(row)); }

TLimitDisplay LimitDisplay(int32_t value, int32_t limit, const QLocale &locale)
{
    if (value < 0)
        return {QStringLiteral("1000"), QStringLiteral("10V = 1000.0mA"), false, std::nullopt};
    // Printed as printf's "%0.1f" would: the locale's decimal separator, no
    // thousands grouping.
    QLocale numbers = locale;
    numbers.setNumberOptions(numbers.numberOptions() | QLocale::OmitGroupSeparator);
    return {QString::number(limit / 10),
            QStringLiteral("10V = %1mA").arg(numbers.toString(limit / 10.0, 'f', 1)), true,
            limit >= FullScale ? QStringLiteral("Set") : QStringLiteral("Reset")};
}

} // namespace V57SettingRules
