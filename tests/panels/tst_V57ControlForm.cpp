#include "PanelFixture.h"

#include "FGenericDeviceInftU.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace PanelTest;
using Panels::Tag;
using namespace StimulatorRecord;

namespace {

// What the debug output channel received.
QStringList debugOutput;
QtMessageHandler previousHandler = nullptr;

void CaptureDebugOutput(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && QByteArray(context.category) == "pellix.debugoutput")
        debugOutput << message;
    else
        previousHandler(type, context, message);
}

// The colour the digit shows a little inside its border.
QColor FaceColour(QWidget *digit)
{
    return digit->grab().toImage().pixelColor(3, 3);
}

} // namespace

class TestV57ControlForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutAtStart();
    void focusOrder();
    void arrowGlyphs();

    void digitRows_data();
    void digitRows();
    void debugChannelOffByDefault();
    void limitGroup_data();
    void limitGroup();
    void limitPlaceholderKeepsCaption();
    void setResetToggles_data();
    void setResetToggles();

    void selectionFollowsClicksOnEditableDigits();
    void reportKeepsSelection();
    void hoverHighlightsEditableDigits_data();
    void hoverHighlightsEditableDigits();

    void stepButtons_data();
    void stepButtons();

    void comboCodesFromReports_data();
    void comboCodesFromReports();
    void modeUnnamedUntilOperatorChooses();
    void operatorSourceLeavesZeroToDevice();
    void reportDuringOpenPolarityList_data();
    void reportDuringOpenPolarityList();
    void outputAndBeepFromReports_data();
    void outputAndBeepFromReports();
    void operatorInputsRaiseOneChange_data();
    void operatorInputsRaiseOneChange();
    void oneShotRequests_data();
    void oneShotRequests();
    void settingsAndPollRecords();

    void warningFlags_data();
    void warningFlags();
    void warningHoldAndRestart();
};

void TestV57ControlForm::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    debugOutput.clear();
    previousHandler = qInstallMessageHandler(CaptureDebugOutput);
}

void TestV57ControlForm::cleanup()
{
    qInstallMessageHandler(previousHandler);
    QLoggingCategory::setFilterRules(QString());
    qApp->setStyleSheet(QString());
}

void TestV57ControlForm::layoutAtStart()
{
    TFV57ControlForm panel;
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCOMPARE(panel.size(), QSize(468, 367));
    QCOMPARE(panel.findChild<QWidget *>("pnlVerContr")->x(), 342);
    for (const QStringList &row : {DemandDigits, WidthDigits, RecoveryDigits, DwellDigits}) {
        for (const QString &digit : row)
            QCOMPARE(panel.findChild<QLabel *>(digit)->text(), QStringLiteral("0"));
    }
    QCOMPARE(panel.findChild<QLabel *>("Panel11")->text(), QStringLiteral("."));
    QCOMPARE(panel.findChild<QLabel *>("lbLimit")->text(), QStringLiteral("9999"));
    QCOMPARE(panel.findChild<QLabel *>("lbScale")->text(), QStringLiteral("lbScale"));
    QCOMPARE(panel.findChild<QPushButton *>("btnSETLIMIT")->text(), QStringLiteral("Set"));
    QCOMPARE(panel.findChildren<QToolButton *>().size(), 20);
    for (const QToolButton *arrow : panel.findChildren<QToolButton *>())
        QVERIFY2(arrow->isHidden(), qPrintable(arrow->objectName()));
    for (const char *flag : {"pnlWARN_OOC", "pnlWARN_TF", "pnlWARN_OE", "pnlWARN_FAULT"})
        QVERIFY(panel.findChild<QLabel *>(flag)->isHidden());
    QCOMPARE(panel.findChild<QComboBox *>("cbMODE")->currentIndex(), -1);
    QCOMPARE(panel.findChild<QComboBox *>("cbPOLARITY")->currentText(), QStringLiteral("Positive"));
    QCOMPARE(panel.findChild<QComboBox *>("cbSOURCE")->currentText(), QStringLiteral("Internal"));
    QVERIFY(panel.findChild<QRadioButton *>("rgOutput_Disabled")->isChecked());
    QVERIFY(panel.findChild<QCheckBox *>("cbBUZZER")->isChecked());
    QVERIFY(!panel.findChild<QPushButton *>("btnZero")->isEnabled());
    const auto *timer = panel.findChild<QTimer *>("tmrWARN");
    QVERIFY(timer);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->intervalAsDuration(), std::chrono::milliseconds(20));
    QCOMPARE(panel.findChild<QLabel *>("pnlDEMAND4")->font().pixelSize(), 40);
    QCOMPARE(panel.findChild<QLabel *>("pnlWIDTH2")->font().pixelSize(), 21);
}

