// A stimulator panel made the way the main window makes one, fed with
// current-state records built by the codec, and read back through the
// settings and poll records it writes.
#pragma once

#include "FV57ControlFormU.h"
#include "StimulatorRecord.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <memory>
#include <vector>

namespace PanelTest {

using StimulatorRecord::TReport;
using TRecord = std::vector<uint8_t>;

constexpr int32_t TestDeviceID = 7;

// A device at its usual settings: 10.0 mA, no limit, 200 us, 100 %, 10 us,
// mono-phasic, positive, internal, output disabled, beep on, no pulse yet.
inline TReport Report()
{
    TReport report;
    report.DeviceID = TestDeviceID;
    report.VersionID = 0x01020304;
    report.Control.Mode = StimulatorRecord::MonoPhasic;
    report.Control.Polarity = StimulatorRecord::Positive;
    report.Control.Source = StimulatorRecord::Internal;
    report.Demand = 100;
    report.Limit = 10000;
    report.Width = 200;
    report.Recovery = 100;
    report.Dwell = 10;
    return report;
}

inline TRecord Record(const TReport &report)
{
    TRecord record(StimulatorRecord::Size, 0);
    StimulatorRecord::WriteReport(record.data(), report);
    return record;
}

class TPanelFixture {
public:
    explicit TPanelFixture(const TReport &first = Report())
    {
        panel->OnDeviceChange = [this](QObject *sender, int32_t deviceID) {
            QCOMPARE(sender, panel.get());
            QCOMPARE(deviceID, TestDeviceID);
            ++changes;
        };
        const TRecord record = Record(first);
        panel->OnCreate(record.data());
        panel->SetDeviceState(record.data());
        panel->show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(panel.get());
    }

    void Apply(const TReport &report)
    {
        const TRecord record = Record(report);
        panel->SetDeviceState(record.data());
    }

    // A settings record written into a slot the caller filled with 0xAB, so
    // that words the panel must leave alone show up.
    TRecord Settings()
    {
        TRecord record(StimulatorRecord::Size, 0xAB);
        panel->GetDeviceState(record.data());
        return record;
    }
    TRecord Poll()
    {
        TRecord record(StimulatorRecord::Size, 0xAB);
        panel->GetDevicePollState(record.data());
        return record;
    }
    static int32_t Word(const TRecord &record, int word)
    {
        return DeviceBlock::Word(record.data(), word);
    }
    uint32_t ControlWord() { return uint32_t(Word(Settings(), StimulatorRecord::ControlWord)); }

    template <typename T = QWidget>
    T *Control(const QString &name) const
    {
        T *control = panel->findChild<T *>(name);
        if (!control)
            qFatal("no control %s", qPrintable(name));
        return control;
    }

    // The texts of the named digits, from the left.
    QString Digits(const QStringList &names) const
    {
        QString text;
        for (const QString &name : names)
            text += Control<QLabel>(name)->text();
        return text;
    }

    QStringList VisibleArrows() const
    {
        QStringList names;
        for (const QToolButton *button : panel->findChildren<QToolButton *>()) {
            if (!button->isHidden())
                names << button->objectName();
        }
        names.sort();
        return names;
    }

    void Click(const QString &name, QPoint at = QPoint()) const
    {
        QTest::mouseClick(Control(name), Qt::LeftButton, {}, at);
    }

    // The operator picks an item from the open list with the mouse.
    void Choose(const QString &comboName, int item) const
    {
        auto *combo = Control<QComboBox>(comboName);
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView *list = combo->view();
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        // An open list takes no release until a double-click interval has
        // passed, so that the press that opened it cannot also choose.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect row = list->visualRect(list->model()->index(item, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QTRY_VERIFY(!list->window()->isVisible());
    }

    std::unique_ptr<TFV57ControlForm> panel = std::make_unique<TFV57ControlForm>();
    int changes = 0;
};

inline const QStringList DemandDigits{"pnlDEMAND5", "pnlDEMAND4", "pnlDEMAND3", "pnlDEMAND2",
                                      "pnlDEMAND1"};
inline const QStringList WidthDigits{"pnlWIDTH4", "pnlWIDTH3", "pnlWIDTH2", "pnlWIDTH1"};
inline const QStringList RecoveryDigits{"pnlRECOVERY3", "pnlRECOVERY2", "pnlRECOVERY1"};
inline const QStringList DwellDigits{"pnlDWELL3", "pnlDWELL2", "pnlDWELL1"};

} // namespace PanelTest
