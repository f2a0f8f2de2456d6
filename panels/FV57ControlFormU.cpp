#include "FV57ControlFormU.h"

#include "DebugOutput.h"
#include "StimulatorRecord.h"
#include "V57SettingRules.h"
#include "ui_FGenericDeviceInftU.h"
#include "ui_FV57ControlFormU.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStyle>

#include <utility>

using namespace V57SettingRules;
using Panels::RowOf;
using Panels::SetTag;
using Panels::Tag;

namespace {

constexpr int OutputDisabledItem = 0;
constexpr int OutputEnabledItem = 1;
constexpr int InternalSourceItem = 0;

// Qt names no scroll-bar colour; Mid is the system shade nearest to it and
// stands well apart from the button face.
constexpr QPalette::ColorRole ScrollBarColour = QPalette::Mid;
constexpr QPalette::ColorRole ButtonFaceColour = QPalette::Button;

constexpr int LargeDigitPixels = 40;
constexpr int SmallDigitPixels = 21;
constexpr int LimitPixels = 17;

// Designer fonts carry whole points only; these heights are pixel heights.
void SetPixelFont(QWidget *control, int pixels, bool bold = false)
{
    QFont font = control->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    control->setFont(font);
}

void FillFace(QWidget *digit, QPalette::ColorRole systemColour)
{
    QPalette palette = digit->palette();
    palette.setColor(QPalette::Window, QApplication::palette(digit).color(systemColour));
    digit->setPalette(palette);
}

// The default look fills the digit from its palette; a style sheet overrides
// the palette and picks its highlight by the "hovered" property instead.
void ShowHovered(QWidget *digit, bool hovered)
{
    FillFace(digit, hovered ? ScrollBarColour : ButtonFaceColour);
    digit->setProperty("hovered", hovered);
    digit->style()->unpolish(digit);
    digit->style()->polish(digit);
}

// The glyph's transparent colour is that of its bottom-left pixel.
QIcon ArrowGlyph(const QString &resource)
{
    QImage glyph = QImage(resource).convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = glyph.pixel(0, glyph.height() - 1);
    for (int y = 0; y < glyph.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(glyph.scanLine(y));
        for (int x = 0; x < glyph.width(); ++x) {
            if (line[x] == transparent)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return QIcon(QPixmap::fromImage(glyph));
}

// Sets every digit of the row, changed or not, and returns the whole text.
QString ShowDigitRow(int32_t value, const Panels::TDigitRow &row)
{
    const QString text = RowText(row.Row, value);
    for (std::size_t k = 0; k < row.Digits.size(); ++k)
        row.Digits[k].Panel->setText(text.mid(qsizetype(k), 1));
    return text;
}

// A negative value is the device's (or a handler's) "no value".
void StoreValue(int32_t &field, int32_t value)
{
    if (value >= 0)
        field = value;
}

void SelectItem(QComboBox *combo, int item)
{
    if (item >= 0)
        combo->setCurrentIndex(item);
}

} // namespace

TFV57ControlForm::TFV57ControlForm(QWidget *AOwner)
    : TFGenericDeviceIntf(AOwner), ui(std::make_unique<Ui::TFV57ControlForm>()),
      fDescriber(*this, *ui, fDigitRows), tmrWARN(this)
{
    ui->setupUi(this);
    fDigitRows = Panels::FormDigitRows(*ui);

    // The demand's digits are large, and the one that is not editable shows
    // the panel behind it; the other rows fill every digit.
    for (const Panels::TDigitRow &row : fDigitRows) {
        const bool demand = row.Row == TRow::Demand;
        for (const Panels::TDigit &digit : row.Digits) {
            SetPixelFont(digit.Panel, demand ? LargeDigitPixels : SmallDigitPixels);
            if (!demand || digit.Editable())
                FillFace(digit.Panel, ButtonFaceColour);
        }
    }
    SetPixelFont(ui->Panel11, LargeDigitPixels);
    SetPixelFont(ui->lbLimit, LimitPixels, true);

    fOutputItems.addButton(ui->rgOutput_Disabled, OutputDisabledItem);
    fOutputItems.addButton(ui->rgOutput_Enabled, OutputEnabledItem);

    tmrWARN.setObjectName(QStringLiteral("tmrWARN"));
    tmrWARN.setTimerType(Qt::PreciseTimer);
    tmrWARN.setInterval(V57Timings::WarnTick);

    WireControls();
    fDescriber.NameControls(ShownValues());
}

TFV57ControlForm::~TFV57ControlForm() = default;

TV57PanelDescriber::TValues TFV57ControlForm::ShownValues() const
{
    return {fDEMAND, fWIDTH, fRECOVERY, fDWELL};
}

void TFV57ControlForm::WireControls()
{
    const QIcon up = ArrowGlyph(QStringLiteral(":/glyphs/ArrowUp.bmp"));
    const QIcon down = ArrowGlyph(QStringLiteral(":/glyphs/ArrowDown.bmp"));
    const auto wireStep = [this](QToolButton *button, const QIcon &glyph, THandler handler) {
        button->setIcon(glyph);
        connect(button, &QToolButton::clicked, this, [this, button, handler] {
            (this->*handler)(button);
        });
    };
    // The handlers of each row's buttons, by TRow.
    using T = TFV57ControlForm;
    const std::pair<THandler, THandler> steps[] = {
        {&T::btnDemandInc, &T::btnDemandDec},
        {&T::btnWidthInc, &T::btnWidthDec},
        {&T::btnRecoveryInc, &T::btnRecoveryDec},
        {&T::btnDwellInc, &T::btnDwellDec},
    };
    static_assert(std::size(steps) == std::size(DigitRows));
    for (const Panels::TDigitRow &row : fDigitRows) {
        const auto &[inc, dec] = steps[std::size_t(row.Row)];
        for (const Panels::TDigit &digit : row.Digits) {
            if (!digit.Editable())
                continue;
            digit.Panel->installEventFilter(this);
            wireStep(digit.IncButton, up, inc);
            wireStep(digit.DecButton, down, dec);
        }
    }

    // activated comes from the operator only: a selection made by ShowMode,
    // ShowPolarity or ShowSource never reaches these handlers.
    const std::pair<TDropDownCombo *, THandler> combos[] = {
        {ui->cbMODE, &TFV57ControlForm::cbMODEChange},
        {ui->cbPOLARITY, &TFV57ControlForm::cbPOLARITYChange},
        {ui->cbSOURCE, &TFV57ControlForm::cbSOURCEChange},
    };
    for (const auto &entry : combos) {
        // Named copies, not a structured binding: clang 14 cannot capture one.
        TDropDownCombo *const combo = entry.first;
        const THandler change = entry.second;
        connect(combo, &QComboBox::activated, this, [this, combo, change] { (this->*change)(combo); });
        connect(combo, &TDropDownCombo::droppedDown, this, [this, combo] { cbDropDown(combo); });
        connect(combo, &TDropDownCombo::closedUp, this, [this, combo] { cbCloseUp(combo); });
    }

    connect(ui->btnSETLIMIT, &QPushButton::clicked, this, [this] { btnSETLIMITClick(ui->btnSETLIMIT); });
    connect(ui->btnTrigger, &QPushButton::clicked, this, [this] { btnTriggerClick(ui->btnTrigger); });
    connect(ui->btnZero, &QPushButton::clicked, this, [this] { btnZeroClick(ui->btnZero); });
    // These two also fire when ShowOutput and ShowBuzzer set them; the tag
    // tells those apart.
    connect(&fOutputItems, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            rgOutputClick(ui->rgOutput);
    });
    connect(ui->cbBUZZER, &QCheckBox::toggled, this, [this] { cbBUZZERClick(ui->cbBUZZER); });
    connect(&tmrWARN, &QTimer::timeout, this, [this] { tmrWARNTimer(&tmrWARN); });
}

void TFV57ControlForm::ShowHeader()
{
    QFont font = header->lblVersionID->font();
    font.setPointSize(8);
    header->lblVersionID->setFont(font);
    TFGenericDeviceIntf::ShowHeader();
}

void TFV57ControlForm::OnCreate(const uint8_t *DevHdr)
{
    TFGenericDeviceIntf::OnCreate(DevHdr);
    for (const Panels::TDigitRow &row : fDigitRows) {
        for (const Panels::TDigit &digit : row.Digits) {
            if (digit.Editable())
                AddControlObject(digit.Panel, digit.IncButton, digit.DecButton);
        }
    }
    fVALID = false;
    fCOOC = 0;
    fCTOOFAST = 0;

    fDescriber.DeviceShown(DeviceID());
}

void TFV57ControlForm::SetDeviceState(const uint8_t *DeviceState)
{
    const StimulatorRecord::TReport report = StimulatorRecord::ReadReport(DeviceState);
    ShowDemand(report.Demand);
    ShowLimit(report.Limit);
    ShowWidth(report.Width);
    ShowRecovery(report.Recovery);
    ShowDwell(report.Dwell);

    // While its list is open, a combo and its code stay as the operator has them.
    const StimulatorRecord::TControlFields &control = report.Control;
    if (Tag(ui->cbMODE) == 0)
        ShowMode(control.Mode);
    if (Tag(ui->cbPOLARITY) == 0)
        ShowPolarity(control.Polarity);
    if (Tag(ui->cbSOURCE) == 0)
        ShowSource(control.Source);
    ShowOutput(control.Output);
    ShowBuzzer(control.BeeperOff);

    const TWarnings warnings = CounterWarnings(fVALID, {fCOOC, fCTOOFAST}, report.CPulse,
                                               {report.COOC, report.CTooFast});
    if (warnings.OOC)
        RaiseWarning(ui->pnlWARN_OOC);
    if (warnings.TooFast)
        RaiseWarning(ui->pnlWARN_TF);
    fVALID = true;
    fCTOOFAST = report.CTooFast;
    fCOOC = report.COOC;

    // Beside the steps: the describer follows what they have shown.
    fDescriber.ValuesShown(ShownValues());
    fDescriber.LimitShown(report.Limit, fLIMIT);
    fDescriber.WarningsRaised(warnings);
}

void TFV57ControlForm::GetDeviceState(uint8_t *DeviceState)
{
    StimulatorRecord::TControlRequest request;
    request.OutputEnabled = fOutputItems.checkedId() != OutputDisabledItem;
    request.Mode = fMODE;
    request.Polarity = fPOLARITY;
    request.SourceInternal = ui->cbSOURCE->currentIndex() == InternalSourceItem;
    request.BeepOn = ui->cbBUZZER->isChecked();
    // One-shot requests go into this record only.
    request.Trigger = std::exchange(fTRIGGER, false);
    request.Zero = std::exchange(fZERO, false);
    StimulatorRecord::WriteSettings(DeviceState,
                                    {DeviceID(), StimulatorRecord::EncodeControlWord(request),
                                     fDEMAND, fLIMIT, fWIDTH, fRECOVERY, fDWELL});
}

void TFV57ControlForm::GetDevicePollState(uint8_t *DeviceState)
{
    StimulatorRecord::WritePoll(DeviceState, DeviceID());
}

void TFV57ControlForm::AddControlObject(QLabel *Panel, QToolButton *IncButton,
                                        QToolButton *DecButton)
{
    oObjList.push_back(std::make_unique<TControlObject>(TControlObject{Panel, IncButton, DecButton}));
    oObjIndex.push_back(Panel);
}

int32_t TFV57ControlForm::IndexOfPanel(const QObject *Panel) const
{
    for (std::size_t i = 0; i < oObjIndex.size(); ++i) {
        if (oObjIndex[i] == Panel)
            return int32_t(i);
    }
    return -1;
}

// Installed on the editable digits.
bool TFV57ControlForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter:
        MouseEnterObj(watched);
        break;
    case QEvent::Leave:
        MouseLeaveObj(watched);
        break;
    case QEvent::MouseButtonPress:
        return true; // the digit takes its own clicks; they never reach the background
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        const auto *digit = static_cast<const QWidget *>(watched);
        if (mouse->button() == Qt::LeftButton && digit->rect().contains(mouse->position().toPoint()))
            MouseClickObj(watched);
        return true;
    }
    default:
        break;
    }
    return TFGenericDeviceIntf::eventFilter(watched, event);
}