void TestV57ControlForm::focusOrder()
{
    TPanelFixture fixture([] {
        TReport report = Report();
        report.Control.Source = External; // "Zero" takes part only when enabled
        return report;
    }());
    QApplication::setActiveWindow(fixture.panel.get());
    QVERIFY(QTest::qWaitForWindowActive(fixture.panel.get()));
    fixture.Control("cbMODE")->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"cbMODE", "cbPOLARITY", "cbSOURCE", "btnZero", "rgOutput_Disabled",
                                 "btnTrigger", "cbBUZZER", "btnSETLIMIT", "cbMODE"}));
    for (const QToolButton *arrow : fixture.panel->findChildren<QToolButton *>())
        QCOMPARE(arrow->focusPolicy(), Qt::NoFocus);
    for (const QLabel *digit : fixture.panel->findChildren<QLabel *>())
        QCOMPARE(digit->focusPolicy(), Qt::NoFocus);
}

void TestV57ControlForm::arrowGlyphs()
{
    TPanelFixture fixture;
    const QImage up = fixture.Control<QToolButton>("btnDemandInc1")->icon().pixmap(13, 8).toImage();
    const QImage down = fixture.Control<QToolButton>("btnDwellDec2")->icon().pixmap(13, 8).toImage();
    QCOMPARE(up.size(), QSize(13, 8));
    // Red is see-through; the triangle's tip row is one black pixel wide.
    QCOMPARE(qAlpha(up.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(up.pixel(0, 7)), 0);
    QCOMPARE(up.pixelColor(6, 1), QColor(Qt::black));
    QCOMPARE(qAlpha(up.pixel(5, 1)), 0);
    QCOMPARE(up.pixelColor(1, 6), QColor(Qt::black));
    QCOMPARE(down.pixelColor(6, 6), QColor(Qt::black));
    QCOMPARE(qAlpha(down.pixel(5, 6)), 0);
    QCOMPARE(down.pixelColor(1, 1), QColor(Qt::black));
}

void TestV57ControlForm::digitRows_data()
{
    QTest::addColumn<int>("demand");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("recovery");
    QTest::addColumn<int>("dwell");
    QTest::addColumn<QString>("demandDigits");
    QTest::addColumn<QString>("widthDigits");
    QTest::addColumn<QString>("recoveryDigits");
    QTest::addColumn<QString>("dwellDigits");
    QTest::addColumn<QString>("debugText");
    QTest::newRow("demand 0, duration 50, recovery 100, dwell 1")
        << 0 << 50 << 100 << 1 << "00000" << "0050" << "100" << "001" << "0050";
    QTest::newRow("demand 10000, duration 2000, recovery 10, dwell 990")
        << 10000 << 2000 << 10 << 990 << "10000" << "2000" << "010" << "990" << "2000";
    QTest::newRow("demand 1234, duration 12345 truncated")
        << 1234 << 12345 << 55 << 500 << "01234" << "1234" << "055" << "500" << "12345";
    QTest::newRow("negative values keep the last report")
        << -1 << -1 << -1 << -1 << "00100" << "0200" << "100" << "010" << "0200";
}

void TestV57ControlForm::digitRows()
{
    QFETCH(int, demand);
    QFETCH(int, width);
    QFETCH(int, recovery);
    QFETCH(int, dwell);
    QFETCH(QString, demandDigits);
    QFETCH(QString, widthDigits);
    QFETCH(QString, recoveryDigits);
    QFETCH(QString, dwellDigits);
    QFETCH(QString, debugText);

    TPanelFixture fixture;
    QLoggingCategory::setFilterRules(QStringLiteral("pellix.debugoutput.debug=true"));
    debugOutput.clear();
    TReport report = Report();
    report.Demand = demand;
    report.Width = width;
    report.Recovery = recovery;
    report.Dwell = dwell;
    fixture.Apply(report);

    QCOMPARE(fixture.Digits(DemandDigits), demandDigits);
    QCOMPARE(fixture.Control<QLabel>("Panel11")->text(), QStringLiteral("."));
    QCOMPARE(fixture.Digits(WidthDigits), widthDigits);
    QCOMPARE(fixture.Digits(RecoveryDigits), recoveryDigits);
    QCOMPARE(fixture.Digits(DwellDigits), dwellDigits);
    QCOMPARE(debugOutput, QStringList{debugText});
    // The fields keep the whole value, whatever the row shows.
    const TRecord settings = fixture.Settings();
    if (width >= 0)
        QCOMPARE(fixture.Word(settings, Width), width);
    if (demand < 0)
        QCOMPARE(fixture.Word(settings, Demand), 100);
}

void TestV57ControlForm::debugChannelOffByDefault()
{
    TPanelFixture fixture;
    fixture.Apply(Report());
    QVERIFY(debugOutput.isEmpty());
}

void TestV57ControlForm::limitGroup_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("limitText");
    QTest::addColumn<QString>("scaleText");
    QTest::addColumn<QString>("caption");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("10000") << english << 10000 << "1000" << "10V = 1000.0mA" << "Set";
    QTest::newRow("9999") << english << 9999 << "999" << "10V = 999.9mA" << "Reset";
    QTest::newRow("505") << english << 505 << "50" << "10V = 50.5mA" << "Reset";
    QTest::newRow("0") << english << 0 << "0" << "10V = 0.0mA" << "Reset";
    QTest::newRow("505, German decimal comma")
        << QLocale(QLocale::German) << 505 << "50" << "10V = 50,5mA" << "Reset";
}

