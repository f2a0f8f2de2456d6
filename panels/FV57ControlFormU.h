// The panel of one stimulator.
#pragma once

#include "FGenericDeviceInftU.h"

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
};

class TFV57ControlForm : public TFGenericDeviceIntf {
    Q_OBJECT

public:
    explicit TFV57ControlForm(QWidget *AOwner = nullptr);

    static TDeviceControllerClass ClassType();
};