void TFV57ControlForm::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        FrameClick(this);
    TFGenericDeviceIntf::mouseReleaseEvent(event);
}

void TFV57ControlForm::MouseClickObj(QObject *Sender)
{
    if (CurrentObj) {
        CurrentObj->bINC->hide();
        CurrentObj->bDEC->hide();
        CurrentObj = nullptr;
    }
    const int32_t i = IndexOfPanel(Sender);
    if (i >= 0) {
        CurrentObj = oObjList[std::size_t(i)].get();
        CurrentObj->bINC->show();
        CurrentObj->bDEC->show();
    }
}

void TFV57ControlForm::MouseEnterObj(QObject *Sender) { ShowHovered(qobject_cast<QWidget *>(Sender), true); }

void TFV57ControlForm::MouseLeaveObj(QObject *Sender) { ShowHovered(qobject_cast<QWidget *>(Sender), false); }

// A click on the panel's background keeps the selected digit.
void TFV57ControlForm::FrameClick(QObject *) {}

void TFV57ControlForm::ShowDemand(int32_t Value)
{
    StoreValue(fDEMAND, Value);
    ShowDigitRow(fDEMAND, RowOf(fDigitRows, TRow::Demand));
}

void TFV57ControlForm::ShowWidth(int32_t Value)
{
    StoreValue(fWIDTH, Value);
    const QString text = ShowDigitRow(fWIDTH, RowOf(fDigitRows, TRow::Duration));
    qCDebug(lcDebugOutput).noquote() << text;
}