void TestV57ControlForm::limitGroup()
{
    QFETCH(QLocale, locale);
    QFETCH(int, limit);
    QFETCH(QString, limitText);
    QFETCH(QString, scaleText);
    QFETCH(QString, caption);
    QLocale::setDefault(locale);
    TReport report = Report();
    report.Limit = limit;
    TPanelFixture fixture(report);
    QCOMPARE(fixture.Control<QLabel>("lbLimit")->text(), limitText);
    QCOMPARE(fixture.Control<QLabel>("lbScale")->text(), scaleText);
    QVERIFY(fixture.Control("btnSETLIMIT")->isEnabled());
    QCOMPARE(fixture.Control<QPushButton>("btnSETLIMIT")->text(), caption);
}

void TestV57ControlForm::limitPlaceholderKeepsCaption()
{
    TReport report = Report();
    report.Limit = 505;
    TPanelFixture fixture(report);
    report.Limit = -1;
    fixture.Apply(report);
    QCOMPARE(fixture.Control<QLabel>("lbLimit")->text(), QStringLiteral("1000"));
    QCOMPARE(fixture.Control<QLabel>("lbScale")->text(), QStringLiteral("10V = 1000.0mA"));
    QVERIFY(!fixture.Control("btnSETLIMIT")->isEnabled());
    QCOMPARE(fixture.Control<QPushButton>("btnSETLIMIT")->text(), QStringLiteral("Reset"));
    QCOMPARE(fixture.Word(fixture.Settings(), Limit), 505);

    report.Limit = 505;
    fixture.Apply(report);
    QCOMPARE(fixture.Control<QLabel>("lbLimit")->text(), QStringLiteral("50"));
    QVERIFY(fixture.Control("btnSETLIMIT")->isEnabled());
    QCOMPARE(fixture.Control<QPushButton>("btnSETLIMIT")->text(), QStringLiteral("Reset"));
}

void TestV57ControlForm::setResetToggles_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("demand");
    QTest::addColumn<int>("newLimit");
    QTest::newRow("Set takes the demand") << 10000 << 2500 << 2500;
    QTest::newRow("Reset goes to full scale") << 2500 << 2500 << 10000;
    QTest::newRow("Set over a reported 12000") << 12000 << 2500 << 2500;
}

void TestV57ControlForm::setResetToggles()
{
    QFETCH(int, limit);
    QFETCH(int, demand);
    QFETCH(int, newLimit);
    TReport report = Report();
    report.Limit = limit;
    report.Demand = demand;
    TPanelFixture fixture(report);
    const QString caption = fixture.Control<QPushButton>("btnSETLIMIT")->text();

    fixture.Click("btnSETLIMIT");
    QCOMPARE(fixture.changes, 1);
    QCOMPARE(fixture.Word(fixture.Settings(), Limit), newLimit);
    // Until the device answers, the group shows the placeholder.
    QCOMPARE(fixture.Control<QLabel>("lbLimit")->text(), QStringLiteral("1000"));
    QCOMPARE(fixture.Control<QLabel>("lbScale")->text(), QStringLiteral("10V = 1000.0mA"));
    QVERIFY(!fixture.Control("btnSETLIMIT")->isEnabled());
    QCOMPARE(fixture.Control<QPushButton>("btnSETLIMIT")->text(), caption);
    // A disabled button takes no second press.
    fixture.Click("btnSETLIMIT");
    QCOMPARE(fixture.changes, 1);
}

