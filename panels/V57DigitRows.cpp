#include "V57DigitRows.h"

#include "ui_FV57ControlFormU.h"

namespace Panels {

using V57SettingRules::TRow;

namespace {

// Steps go with the digit's place in its row; the form's button tags carry
// the same figures.
TDigitRow Row(TRow row, QWidget *beside, std::initializer_list<TDigit> digits)
{
    TDigitRow result{row, beside, digits};
    Q_ASSERT(int(result.Digits.size()) == V57SettingRules::RowLength(row));
    for (std::size_t k = 0; k < result.Digits.size(); ++k) {
        TDigit &digit = result.Digits[k];
        if (digit.Editable())
            digit.Step = V57SettingRules::DigitStep(row, int(k));
    }
    return result;
}

} // namespace

TDigitRows FormDigitRows(const Ui::TFV57ControlForm &ui)
{
    return {
        Row(TRow::Demand, ui.Panel11,
            {{ui.pnlDEMAND5},
             {ui.pnlDEMAND4, ui.btnDemandInc4, ui.btnDemandDec4},
             {ui.pnlDEMAND3, ui.btnDemandInc3, ui.btnDemandDec3},
             {ui.pnlDEMAND2, ui.btnDemandInc2, ui.btnDemandDec2},
             {ui.pnlDEMAND1, ui.btnDemandInc1, ui.btnDemandDec1}}),
        Row(TRow::Duration, ui.GroupBox1,
            {{ui.pnlWIDTH4},
             {ui.pnlWIDTH3, ui.btnWidthInc3, ui.btnWidthDec3},
             {ui.pnlWIDTH2, ui.btnWidthInc2, ui.btnWidthDec2},
             {ui.pnlWIDTH1}}),
        Row(TRow::Recovery, ui.GroupBox2,
            {{ui.pnlRECOVERY3},
             {ui.pnlRECOVERY2, ui.btnRecoveryInc2, ui.btnRecoveryDec2},
             {ui.pnlRECOVERY1, ui.btnRecoveryInc1, ui.btnRecoveryDec1}}),
        Row(TRow::Dwell, ui.GroupBox3,
            {{ui.pnlDWELL3, ui.btnDwellInc3, ui.btnDwellDec3},
             {ui.pnlDWELL2, ui.btnDwellInc2, ui.btnDwellDec2},
             {ui.pnlDWELL1}}),
    };
}

} // namespace Panels
