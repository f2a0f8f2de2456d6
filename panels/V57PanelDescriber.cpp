#include "V57PanelDescriber.h"

#include "ui_FV57ControlFormU.h"

#include <QAbstractItemView>
#include <QEvent>

using V57SettingRules::TRow;

namespace {

constexpr std::size_t OOC = 0;
constexpr std::size_t TooFast = 1;

// Setters that cost a screen reader a notification: skipped for the same text.
void SetAccessibleName(QWidget *control, const QString &name)
{
    if (control->accessibleName() != name)
        control->setAccessibleName(name);
}

void SetToolTip(const Panels::TDigitRow &row, const QString &text)
{
    for (const Panels::TDigit &digit : row.Digits)
        digit.Panel->setToolTip(text);
}

} // namespace

TV57PanelDescriber::TV57PanelDescriber(QWidget &panel, const Ui::TFV57ControlForm &ui,
                                       const Panels::TDigitRows &rows)
    : fPanel(panel), ui(ui), fRows(rows)
{
}

void TV57PanelDescriber::NameControls(const TValues &values)
{
    for (const Panels::TDigitRow &row : fRows) {
        for (const Panels::TDigit &digit : row.Digits) {
            if (!digit.Editable())
                continue;
            digit.IncButton->setAccessibleName(V57PanelTexts::StepButtonName(row.Row, true, digit.Step));
            digit.DecButton->setAccessibleName(V57PanelTexts::StepButtonName(row.Row, false, digit.Step));
        }
    }
    const std::pair<QComboBox *, QString> combos[] = {
        {ui.cbMODE, QStringLiteral("Mode")},
        {ui.cbPOLARITY, QStringLiteral("Polarity")},
        {ui.cbSOURCE, QStringLiteral("Demand source")},
    };
    for (const auto &[combo, name] : combos) {
        combo->setAccessibleName(name);
        combo->view()->setAccessibleName(name + QStringLiteral(" choices"));
    }
    ui.btnZero->setAccessibleName(QStringLiteral("Zero the external input"));
    ui.rgOutput_Disabled->setAccessibleName(QStringLiteral("Output disabled"));
    ui.rgOutput_Enabled->setAccessibleName(QStringLiteral("Output enabled"));
    ui.cbBUZZER->setAccessibleName(QStringLiteral("OOC beep"));
    for (QLabel *flag : {ui.pnlWARN_OOC, ui.pnlWARN_TF, ui.pnlWARN_OE, ui.pnlWARN_FAULT})
        flag->setAccessibleName(V57PanelTexts::WarningFlagName(flag->text(), false));
    fFlags[OOC] = ui.pnlWARN_OOC;
    fFlags[TooFast] = ui.pnlWARN_TF;
    ValuesShown(values);
    ui.GroupBox7->installEventFilter(this);
}

void TV57PanelDescriber::DeviceShown(int32_t deviceID)
{
    fPanel.setAccessibleName(QStringLiteral("Stimulator, device ID %1").arg(deviceID));
}

// The charge per phase shows on the demand and duration digits, the
// recovery phase's amplitude on the recovery digits.
void TV57PanelDescriber::ValuesShown(const TValues &values)
{
    NameRow(TRow::Demand, values.Demand);
    NameRow(TRow::Duration, values.Width);
    NameRow(TRow::Recovery, values.Recovery);
    NameRow(TRow::Dwell, values.Dwell);

    const std::pair charge{values.Demand, values.Width};
    if (fChargeOf != charge) {
        fChargeOf = charge;
        const QString text = V57PanelTexts::ChargeToolTip(values.Demand, values.Width);
        SetToolTip(Panels::RowOf(fRows, TRow::Demand), text);
        SetToolTip(Panels::RowOf(fRows, TRow::Duration), text);
    }
    const std::pair recovery{values.Demand, values.Recovery};
    if (fRecoveryOf != recovery) {
        fRecoveryOf = recovery;
        SetToolTip(Panels::RowOf(fRows, TRow::Recovery),
                   V57PanelTexts::RecoveryToolTip(values.Demand, values.Recovery));
    }
}

// The row's digits, and the control beside them (the point or the group),
// all read the row's value.
void TV57PanelDescriber::NameRow(TRow row, int32_t value)
{
    std::optional<int32_t> &named = fRowOf[std::size_t(row)];
    if (named == value)
        return;
    named = value;
    const Panels::TDigitRow &digits = Panels::RowOf(fRows, row);
    const QString name = V57PanelTexts::Reading(row, value);
    for (const Panels::TDigit &digit : digits.Digits)
        digit.Panel->setAccessibleName(name);
    digits.Beside->setAccessibleName(name);
}

// The placeholder waits for the device to confirm a limit.
void TV57PanelDescriber::LimitShown(int32_t shownWith, int32_t limit)
{
    const int32_t scaleOf = shownWith < 0 ? -1 : limit;
    if (fScaleOf == scaleOf)
        return;
    fScaleOf = scaleOf;
    ui.GroupBox10->setToolTip(shownWith < 0 ? V57PanelTexts::LimitPendingToolTip()
                                            : V57PanelTexts::LimitToolTip(limit));
    ui.lbLimit->setAccessibleName(QStringLiteral("Limit %1 mA").arg(ui.lbLimit->text()));
    SetAccessibleName(ui.btnSETLIMIT, QStringLiteral("%1 limit").arg(ui.btnSETLIMIT->text()));
}

void TV57PanelDescriber::WarningsRaised(const V57SettingRules::TWarnings &warnings)
{
    if (!warnings.OOC && !warnings.TooFast)
        return;
    const auto now = V57PanelTexts::TClock::now();
    for (const auto &[flag, raised] : {std::pair{OOC, warnings.OOC}, {TooFast, warnings.TooFast}}) {
        if (raised) {
            fTallies[flag].Note(now);
            NameFlag(flag, true);
        }
    }
}

// A flag is on while it shows.
void TV57PanelDescriber::WarningFlagsTicked()
{
    for (const std::size_t flag : {OOC, TooFast}) {
        if (fFlagOn[flag] && fFlags[flag]->isHidden())
            NameFlag(flag, false);
    }
}

void TV57PanelDescriber::NameFlag(std::size_t flag, bool on)
{
    fFlagOn[flag] = on;
    SetAccessibleName(fFlags[flag], V57PanelTexts::WarningFlagName(fFlags[flag]->text(), on));
}

bool TV57PanelDescriber::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.GroupBox7 && event->type() == QEvent::ToolTip)
        ui.GroupBox7->setToolTip(
            V57PanelTexts::ErrorsToolTip(fTallies[OOC], fTallies[TooFast], V57PanelTexts::TClock::now()));
    return QObject::eventFilter(watched, event);
}