void TFV57ControlForm::ShowRecovery(int32_t Value)
{
    StoreValue(fRECOVERY, Value);
    ShowDigitRow(fRECOVERY, RowOf(fDigitRows, TRow::Recovery));
}

void TFV57ControlForm::ShowDwell(int32_t Value)
{
    StoreValue(fDWELL, Value);
    ShowDigitRow(fDWELL, RowOf(fDigitRows, TRow::Dwell));
}

void TFV57ControlForm::ShowLimit(int32_t Value)
{
    StoreValue(fLIMIT, Value);
    const TLimitDisplay display = LimitDisplay(Value, fLIMIT);
    ui->lbLimit->setText(display.Limit);
    ui->lbScale->setText(display.Scale);
    ui->btnSETLIMIT->setEnabled(display.ButtonEnabled);
    if (display.ButtonCaption)
        ui->btnSETLIMIT->setText(*display.ButtonCaption);
}

void TFV57ControlForm::ShowMode(int32_t Value)
{
    StoreValue(fMODE, Value);
    SelectItem(ui->cbMODE, ModeItem(fMODE));
}

void TFV57ControlForm::ShowPolarity(int32_t Value)
{
    StoreValue(fPOLARITY, Value);
    SelectItem(ui->cbPOLARITY, PolarityItem(fPOLARITY));
}

