// What a screen reader finds on the stimulator panel, and the tooltips that
// carry derived figures.
#include "PanelFixture.h"

#include "V57PanelTexts.h"

#include <QAccessible>
#include <QGroupBox>
#include <QHash>
#include <QHelpEvent>
#include <QRegularExpression>
#include <QToolTip>

using namespace PanelTest;

namespace {

QString AccessibleName(QWidget *control)
{
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(control);
    return node ? node->text(QAccessible::Name) : QString();
}

// Every node under `node` whose name is empty, by the object it stands for.
// Plain frames are decoration (role Border) and need none.
void CollectUnnamed(QAccessibleInterface *node, QStringList &unnamed, int depth = 0)
{
    QVERIFY2(depth < 32, "the accessibility tree loops");
    if (node->role() != QAccessible::Border && node->text(QAccessible::Name).trimmed().isEmpty()) {
        const QObject *object = node->object();
        unnamed << QStringLiteral("%1 (%2)").arg(object ? object->objectName() : QStringLiteral("?"),
                                                  object ? object->metaObject()->className() : "");
    }
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface *child = node->child(i))
            CollectUnnamed(child, unnamed, depth + 1);
    }
}

// The tooltip the control would show now.
QString ToolTipOf(QWidget *control)
{
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), control->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(control, &help);
    const QString text = QToolTip::text();
    QToolTip::hideText();
    return text;
}

} // namespace

class TestV57PanelAccessibility : public QObject {
    Q_OBJECT

private slots:
    void everyNodeNamed();
    void rowsReadAsValues_data();
    void rowsReadAsValues();
    void readingsFollowSteps();
    void stepButtonsNameTheirTags();
    void warningFlagsAnnounceState();
    void limitNamesAndScale();
    void derivedToolTips();
    void errorsToolTipCountsWarnings();
};

