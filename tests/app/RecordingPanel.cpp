#include "RecordingPanel.h"

#include "StimulatorRecord.h"
#include "TConnectorU.h"

#include <stdexcept>

namespace {

class TRecordingPanelClass : public TFV57ControlFormClass {
public:
    std::unique_ptr<TFGenericDeviceIntf> Create(QWidget *AOwner) const override
    {
        return std::make_unique<TRecordingPanel>(AOwner);
    }
};

} // namespace

TDeviceControllerClass TConnector::DeviceControllerClass()
{
    static const TRecordingPanelClass recordingClass;
    return &recordingClass;
}

void TRecordingPanel::OnCreate(const uint8_t *DevHdr)
{
    TFV57ControlForm::OnCreate(DevHdr);
    const bool wired = OnDeviceChange && OnDeviceSelect && parentWidget();
    Log.append(QStringLiteral("OnCreate %1%2").arg(DeviceID()).arg(wired ? "" : " unwired"));
}

void TRecordingPanel::SelectDevice(QObject *Sender)
{
    const auto *sender = qobject_cast<TFGenericDeviceIntf *>(Sender);
    Log.append(QStringLiteral("SelectDevice %1<-%2").arg(DeviceID()).arg(sender ? sender->DeviceID() : 0));
    TFV57ControlForm::SelectDevice(Sender);
}

void TRecordingPanel::SetDeviceState(const uint8_t *DeviceState)
{
    Log.append(QStringLiteral("SetDeviceState %1:%2")
                   .arg(DeviceBlock::Word(DeviceState, StimulatorRecord::DeviceID))
                   .arg(DeviceBlock::Word(DeviceState, StimulatorRecord::Demand)));
    if (DeviceBlock::Word(DeviceState, 2) == FailMark)
        throw std::runtime_error("report refused by the panel");
    TFV57ControlForm::SetDeviceState(DeviceState);
}