void TFV57ControlForm::ShowSource(int32_t Value)
{
    StoreValue(fSOURCE, Value);
    const int item = SourceItem(fSOURCE);
    if (item < 0)
        return;
    ui->cbSOURCE->setCurrentIndex(item);
    ui->btnZero->setEnabled(item == ExternalSourceItem);
}

// Most reports change neither control, and then setChecked signals nothing:
// the tag (a dynamic property, costly to set at every poll) is left alone.
void TFV57ControlForm::ShowOutput(int32_t Value)
{
    QAbstractButton *item = fOutputItems.button(Value != 0 ? OutputEnabledItem : OutputDisabledItem);
    if (item->isChecked())
        return;
    SetTag(ui->rgOutput, 1);
    item->setChecked(true);
    SetTag(ui->rgOutput, 0);
}

void TFV57ControlForm::ShowBuzzer(int32_t Value)
{
    if (ui->cbBUZZER->isChecked() == (Value == 0))
        return;
    SetTag(ui->cbBUZZER, 1);
    ui->cbBUZZER->setChecked(Value == 0);
    SetTag(ui->cbBUZZER, 0);
}

void TFV57ControlForm::ApplyStep(int32_t &field, int32_t value, TShow show)
{
    field = value;
    (this->*show)(-1);
    fDescriber.ValuesShown(ShownValues());
    DeviceChanged();
}

void TFV57ControlForm::btnDemandInc(QObject *Sender)
{
    ApplyStep(fDEMAND, SteppedUp(fDEMAND, Tag(Sender), DemandBounds), &TFV57ControlForm::ShowDemand);
}

