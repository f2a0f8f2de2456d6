// What the stimulator panel tells beyond its digits, free of widgets: the
// readings that screen readers announce, the tooltips with derived figures,
// and the tally of warnings behind the Errors group's tooltip.
#pragma once

#include "V57SettingRules.h"

#include <QLocale>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>

namespace V57PanelTexts {

// The digit rows, each of which has arrow buttons.
using V57SettingRules::TRow;

// A digit row read as one value, in the row's own digits: "Demand 0123.4 mA",
// "Duration 0050 us", "Recovery 100 %", "Dwell 010 us".
QString DemandReading(int32_t demand);
QString DurationReading(int32_t width);
QString RecoveryReading(int32_t recovery);
QString DwellReading(int32_t dwell);
QString Reading(TRow row, int32_t value);

// The name of a row's arrow button for its step (the button's tag, in the
// row's units; tenths of a mA for demand).
QString StepButtonName(TRow row, bool up, int32_t step);

// Charge per phase for a demand in tenths of a mA and a duration in us.
QString ChargeToolTip(int32_t demand, int32_t width, const QLocale &locale = QLocale());
// The recovery phase of a bi-phasic pulse: recovery is a % of the demand.
QString RecoveryToolTip(int32_t demand, int32_t recovery, const QLocale &locale = QLocale());
// The external input's scale: 10 V commands the limit (tenths of a mA).
QString LimitToolTip(int32_t limit, const QLocale &locale = QLocale());
// While the limit group shows its placeholder the device has not confirmed one.
QString LimitPendingToolTip();

// "OOC warning: on" for a flag captioned "OOC".
QString WarningFlagName(const QString &caption, bool on);

using TClock = std::chrono::steady_clock;

// How often a warning was raised since the panel was created, and when last.
struct TWarningTally {
    int Count = 0;
    std::optional<TClock::time_point> Last;
    void Note(TClock::time_point at)
    {
        ++Count;
        Last = at;
    }
};

// "12 s ago", "3 min 5 s ago", "2 h 7 min ago"; under a second "just now".
QString ElapsedText(TClock::duration elapsed);
QString ErrorsToolTip(const TWarningTally &ooc, const TWarningTally &tooFast, TClock::time_point now);

} // namespace V57PanelTexts
