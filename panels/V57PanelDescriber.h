// What the stimulator panel tells beyond what it shows: the names that screen
// readers announce, the tooltips with derived figures and the tally of
// warnings behind the Errors group's tooltip. The panel tells it what it now
// shows; it renames and retips only what that changed, so a report that
// changes nothing costs it a few comparisons.
#pragma once

#include "V57DigitRows.h"
#include "V57PanelTexts.h"
#include "V57SettingRules.h"

#include <QObject>

#include <cstdint>
#include <optional>
#include <utility>

class QLabel;
class QWidget;

namespace Ui {
class TFV57ControlForm;
}

class TV57PanelDescriber : public QObject {
public:
    // What the digit rows show.
    struct TValues {
        int32_t Demand = 0;
        int32_t Width = 0;
        int32_t Recovery = 0;
        int32_t Dwell = 0;
    };

    // The panel, its form and its digit rows outlive the describer.
    TV57PanelDescriber(QWidget &panel, const Ui::TFV57ControlForm &ui, const Panels::TDigitRows &rows);

    // Names what shows no text of its own, or a text that means little
    // without the group around it; the rows as they show `values`.
    void NameControls(const TValues &values);
    // The panel's device is known.
    void DeviceShown(int32_t deviceID);
    // The digit rows show `values`.
    void ValuesShown(const TValues &values);
    // ShowLimit has drawn `shownWith` over the stored `limit`.
    void LimitShown(int32_t shownWith, int32_t limit);
    // A report raised these warnings (none, often).
    void WarningsRaised(const V57SettingRules::TWarnings &warnings);
    // The warning timer has ticked: a flag may have run out.
    void WarningFlagsTicked();

protected:
    // The Errors tooltip counts up to the moment it shows.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void NameRow(V57SettingRules::TRow row, int32_t value);
    void NameFlag(std::size_t flag, bool on);

    QWidget &fPanel;
    const Ui::TFV57ControlForm &ui;
    const Panels::TDigitRows &fRows;

    // What each name and tooltip was last made from.
    std::optional<int32_t> fRowOf[std::size(V57SettingRules::DigitRows)];
    std::optional<std::pair<int32_t, int32_t>> fChargeOf, fRecoveryOf;
    std::optional<int32_t> fScaleOf;
    // "OOC" and "Too Fast": whether each is named as on, and the warnings
    // raised since the panel was created.
    QLabel *fFlags[2] = {};
    bool fFlagOn[2] = {};
    V57PanelTexts::TWarningTally fTallies[2];
};