void TFV57ControlForm::btnDemandDec(QObject *Sender)
{
    ApplyStep(fDEMAND, SteppedDown(fDEMAND, Tag(Sender), DemandBounds), &TFV57ControlForm::ShowDemand);
}

void TFV57ControlForm::btnWidthInc(QObject *Sender)
{
    ApplyStep(fWIDTH, SteppedUp(fWIDTH, Tag(Sender), WidthBounds), &TFV57ControlForm::ShowWidth);
}

void TFV57ControlForm::btnWidthDec(QObject *Sender)
{
    ApplyStep(fWIDTH, SteppedDown(fWIDTH, Tag(Sender), WidthBounds), &TFV57ControlForm::ShowWidth);
}

void TFV57ControlForm::btnRecoveryInc(QObject *Sender)
{
    ApplyStep(fRECOVERY, SteppedUp(fRECOVERY, Tag(Sender), RecoveryBounds),
              &TFV57ControlForm::ShowRecovery);
}

void TFV57ControlForm::btnRecoveryDec(QObject *Sender)
{
    ApplyStep(fRECOVERY, SteppedDown(fRECOVERY, Tag(Sender), RecoveryBounds),
              &TFV57ControlForm::ShowRecovery);
}

void TFV57ControlForm::btnDwellInc(QObject *Sender)
{
    ApplyStep(fDWELL, DwellSteppedUp(fDWELL, Tag(Sender)), &TFV57ControlForm::ShowDwell);
}

void TFV57ControlForm::btnDwellDec(QObject *Sender)
{
    ApplyStep(fDWELL, DwellSteppedDown(fDWELL, Tag(Sender)), &TFV57ControlForm::ShowDwell);
}

void TFV57ControlForm::btnSETLIMITClick(QObject *)
{
    fLIMIT = ToggledLimit(fLIMIT, fDEMAND);
    ShowLimit(-1);
    fDescriber.LimitShown(-1, fLIMIT);
    DeviceChanged();
}

void TFV57ControlForm::btnTriggerClick(QObject *)
{
    fTRIGGER = true;
    DeviceChanged();
}

// The zero request goes out at once, like a trigger: left waiting, it would
// ride along with some later, unrelated change and zero the input unasked.
void TFV57ControlForm::btnZeroClick(QObject *)
{
    fZERO = true;
    DeviceChanged();
}

void TFV57ControlForm::cbMODEChange(QObject *)
{
    const int item = ui->cbMODE->currentIndex();
    if (item >= 0)
        fMODE = ItemCode(item);
    DeviceChanged();
}

void TFV57ControlForm::cbPOLARITYChange(QObject *)
{
    const int item = ui->cbPOLARITY->currentIndex();
    if (item >= 0)
        fPOLARITY = ItemCode(item);
    DeviceChanged();
}

// The selection itself is what a settings record sends.
void TFV57ControlForm::cbSOURCEChange(QObject *) { DeviceChanged(); }

void TFV57ControlForm::cbDropDown(QObject *Sender) { SetTag(Sender, 1); }

void TFV57ControlForm::cbCloseUp(QObject *Sender) { SetTag(Sender, 0); }

void TFV57ControlForm::rgOutputClick(QObject *Sender)
{
    if (Tag(Sender) == 0)
        DeviceChanged();
}

void TFV57ControlForm::cbBUZZERClick(QObject *Sender)
{
    if (Tag(Sender) == 0)
        DeviceChanged();
}

void TFV57ControlForm::RaiseWarning(QLabel *flag)
{
    flag->show();
    SetTag(flag, WarningTicks);
    if (!tmrWARN.isActive())
        tmrWARN.start();
}

void TFV57ControlForm::tmrWARNTimer(QObject *)
{
    QLabel *const flags[] = {ui->pnlWARN_OOC, ui->pnlWARN_TF};
    for (QLabel *flag : flags) {
        const int ticksLeft = Tag(flag);
        if (ticksLeft > 0) {
            SetTag(flag, ticksLeft - 1);
            flag->setVisible(ticksLeft - 1 > 0);
        }
    }
    fDescriber.WarningFlagsTicked();
    // With both flags run out there is nothing left to count.
    if (Tag(ui->pnlWARN_OOC) == 0 && Tag(ui->pnlWARN_TF) == 0)
        tmrWARN.stop();
}
