// The stimulator panel's class operations: its title, its record size and the
// device library requests.
#include "FV57ControlFormU.h"

#include "StimulatorRecord.h"

QString TFV57ControlFormClass::FormTitle() const { return QStringLiteral("Pellix Control Panel"); }

int32_t TFV57ControlFormClass::DeviceRecordSize() const { return StimulatorRecord::Size; }

int32_t TFV57ControlFormClass::PXxxx_Initialise(int32_t &Reference, int32_t &InitResult,
                                                TPXClientInitialiseProc CallbackProc,
                                                void *CallbackParam) const
{
    return PXV57_Initialise(&Reference, &InitResult, CallbackProc, CallbackParam);
}

int32_t TFV57ControlFormClass::PXxxx_Update(int32_t Reference, int32_t &UpdateResult,
                                            QByteArray NewState, QByteArray &,
                                            TPXClientUpdateProc CallbackProc,
                                            void *CallbackParam) const
{
    // The library hands the current state over only through the callback, so
    // the size it may write here is not used: CurrentState stays as it was.
    int32_t currentStateSize = 0;
    const auto *newState =
        NewState.isEmpty() ? nullptr : reinterpret_cast<const uint8_t *>(NewState.constData());
    return PXV57_UpdateEx(Reference, &UpdateResult, newState, int32_t(NewState.size()), nullptr,
                          &currentStateSize, CallbackProc, CallbackParam);
}

int32_t TFV57ControlFormClass::PXxxx_Close(int32_t &Reference, int32_t &CloseResult,
                                           TPXClientCloseProc CallbackProc,
                                           void *CallbackParam) const
{
    return PXV57_Close(&Reference, &CloseResult, CallbackProc, CallbackParam);
}

std::unique_ptr<TFGenericDeviceIntf> TFV57ControlFormClass::Create(QWidget *AOwner) const
{
    return std::make_unique<TFV57ControlForm>(AOwner);
}

void TFV57ControlFormClass::CarryOneShotRequests(const uint8_t *replacedRecord, uint8_t *record) const
{
    StimulatorRecord::CarryOneShotRequests(replacedRecord, record);
}

TDeviceControllerClass TFV57ControlForm::ClassType()
{
    static const TFV57ControlFormClass stimulatorClass;
    return &stimulatorClass;
}
