// The panel of one stimulator.
#pragma once

#include "ControlTag.h"
#include "FGenericDeviceInftU.h"
#include "V57DigitRows.h"
#include "V57PanelDescriber.h"

#include <QButtonGroup>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QToolButton;

namespace Ui {
class TFV57ControlForm;
}

class TFV57ControlFormClass : public TFGenericDeviceIntfClass {
public:
    QString FormTitle() const override;
    int32_t DeviceRecordSize() const override;
    int32_t PXxxx_Initialise(int32_t &Reference, int32_t &InitResult,
                             TPXClientInitialiseProc CallbackProc,
                             void *CallbackParam) const override;
    int32_t PXxxx_Update(int32_t Reference, int32_t &UpdateResult, QByteArray NewState,
                         QByteArray &CurrentState, TPXClientUpdateProc CallbackProc,
                         void *CallbackParam) const override;
    int32_t PXxxx_Close(int32_t &Reference, int32_t &CloseResult, TPXClientCloseProc CallbackProc,
                        void *CallbackParam) const override;
    std::unique_ptr<TFGenericDeviceIntf> Create(QWidget *AOwner) const override;
    void CarryOneShotRequests(const uint8_t *replacedRecord, uint8_t *record) const override;
};

namespace V57Timings {
using namespace std::chrono_literals;
constexpr auto WarnTick = 20ms;
} // namespace V57Timings

// An editable digit and its two arrow buttons. It refers to the panel's own
// controls and owns none of them.
class TControlObject {
public:
    QLabel *PNL = nullptr;
    QToolButton *bINC = nullptr;
    QToolButton *bDEC = nullptr;
};

class TFV57ControlForm : public TFGenericDeviceIntf {
    Q_OBJECT

public:
    explicit TFV57ControlForm(QWidget *AOwner = nullptr);
    ~TFV57ControlForm() override;

    static TDeviceControllerClass ClassType();

    void OnCreate(const uint8_t *DevHdr) override;
    void SetDeviceState(const uint8_t *DeviceState) override;
    void GetDeviceState(uint8_t *DeviceState) override;
    void GetDevicePollState(uint8_t *DeviceState) override;

    // Handlers of the layout's controls.
    void MouseClickObj(QObject *Sender);
    void MouseEnterObj(QObject *Sender);
    void MouseLeaveObj(QObject *Sender);
    void btnDemandInc(QObject *Sender);
    void btnDemandDec(QObject *Sender);
    void btnWidthInc(QObject *Sender);
    void btnWidthDec(QObject *Sender);
    void btnRecoveryInc(QObject *Sender);
    void btnRecoveryDec(QObject *Sender);
    void btnDwellInc(QObject *Sender);
    void btnDwellDec(QObject *Sender);
    void btnSETLIMITClick(QObject *Sender);
    void btnTriggerClick(QObject *Sender);
    void btnZeroClick(QObject *Sender);
    void cbMODEChange(QObject *Sender);
    void cbPOLARITYChange(QObject *Sender);
    void cbSOURCEChange(QObject *Sender);
    void cbDropDown(QObject *Sender);
    void cbCloseUp(QObject *Sender);
    void rgOutputClick(QObject *Sender);
    void cbBUZZERClick(QObject *Sender);
    void FrameClick(QObject *Sender);
    void tmrWARNTimer(QObject *Sender);

protected:
    void ShowHeader() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    using THandler = void (TFV57ControlForm::*)(QObject *);
    using TShow = void (TFV57ControlForm::*)(int32_t);

    void WireControls();
    // What the digit rows show, for the describer.
    TV57PanelDescriber::TValues ShownValues() const;

    void AddControlObject(QLabel *Panel, QToolButton *IncButton, QToolButton *DecButton);
    int32_t IndexOfPanel(const QObject *Panel) const;

    void ShowDemand(int32_t Value);
    void ShowLimit(int32_t Value);
    void ShowWidth(int32_t Value);
    void ShowRecovery(int32_t Value);
    void ShowDwell(int32_t Value);
    void ShowMode(int32_t Value);
    void ShowPolarity(int32_t Value);
    void ShowSource(int32_t Value);
    void ShowOutput(int32_t Value);
    void ShowBuzzer(int32_t Value);

    void ApplyStep(int32_t &field, int32_t value, TShow show);
    void RaiseWarning(QLabel *flag);

    // Value fields: demand and limit in tenths of a mA, pulse duration and
    // dwell in us, recovery in %.
    int32_t fDEMAND = 0;
    int32_t fLIMIT = 0;
    int32_t fWIDTH = 0;
    int32_t fRECOVERY = 0;
    int32_t fDWELL = 0;
    // Control word codes as last reported (the source) or chosen.
    int32_t fMODE = 0;
    int32_t fPOLARITY = 0;
    int32_t fSOURCE = 0;
    // One-shot requests waiting for the next settings record.
    bool fTRIGGER = false;
    bool fZERO = false;
    // The counters of the last applied report, once there is one.
    bool fVALID = false;
    uint32_t fCOOC = 0;
    uint32_t fCTOOFAST = 0;

    std::unique_ptr<Ui::TFV57ControlForm> ui;
    Panels::TDigitRows fDigitRows;
    // Accessible names, tooltips and warning tallies, told what the steps
    // have shown.
    TV57PanelDescriber fDescriber;
    QButtonGroup fOutputItems;
    QTimer tmrWARN;

    TControlObject *CurrentObj = nullptr;
    std::vector<std::unique_ptr<TControlObject>> oObjList;
    std::vector<const QLabel *> oObjIndex;
};