void TestV57ControlForm::selectionFollowsClicksOnEditableDigits()
{
    TPanelFixture fixture;
    QCOMPARE(fixture.VisibleArrows(), QStringList());

    fixture.Click("pnlDEMAND3");
    QCOMPARE(fixture.VisibleArrows(), (QStringList{"btnDemandDec3", "btnDemandInc3"}));
    fixture.Click("pnlWIDTH2");
    const QStringList widthPair{"btnWidthDec2", "btnWidthInc2"};
    QCOMPARE(fixture.VisibleArrows(), widthPair);
    fixture.Click("pnlWIDTH2");
    QCOMPARE(fixture.VisibleArrows(), widthPair);

    for (const char *elsewhere : {"pnlDEMAND5", "pnlWIDTH1", "pnlRECOVERY3", "pnlDWELL1", "Panel11",
                                  "GroupBox1", "btnWidthInc2"}) {
        fixture.Click(elsewhere);
        QVERIFY2(fixture.VisibleArrows() == widthPair, elsewhere);
    }
    // The panel's own background, between the demand row and "Output".
    QTest::mouseClick(fixture.panel.get(), Qt::LeftButton, {}, QPoint(220, 70));
    QCOMPARE(fixture.VisibleArrows(), widthPair);
    QCOMPARE(fixture.changes, 1); // only the arrow button's step
}

void TestV57ControlForm::reportKeepsSelection()
{
    TPanelFixture fixture;
    fixture.Click("pnlDEMAND2");
    TReport report = Report();
    report.Demand = 4321;
    fixture.Apply(report);
    QCOMPARE(fixture.Digits(DemandDigits), QStringLiteral("04321"));
    QCOMPARE(fixture.VisibleArrows(), (QStringList{"btnDemandDec2", "btnDemandInc2"}));
}

void TestV57ControlForm::hoverHighlightsEditableDigits_data()
{
    QTest::addColumn<bool>("rubyGraphite");
    QTest::newRow("default look") << false;
    QTest::newRow("Ruby Graphite") << true;
}

void TestV57ControlForm::hoverHighlightsEditableDigits()
{
    QFETCH(bool, rubyGraphite);
    if (rubyGraphite) {
        QFile sheet(QStringLiteral(":/styles/RubyGraphite.qss"));
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    }
    TPanelFixture fixture;
    QWidget *demand1 = fixture.Control("pnlDEMAND1");
    QWidget *demand2 = fixture.Control("pnlDEMAND2");
    QWidget *dwell1 = fixture.Control("pnlDWELL1");
    QWidget *recovery3 = fixture.Control("pnlRECOVERY3");
    // Start with the mouse away from every digit, wherever the last test left it.
    QTest::mouseMove(fixture.panel.get(), QPoint(220, 70));
    QTRY_COMPARE(FaceColour(demand1).rgba(), FaceColour(demand2).rgba());
    const QColor face = FaceColour(demand1);
    const QColor smallFace = FaceColour(dwell1);
    QCOMPARE(FaceColour(demand2), face);
    if (!rubyGraphite)
        QCOMPARE(face.rgba(), QApplication::palette().color(QPalette::Button).rgba());

    QTest::mouseMove(demand1);
    QTRY_VERIFY(FaceColour(demand1) != face);
    const QColor hovered = FaceColour(demand1);
    QCOMPARE(hovered.rgba(), rubyGraphite ? qRgb(0xa8, 0x32, 0x4a)
                                          : QApplication::palette().color(QPalette::Mid).rgba());
    // A click leaves the highlight as it is.
    QTest::mouseClick(demand1, Qt::LeftButton);
    QCOMPARE(FaceColour(demand1), hovered);

    QTest::mouseMove(demand2);
    QTRY_COMPARE(FaceColour(demand2), hovered);
    QCOMPARE(FaceColour(demand1), face);

    QTest::mouseMove(dwell1);
    QTRY_COMPARE(FaceColour(demand2), face);
    QCOMPARE(FaceColour(dwell1), smallFace);
    QTest::mouseMove(recovery3);
    QCOMPARE(FaceColour(recovery3), smallFace);
}

