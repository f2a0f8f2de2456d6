// The abstract device panel every concrete panel derives from, and the class
// operations (title, record size, library requests, panel creation) that the
// main window reaches through a class reference without naming a panel class.
#pragma once

#include "V57API.h"

#include <QByteArray>
#include <QFrame>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

namespace Ui {
class TFGenericDeviceIntf;
}

class TFGenericDeviceIntf;

// Raised by a class operation that a panel class does not provide.
class EUnhandledDeviceIntf : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised by a panel when the operator has changed its device's settings.
using TOnDeviceChange = std::function<void(QObject *Sender, int32_t DeviceID)>;
using TNotifyEvent = std::function<void(QObject *Sender)>;

// The class side of a panel class: one instance per class, overridden by each
// concrete class. A class reference is a pointer to one of these.
class TFGenericDeviceIntfClass {
public:
    virtual ~TFGenericDeviceIntfClass() = default;

    virtual QString FormTitle() const;
    virtual int32_t DeviceRecordSize() const;
    virtual int32_t PXxxx_Initialise(int32_t &Reference, int32_t &InitResult,
                                     TPXClientInitialiseProc CallbackProc,
                                     void *CallbackParam) const;
    virtual int32_t PXxxx_Update(int32_t Reference, int32_t &UpdateResult, QByteArray NewState,
                                 QByteArray &CurrentState, TPXClientUpdateProc CallbackProc,
                                 void *CallbackParam) const;
    virtual int32_t PXxxx_Close(int32_t &Reference, int32_t &CloseResult,
                                TPXClientCloseProc CallbackProc, void *CallbackParam) const;

    // Creates a panel of this class with its own layout.
    virtual std::unique_ptr<TFGenericDeviceIntf> Create(QWidget *AOwner) const;

    // A settings record replaced before it went out hands the one-shot
    // requests it carries to its replacement, so that none is lost. A
    // generic record has none.
    virtual void CarryOneShotRequests(const uint8_t *replacedRecord, uint8_t *record) const;
};

using TDeviceControllerClass = const TFGenericDeviceIntfClass *;

class TFGenericDeviceIntf : public QFrame {
    Q_OBJECT

public:
    explicit TFGenericDeviceIntf(QWidget *AOwner = nullptr);
    ~TFGenericDeviceIntf() override;

    static TDeviceControllerClass ClassType();

    int32_t DeviceID() const { return fDeviceID; }

    TOnDeviceChange OnDeviceChange;
    TNotifyEvent OnDeviceSelect;

    // DevHdr points at the device's record in the block that first reported it.
    virtual void OnCreate(const uint8_t *DevHdr);
    virtual void SelectDevice(QObject *Sender);
    virtual void SetDeviceState(const uint8_t *DeviceState);
    virtual void GetDeviceState(uint8_t *DeviceState);
    virtual void GetDevicePollState(uint8_t *DeviceState);

protected:
    virtual void ShowHeader();
    void resizeEvent(QResizeEvent *event) override;

    // Raises OnDeviceChange with this panel and its device ID.
    void DeviceChanged();

    std::unique_ptr<Ui::TFGenericDeviceIntf> header;

private:
    // Places the header strip and its version area for the panel's width.
    void LayOutHeader();

    int32_t fDeviceID = 0;
    uint32_t fVersionID = 0;
};
