// The stimulator panel's four digit rows as its form holds them: the digits
// from the left, the control beside them that reads the same value, and the
// arrow buttons and step of each editable digit. The panel draws, registers
// and wires its digits from this one table, and its describer names them
// from it.
#pragma once

#include "V57SettingRules.h"

#include <array>
#include <cstdint>
#include <vector>

class QLabel;
class QToolButton;
class QWidget;

namespace Ui {
class TFV57ControlForm;
}

namespace Panels {

struct TDigit {
    QLabel *Panel = nullptr;
    // Both null for a digit that is not editable.
    QToolButton *IncButton = nullptr;
    QToolButton *DecButton = nullptr;
    // What the buttons add or take away, in the row's units.
    int32_t Step = 0;

    bool Editable() const { return IncButton != nullptr; }
};

struct TDigitRow {
    V57SettingRules::TRow Row;
    // The decimal point of the demand, the group box of the others.
    QWidget *Beside = nullptr;
    std::vector<TDigit> Digits;
};

// In the order of V57SettingRules::DigitRows, so that a row's index is its
// TRow. The editable digits, row by row and from the left, are the order in
// which the panel registers them.
using TDigitRows = std::array<TDigitRow, std::size(V57SettingRules::DigitRows)>;

TDigitRows FormDigitRows(const Ui::TFV57ControlForm &ui);

inline const TDigitRow &RowOf(const TDigitRows &rows, V57SettingRules::TRow row)
{
    return rows[std::size_t(row)];
}

} // namespace Panels