void TestV57ControlForm::stepButtons_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("digit");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("expected");
    QTest::newRow("demand 9995 +10") << int(Demand) << 9995 << "pnlDEMAND2" << "btnDemandInc2" << 10000;
    QTest::newRow("demand 5 -10") << int(Demand) << 5 << "pnlDEMAND2" << "btnDemandDec2" << 0;
    QTest::newRow("demand 10000 +1000") << int(Demand) << 10000 << "pnlDEMAND4" << "btnDemandInc4" << 10000;
    QTest::newRow("demand 100 +100") << int(Demand) << 100 << "pnlDEMAND3" << "btnDemandInc3" << 200;
    QTest::newRow("demand 100 -1") << int(Demand) << 100 << "pnlDEMAND1" << "btnDemandDec1" << 99;
    QTest::newRow("duration 45 +10") << int(Width) << 45 << "pnlWIDTH2" << "btnWidthInc2" << 55;
    QTest::newRow("duration 45 -10") << int(Width) << 45 << "pnlWIDTH2" << "btnWidthDec2" << 50;
    QTest::newRow("duration 2500 -10") << int(Width) << 2500 << "pnlWIDTH2" << "btnWidthDec2" << 2490;
    QTest::newRow("duration 1950 +100") << int(Width) << 1950 << "pnlWIDTH3" << "btnWidthInc3" << 2000;
    QTest::newRow("recovery 95 +10") << int(Recovery) << 95 << "pnlRECOVERY2" << "btnRecoveryInc2" << 100;
    QTest::newRow("recovery 15 -10") << int(Recovery) << 15 << "pnlRECOVERY2" << "btnRecoveryDec2" << 10;
    QTest::newRow("recovery 50 -1") << int(Recovery) << 50 << "pnlRECOVERY1" << "btnRecoveryDec1" << 49;
    QTest::newRow("dwell 1 +10") << int(Dwell) << 1 << "pnlDWELL2" << "btnDwellInc2" << 10;
    QTest::newRow("dwell 1 +100") << int(Dwell) << 1 << "pnlDWELL3" << "btnDwellInc3" << 100;
    QTest::newRow("dwell 10 -10") << int(Dwell) << 10 << "pnlDWELL2" << "btnDwellDec2" << 1;
    QTest::newRow("dwell 15 -10") << int(Dwell) << 15 << "pnlDWELL2" << "btnDwellDec2" << 1;
    QTest::newRow("dwell 25 -10") << int(Dwell) << 25 << "pnlDWELL2" << "btnDwellDec2" << 10;
    QTest::newRow("dwell 985 +10") << int(Dwell) << 985 << "pnlDWELL2" << "btnDwellInc2" << 990;
    QTest::newRow("dwell 995 -10") << int(Dwell) << 995 << "pnlDWELL2" << "btnDwellDec2" << 980;
    QTest::newRow("dwell 990 +100") << int(Dwell) << 990 << "pnlDWELL3" << "btnDwellInc3" << 990;
    QTest::newRow("dwell 500 -100") << int(Dwell) << 500 << "pnlDWELL3" << "btnDwellDec3" << 400;
}

void TestV57ControlForm::stepButtons()
{
    QFETCH(int, word);
    QFETCH(int, value);
    QFETCH(QString, digit);
    QFETCH(QString, button);
    QFETCH(int, expected);
    TRecord record = Record(Report());
    DeviceBlock::SetWord(record.data(), word, value);
    TPanelFixture fixture(ReadReport(record.data()));
    QLoggingCategory::setFilterRules(QStringLiteral("pellix.debugoutput.debug=true"));

    fixture.Click(digit);
    fixture.Click(button);
    QCOMPARE(fixture.changes, 1);
    const TRecord settings = fixture.Settings();
    QCOMPARE(fixture.Word(settings, word), expected);
    // The row is redrawn from the new value; a duration redraw also goes to
    // the debug channel.
    const QString digitText = QString::number(expected);
    QVERIFY2(fixture.Digits(word == Demand ? DemandDigits
                            : word == Width ? WidthDigits
                            : word == Recovery ? RecoveryDigits
                                               : DwellDigits)
                 .endsWith(digitText),
             qPrintable(digitText));
    if (word == Width)
        QCOMPARE(debugOutput, QStringList{QString::number(expected).rightJustified(4, '0')});
    // Every other setting goes out as it was.
    for (int other : {int(Demand), int(Limit), int(Width), int(Recovery), int(Dwell)}) {
        if (other != word)
            QCOMPARE(fixture.Word(settings, other), fixture.Word(record, other));
    }
}

void TestV57ControlForm::comboCodesFromReports_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("item");       // shown afterwards
    QTest::addColumn<int>("recordCode"); // in the next settings record
    // The panel starts on "Bi-phasic", "Alternating" and "External".
    QTest::newRow("mode 1") << "cbMODE" << 1 << 0 << 1;
    QTest::newRow("mode 2") << "cbMODE" << 2 << 1 << 2;
    QTest::newRow("mode 0 names none") << "cbMODE" << 0 << 1 << 0;
    QTest::newRow("mode 5 names none") << "cbMODE" << 5 << 1 << 5;
    QTest::newRow("polarity 1") << "cbPOLARITY" << 1 << 0 << 1;
    QTest::newRow("polarity 2") << "cbPOLARITY" << 2 << 1 << 2;
    QTest::newRow("polarity 0 names none") << "cbPOLARITY" << 0 << 2 << 0;
    QTest::newRow("polarity 7 names none") << "cbPOLARITY" << 7 << 2 << 7;
    QTest::newRow("source 1") << "cbSOURCE" << 1 << 0 << 1;
    QTest::newRow("source 3 is external") << "cbSOURCE" << 3 << 1 << 2;
    QTest::newRow("source 0 names none") << "cbSOURCE" << 0 << 1 << 2;
    QTest::newRow("source 4 names none") << "cbSOURCE" << 4 << 1 << 2;
}