void TestV57PanelAccessibility::everyNodeNamed()
{
    TPanelFixture fixture;
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(fixture.panel.get());
    QVERIFY(root);
    QCOMPARE(root->text(QAccessible::Name), QStringLiteral("Stimulator, device ID %1").arg(TestDeviceID));
    QStringList unnamed;
    CollectUnnamed(root, unnamed);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void TestV57PanelAccessibility::rowsReadAsValues_data()
{
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QString>("reading");
    // Report(): 10.0 mA, 200 us, 100 %, 10 us.
    QTest::newRow("demand") << (DemandDigits + QStringList{"Panel11"}) << "Demand 0010.0 mA";
    QTest::newRow("duration") << (WidthDigits + QStringList{"GroupBox1"}) << "Duration 0200 us";
    QTest::newRow("recovery") << (RecoveryDigits + QStringList{"GroupBox2"}) << "Recovery 100 %";
    QTest::newRow("dwell") << (DwellDigits + QStringList{"GroupBox3"}) << "Dwell 010 us";
}

void TestV57PanelAccessibility::rowsReadAsValues()
{
    QFETCH(QStringList, controls);
    QFETCH(QString, reading);
    TPanelFixture fixture;
    for (const QString &name : controls)
        QCOMPARE(AccessibleName(fixture.Control(name)), reading);
}

void TestV57PanelAccessibility::readingsFollowSteps()
{
    TPanelFixture fixture;
    fixture.Click("pnlDEMAND3");
    fixture.Click("btnDemandInc3");
    QCOMPARE(AccessibleName(fixture.Control("pnlDEMAND1")), QStringLiteral("Demand 0020.0 mA"));

    TReport report = Report();
    report.Width = 50;
    report.Dwell = 990;
    fixture.Apply(report);
    QCOMPARE(AccessibleName(fixture.Control("GroupBox1")), QStringLiteral("Duration 0050 us"));
    QCOMPARE(AccessibleName(fixture.Control("pnlDWELL2")), QStringLiteral("Dwell 990 us"));
    // The arrow buttons say what they do.
    QCOMPARE(AccessibleName(fixture.Control("btnDemandInc3")), QStringLiteral("Demand up 10 mA"));
    QCOMPARE(AccessibleName(fixture.Control("btnDwellDec2")), QStringLiteral("Dwell down 10 us"));
}

void TestV57PanelAccessibility::stepButtonsNameTheirTags()
{
    // Every arrow button of the form says the step that its tag takes.
    TPanelFixture fixture;
    const QRegularExpression pattern(QStringLiteral("^btn(Demand|Width|Recovery|Dwell)(Inc|Dec)\\d$"));
    const QHash<QString, V57PanelTexts::TRow> rows{{"Demand", V57PanelTexts::TRow::Demand},
                                                   {"Width", V57PanelTexts::TRow::Duration},
                                                   {"Recovery", V57PanelTexts::TRow::Recovery},
                                                   {"Dwell", V57PanelTexts::TRow::Dwell}};
    int buttons = 0;
    for (QToolButton *button : fixture.panel->findChildren<QToolButton *>()) {
        const QRegularExpressionMatch match = pattern.match(button->objectName());
        if (!match.hasMatch())
            continue;
        ++buttons;
        QCOMPARE(AccessibleName(button),
                 V57PanelTexts::StepButtonName(rows.value(match.captured(1)), match.captured(2) == "Inc",
                                               Panels::Tag(button)));
    }
    QCOMPARE(buttons, 20);
}

void TestV57PanelAccessibility::warningFlagsAnnounceState()
{
    TReport report = Report();
    report.CPulse = 4;
    TPanelFixture fixture(report);
    const QStringList off{"OOC warning: off", "Too Fast warning: off", "Over E warning: off",
                          "FAULT warning: off"};
    const auto names = [&fixture] {
        QStringList names;
        for (const char *flag : {"pnlWARN_OOC", "pnlWARN_TF", "pnlWARN_OE", "pnlWARN_FAULT"})
            names << AccessibleName(fixture.Control(flag));
        return names;
    };
    QCOMPARE(names(), off);

    report.COOC = 1;
    fixture.Apply(report);
    QCOMPARE(names(), (QStringList{"OOC warning: on", "Too Fast warning: off", "Over E warning: off",
                                   "FAULT warning: off"}));
    // Off again once the flag has run its time.
    QTRY_COMPARE(names(), off);
}

void TestV57PanelAccessibility::limitNamesAndScale()
{
    TReport report = Report();
    report.Limit = 505;
    TPanelFixture fixture(report);
    auto *group = fixture.Control("GroupBox10");
    QCOMPARE(AccessibleName(fixture.Control("lbLimit")), QStringLiteral("Limit 50 mA"));
    QCOMPARE(AccessibleName(fixture.Control("btnSETLIMIT")), QStringLiteral("Reset limit"));
    QCOMPARE(group->toolTip(), V57PanelTexts::LimitToolTip(505));
    // Child labels show the group's tooltip.
    QCOMPARE(ToolTipOf(fixture.Control("lbScale")), group->toolTip());

    // Reset: the device has not confirmed a scale yet.
    fixture.Click("btnSETLIMIT");
    QCOMPARE(group->toolTip(), V57PanelTexts::LimitPendingToolTip());
    report.Limit = 10000;
    fixture.Apply(report);
    QCOMPARE(AccessibleName(fixture.Control("btnSETLIMIT")), QStringLiteral("Set limit"));
    QCOMPARE(group->toolTip(), V57PanelTexts::LimitToolTip(10000));
}

void TestV57PanelAccessibility::derivedToolTips()
{
    TPanelFixture fixture;
    // Report(): 10.0 mA for 200 us, recovery 100 %.
    const QString charge = V57PanelTexts::ChargeToolTip(100, 200);
    for (const QString &name : DemandDigits + WidthDigits)
        QCOMPARE(fixture.Control(name)->toolTip(), charge);
    for (const QString &name : RecoveryDigits)
        QCOMPARE(fixture.Control(name)->toolTip(), V57PanelTexts::RecoveryToolTip(100, 100));

    // Each figure follows every value it is made of.
    fixture.Click("pnlDEMAND2");
    fixture.Click("btnDemandInc2");
    TReport report = Report();
    report.Demand = 110;
    report.Width = 50;
    report.Recovery = 20;
    fixture.Apply(report);
    QCOMPARE(fixture.Control("pnlWIDTH1")->toolTip(), V57PanelTexts::ChargeToolTip(110, 50));
    QCOMPARE(fixture.Control("pnlDEMAND5")->toolTip(), V57PanelTexts::ChargeToolTip(110, 50));
    QCOMPARE(fixture.Control("pnlRECOVERY1")->toolTip(), V57PanelTexts::RecoveryToolTip(110, 20));
}

void TestV57PanelAccessibility::errorsToolTipCountsWarnings()
{
    TReport report = Report();
    report.CPulse = 4;
    TPanelFixture fixture(report);
    QCOMPARE(ToolTipOf(fixture.Control("GroupBox7")),
             QStringLiteral("OOC: none since this panel opened\nToo Fast: none since this panel opened"));

    // Two OOC reports and one Too Fast; a report that moves nothing adds none.
    for (const auto &[cooc, ctooFast] : {std::pair{1u, 0u}, {1u, 0u}, {2u, 1u}}) {
        report.COOC = cooc;
        report.CTooFast = ctooFast;
        fixture.Apply(report);
    }
    // Asked over a flag, which has no tooltip of its own.
    const QString text = ToolTipOf(fixture.Control("pnlWARN_OOC"));
    QVERIFY2(text.startsWith(QStringLiteral("OOC: 2 times since this panel opened, last ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nToo Fast: once since this panel opened, last ")), qPrintable(text));
}

QTEST_MAIN(TestV57PanelAccessibility)
#include "tst_V57PanelAccessibility.moc"
