// The stimulator panel's rules, free of widgets: how the arrow buttons step
// each setting, the Set/Reset toggle of the limit, the combo items that the
// device's codes select, which counters raise a warning, the shape of the
// digit rows and the texts of the rows and the limit group.
#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

namespace V57SettingRules {

// Demand and limit are in tenths of a milliampere: 10000 is full scale.
constexpr int32_t FullScale = 10000;

struct TBounds {
    int32_t Low;
    int32_t High;
};
constexpr TBounds DemandBounds{0, FullScale};
constexpr TBounds WidthBounds{50, 2000};
constexpr TBounds RecoveryBounds{10, 100};
constexpr TBounds DwellBounds{1, 990};

// Only the bound on the side of the step applies: a value reported outside
// the range is never lifted by an increment nor cut by a decrement.
int32_t SteppedUp(int32_t value, int32_t step, TBounds bounds);
int32_t SteppedDown(int32_t value, int32_t step, TBounds bounds);

// The dwell moves over 1, 10, 20 ... 990: results are rounded down to a
// multiple of 10, and a decrement below 10 lands on 1.
int32_t DwellSteppedUp(int32_t value, int32_t step);
int32_t DwellSteppedDown(int32_t value, int32_t step);

// Set takes the present demand as the limit; Reset goes back to full scale.
int32_t ToggledLimit(int32_t limit, int32_t demand);

// The combo item a device code selects, or -1 for a code that names none.
int ModeItem(int32_t code);
int PolarityItem(int32_t code);
int SourceItem(int32_t code);
// The code of an operator's selection: items count up from code 1.
int32_t ItemCode(int item);
constexpr int ExternalSourceItem = 1;

// A flag shows for this many warning-timer ticks after its counter moved.
constexpr int WarningTicks = 25;

struct TCounters {
    uint32_t COOC = 0;
    uint32_t CTooFast = 0;
};
struct TWarnings {
    bool OOC = false;
    bool TooFast = false;
};
// A counter that moved either way since the previous report raises its flag,
// but not on the first report, nor while the device has counted no pulse.
TWarnings CounterWarnings(bool haveBaseline, const TCounters &previous, uint32_t cpulse,
                          const TCounters &reported);

// The value in decimal, padded with leading zeros to at least `digits`
// characters. Longer texts are returned whole; a row shows their start.
QString DigitRowText(int32_t value, int digits);

// The panel's four digit rows. Each shows its value's text padded to the
// row's length, one character per digit from the left, so digit k from the
// left counts 10^(length - 1 - k) of the row's units (tenths of a mA for the
// demand): the step of that digit's arrow buttons.
enum class TRow { Demand, Duration, Recovery, Dwell };
constexpr TRow DigitRows[] = {TRow::Demand, TRow::Duration, TRow::Recovery, TRow::Dwell};

constexpr int RowLength(TRow row)
{
    switch (row) {
    case TRow::Demand: return 5;
    case TRow::Duration: return 4;
    case TRow::Recovery: return 3;
    case TRow::Dwell: return 3;
    }
    return 0;
}

constexpr int32_t DigitStep(TRow row, int fromLeft)
{
    int32_t step = 1;
    for (int k = fromLeft + 1; k < RowLength(row); ++k)
        step *= 10;
    return step;
}

// DigitRowText at the row's length.
QString RowText(TRow row, int32_t value);

// What the limit group shows for a ShowLimit argument and the stored limit.
// A negative argument shows the full-scale placeholder with the button
// disabled and its caption left alone.
struct TLimitDisplay {
    QString Limit;
    QString Scale;
    bool ButtonEnabled = false;
    std::optional<QString> ButtonCaption;
};
TLimitDisplay LimitDisplay(int32_t value, int32_t limit, const QLocale &locale = QLocale());

} // namespace V57SettingRules