void TestV57ControlForm::comboCodesFromReports()
{
    QFETCH(QString, combo);
    QFETCH(int, code);
    QFETCH(int, item);
    QFETCH(int, recordCode);
    TReport report = Report();
    report.Control.Mode = BiPhasic;
    report.Control.Polarity = Alternating;
    report.Control.Source = External;
    TPanelFixture fixture(report);
    QVERIFY(fixture.Control("btnZero")->isEnabled());

    if (combo == "cbMODE")
        report.Control.Mode = code;
    else if (combo == "cbPOLARITY")
        report.Control.Polarity = code;
    else
        report.Control.Source = code;
    fixture.Apply(report);

    QCOMPARE(fixture.Control<QComboBox>(combo)->currentIndex(), item);
    const TControlFields sent = DecodeControlWord(fixture.ControlWord());
    const int sentCode = combo == "cbMODE" ? sent.Mode
                         : combo == "cbPOLARITY" ? sent.Polarity
                                                 : sent.Source;
    QCOMPARE(sentCode, recordCode);
    QCOMPARE(fixture.Control("btnZero")->isEnabled(), combo != "cbSOURCE" || item == 1);
    QCOMPARE(fixture.changes, 0);
}

void TestV57ControlForm::modeUnnamedUntilOperatorChooses()
{
    TReport report = Report();
    report.Control.Mode = 0;
    TPanelFixture fixture(report);
    QCOMPARE(fixture.Control<QComboBox>("cbMODE")->currentIndex(), -1);
    QCOMPARE(DecodeControlWord(fixture.ControlWord()).Mode, 0);

    fixture.Choose("cbMODE", 1);
    QCOMPARE(fixture.Control<QComboBox>("cbMODE")->currentText(), QStringLiteral("Bi-phasic"));
    QCOMPARE(fixture.changes, 1);
    QCOMPARE(DecodeControlWord(fixture.ControlWord()).Mode, int(BiPhasic));
}

void TestV57ControlForm::operatorSourceLeavesZeroToDevice()
{
    TPanelFixture fixture;
    fixture.Choose("cbSOURCE", 1);
    QCOMPARE(fixture.changes, 1);
    QCOMPARE(DecodeControlWord(fixture.ControlWord()).Source, int(External));
    QVERIFY(!fixture.Control("btnZero")->isEnabled());

    TReport report = Report();
    report.Control.Source = External;
    fixture.Apply(report);
    QVERIFY(fixture.Control("btnZero")->isEnabled());
}

void TestV57ControlForm::reportDuringOpenPolarityList_data()
{
    QTest::addColumn<bool>("closeByClickElsewhere");
    QTest::newRow("closed by Escape") << false;
    QTest::newRow("closed by a click elsewhere") << true;
}

void TestV57ControlForm::reportDuringOpenPolarityList()
{
    QFETCH(bool, closeByClickElsewhere);
    TPanelFixture fixture;
    auto *polarity = fixture.Control<QComboBox>("cbPOLARITY");
    QTest::mouseClick(polarity, Qt::LeftButton);
    QWidget *list = polarity->view()->window();
    QVERIFY(QTest::qWaitForWindowExposed(list));
    QCOMPARE(Tag(polarity), 1);

    TReport report = Report();
    report.Demand = 555;
    report.Control.Mode = BiPhasic;
    report.Control.Polarity = Alternating;
    fixture.Apply(report);
    QCOMPARE(fixture.Digits(DemandDigits), QStringLiteral("00555"));
    QCOMPARE(fixture.Control<QComboBox>("cbMODE")->currentIndex(), 1);
    QCOMPARE(polarity->currentIndex(), 0);
    QCOMPARE(DecodeControlWord(fixture.ControlWord()).Polarity, int(Positive));

    QTest::qWait(QApplication::doubleClickInterval() + 50);
    // An open list grabs the pointer: a click elsewhere reaches the list,
    // at a place outside it.
    const QPoint background = fixture.panel->mapToGlobal(QPoint(220, 70));
    if (closeByClickElsewhere)
        QTest::mouseClick(list, Qt::LeftButton, {}, list->mapFromGlobal(background));
    else
        QTest::keyClick(polarity->view(), Qt::Key_Escape);
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(Tag(polarity), 0);
    QCOMPARE(fixture.changes, 0);

    fixture.Apply(report);
    QCOMPARE(polarity->currentIndex(), 2);
    QCOMPARE(DecodeControlWord(fixture.ControlWord()).Polarity, int(Alternating));
}

