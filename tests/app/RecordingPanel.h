// A stimulator panel that notes what the main window asks of it.
//
// A test that links RecordingPanel.cpp gets this class from
// TConnector::DeviceControllerClass: the definition there takes the place of
// the program's own at link time, so the main window creates these panels
// without knowing. They behave as stimulator panels in every way, and also
//  - append each call to Log, shared by all panels in call order:
//    "OnCreate 7" (" unwired" added when the events or the parent were not
//    set before the call), "SetDeviceState 7:250" (the record's device ID and
//    Demand), "SelectDevice 3<-7" (the panel and the sender);
//  - throw from SetDeviceState for a record whose unused word 2 holds
//    FailMark, as a panel that fails on a report.
#pragma once

#include "FV57ControlFormU.h"

#include <QStringList>

class TRecordingPanel : public TFV57ControlForm {
public:
    using TFV57ControlForm::TFV57ControlForm;

    static constexpr int32_t FailMark = 0x0BAD0BAD;
    static inline QStringList Log;

    void OnCreate(const uint8_t *DevHdr) override;
    void SelectDevice(QObject *Sender) override;
    void SetDeviceState(const uint8_t *DeviceState) override;
};