void TestV57ControlForm::outputAndBeepFromReports_data()
{
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("beeperOff");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("beep");
    QTest::newRow("output 0, beep 0") << 0 << 0 << false << true;
    QTest::newRow("output 1, beep 1") << 1 << 1 << true << false;
    QTest::newRow("output 2, beep 2") << 2 << 2 << true << false;
    QTest::newRow("output 3, beep 3") << 3 << 3 << true << false;
}

void TestV57ControlForm::outputAndBeepFromReports()
{
    QFETCH(int, output);
    QFETCH(int, beeperOff);
    QFETCH(bool, enabled);
    QFETCH(bool, beep);
    // Start from the opposite, so that each report really moves the controls.
    TReport report = Report();
    report.Control.Output = enabled ? 0 : 1;
    report.Control.BeeperOff = beep ? 1 : 0;
    TPanelFixture fixture(report);

    report.Control.Output = output;
    report.Control.BeeperOff = beeperOff;
    fixture.Apply(report);
    QCOMPARE(fixture.Control<QRadioButton>("rgOutput_Enabled")->isChecked(), enabled);
    QCOMPARE(fixture.Control<QRadioButton>("rgOutput_Disabled")->isChecked(), !enabled);
    QCOMPARE(fixture.Control<QCheckBox>("cbBUZZER")->isChecked(), beep);
    QCOMPARE(fixture.changes, 0);
    const uint32_t word = fixture.ControlWord();
    QCOMPARE(word & 0x3u, enabled ? 1u : 0u);
    QCOMPARE(word & 0x18000u, beep ? 0u : 0x8000u);
}

void TestV57ControlForm::operatorInputsRaiseOneChange_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<uint>("bits");
    QTest::newRow("Enabled") << "rgOutput_Enabled" << 0x3u << 0x1u;
    QTest::newRow("Disabled again") << "rgOutput_Disabled" << 0x3u << 0x0u;
    QTest::newRow("beep off") << "cbBUZZER" << 0x18000u << 0x8000u;
}

void TestV57ControlForm::operatorInputsRaiseOneChange()
{
    QFETCH(QString, control);
    QFETCH(uint, mask);
    QFETCH(uint, bits);
    TPanelFixture fixture;
    if (control == "rgOutput_Disabled") {
        fixture.Click("rgOutput_Enabled");
        fixture.changes = 0;
    }
    fixture.Click(control);
    QCOMPARE(fixture.changes, 1);
    QCOMPARE(fixture.ControlWord() & mask, bits);
    // The same control again reports the device's state without echoing it.
    TReport report = Report();
    report.Control.Output = 1;
    report.Control.BeeperOff = 0;
    fixture.Apply(report);
    QCOMPARE(fixture.changes, 1);
}

void TestV57ControlForm::oneShotRequests_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<uint>("bit");
    QTest::newRow("Trigger") << "btnTrigger" << 0x2000u;
    QTest::newRow("Zero") << "btnZero" << 0x800u;
}

void TestV57ControlForm::oneShotRequests()
{
    QFETCH(QString, button);
    QFETCH(uint, bit);
    TReport report = Report();
    report.Control.Source = External;
    TPanelFixture fixture(report);
    QCOMPARE(fixture.ControlWord() & bit, 0u);

    fixture.Click(button);
    QCOMPARE(fixture.changes, 1);
    // A poll neither carries nor consumes the request.
    const TRecord poll = fixture.Poll();
    for (int word = ControlWord; word <= Dwell; ++word)
        QCOMPARE(fixture.Word(poll, word), NoChange);
    QCOMPARE(fixture.ControlWord() & bit, bit);
    QCOMPARE(fixture.ControlWord() & bit, 0u);
}

void TestV57ControlForm::settingsAndPollRecords()
{
    TReport report = Report();
    report.Control = {1, BiPhasic, Alternating, Internal, 0, false, false};
    report.Demand = 1234;
    report.Limit = 5000;
    report.Width = 300;
    report.Recovery = 50;
    report.Dwell = 20;
    report.CPulse = 9;
    TPanelFixture fixture(report);

    const TRecord settings = fixture.Settings();
    QCOMPARE(fixture.Word(settings, DeviceID), TestDeviceID);
    QCOMPARE(uint32_t(fixture.Word(settings, ControlWord)), 0x169u);
    QCOMPARE(fixture.Word(settings, Demand), 1234);
    QCOMPARE(fixture.Word(settings, Limit), 5000);
    QCOMPARE(fixture.Word(settings, Width), 300);
    QCOMPARE(fixture.Word(settings, Recovery), 50);
    QCOMPARE(fixture.Word(settings, Dwell), 20);
    // The caller's bytes in the other words stay.
    for (int word : {1, 2, 9, 10, 11, 12})
        QCOMPARE(uint32_t(fixture.Word(settings, word)), 0xABABABABu);

    const TRecord poll = fixture.Poll();
    QCOMPARE(fixture.Word(poll, DeviceID), TestDeviceID);
    for (int word = ControlWord; word <= Dwell; ++word)
        QCOMPARE(fixture.Word(poll, word), NoChange);
    for (int word : {1, 2, 9, 10, 11, 12})
        QCOMPARE(uint32_t(fixture.Word(poll, word)), 0xABABABABu);
}

void TestV57ControlForm::warningFlags_data()
{
    QTest::addColumn<uint>("cpulse");
    QTest::addColumn<uint>("cooc");
    QTest::addColumn<uint>("ctoofast");
    QTest::addColumn<bool>("oocShown");
    QTest::addColumn<bool>("tooFastShown");
    // The first report held CPulse 4, COOC 5 and CTooFast 3.
    QTest::newRow("unchanged") << 4u << 5u << 3u << false << false;
    QTest::newRow("COOC up") << 6u << 6u << 3u << true << false;
    QTest::newRow("COOC down") << 6u << 4u << 3u << true << false;
    QTest::newRow("CTooFast up") << 6u << 5u << 9u << false << true;
    QTest::newRow("both") << 6u << 6u << 4u << true << true;
    QTest::newRow("no pulse counted") << 0u << 6u << 4u << false << false;
}

void TestV57ControlForm::warningFlags()
{
    QFETCH(uint, cpulse);
    QFETCH(uint, cooc);
    QFETCH(uint, ctoofast);
    QFETCH(bool, oocShown);
    QFETCH(bool, tooFastShown);
    TReport report = Report();
    report.CPulse = 4;
    report.COOC = 5;
    report.CTooFast = 3;
    TPanelFixture fixture(report);
    auto *timer = fixture.panel->findChild<QTimer *>("tmrWARN");
    // The first report only sets the baseline.
    QVERIFY(fixture.Control("pnlWARN_OOC")->isHidden());
    QVERIFY(fixture.Control("pnlWARN_TF")->isHidden());
    QVERIFY(!timer->isActive());

    report.CPulse = cpulse;
    report.COOC = cooc;
    report.CTooFast = ctoofast;
    fixture.Apply(report);
    QCOMPARE(!fixture.Control("pnlWARN_OOC")->isHidden(), oocShown);
    QCOMPARE(!fixture.Control("pnlWARN_TF")->isHidden(), tooFastShown);
    QCOMPARE(timer->isActive(), oocShown || tooFastShown);
    QVERIFY(fixture.Control("pnlWARN_OE")->isHidden());
    QVERIFY(fixture.Control("pnlWARN_FAULT")->isHidden());

    // Whatever CPulse was, the report is the new baseline.
    report.CPulse = 1;
    fixture.Apply(report);
    QCOMPARE(Tag(fixture.Control("pnlWARN_OOC")), oocShown ? 25 : 0);
    QCOMPARE(Tag(fixture.Control("pnlWARN_TF")), tooFastShown ? 25 : 0);
}

void TestV57ControlForm::warningHoldAndRestart()
{
    TReport report = Report();
    report.CPulse = 1;
    TPanelFixture fixture(report);
    QWidget *ooc = fixture.Control("pnlWARN_OOC");
    QWidget *tooFast = fixture.Control("pnlWARN_TF");
    auto *timer = fixture.panel->findChild<QTimer *>("tmrWARN");
    const auto tick = [&](int times) {
        for (int i = 0; i < times; ++i)
            fixture.panel->tmrWARNTimer(timer);
    };

    report.COOC = 1;
    fixture.Apply(report);
    tick(10);
    report.CTooFast = 1;
    fixture.Apply(report);
    tick(14);
    QVERIFY(!ooc->isHidden());
    tick(1); // the 25th tick since COOC moved
    QVERIFY(ooc->isHidden());
    QVERIFY(!tooFast->isHidden());

    // A further move starts the 25 ticks again.
    report.CTooFast = 2;
    fixture.Apply(report);
    tick(24);
    QVERIFY(!tooFast->isHidden());
    QVERIFY(timer->isActive());
    tick(1);
    QVERIFY(tooFast->isHidden());
    QVERIFY(!timer->isActive());
    tick(3);
    QVERIFY(ooc->isHidden());
    QVERIFY(tooFast->isHidden());

    // Left to the timer itself, a flag goes again.
    report.COOC = 2;
    fixture.Apply(report);
    QVERIFY(!ooc->isHidden());
    QTRY_VERIFY(ooc->isHidden());
}

QTEST_MAIN(TestV57ControlForm)
#include "tst_V57ControlForm.moc"
