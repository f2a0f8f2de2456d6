// The main window: start-up, the device session cycle and the list of device
// panels that mirrors the connected devices.
#pragma once

#include "DeviceStateBlock.h"
#include "FGenericDeviceInftU.h"
#include "PostedMessages.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPixmap>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QScrollArea;
class QStatusBar;
class QTimer;

namespace Ui {
class TForm1;
}

// Private messages posted by the library callbacks to the main window.
constexpr uint32_t WM_INIT_COMPLETE = 0x0400;
constexpr uint32_t WM_UPDATE_COMPLETE = 0x0401;

// The current-state bytes of one update completion, on their way from the
// library's thread to the main window. The message that carries it owns it.
class TUpdateContr {
public:
    QByteArray Packet;
};

namespace MainTimings {
using namespace std::chrono_literals;
constexpr auto PollInterval = 200ms;
constexpr auto WatchDogInterval = 5000ms;
constexpr auto AnimateInterval = 50ms;
} // namespace MainTimings

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Layout controls and timers.
    QStatusBar *sbStatus = nullptr;
    QTimer *tmrPoll = nullptr;
    QTimer *tmrWatchDog = nullptr;
    QTimer *tmrAnimate = nullptr;
    QLabel *imgSpinner = nullptr;

    // Start-up and the waiting animation.
    void FormCreate(QObject *Sender);
    void BuildGearsImageList();
    void BackgroundVisability(bool Visable);
    void tmrAnimateTimer(QObject *Sender);
    static void PXV57_CALL InitialiseCallback(int32_t Result, void *CallbackParam);
    void WMInitComplete(const TMessage &Message);

    // The session cycle.
    void tmrPollTimer(QObject *Sender);
    void OnDeviceChange(QObject *Sender, int32_t DeviceID);
    static void PXV57_CALL UpdateCallback(int32_t Result, const uint8_t *CurrentState,
                                          int32_t szCurrentState, void *CallbackParam);
    void WMUpdateComplete(const TMessage &Message);
    void tmrWatchDogTimer(QObject *Sender);

    // The panel list.
    void CreateDeviceControls(const DeviceBlock::TBlockView &DevBlock);
    bool DeviceIDExists(int32_t DeviceId, const DeviceBlock::TBlockView &DevBlock) const;
    bool GetDeviceControlPanel(int32_t DeviceID, TFGenericDeviceIntf *&Obj) const;
    void OrderDeviceList();
    void SetClientSize();
    void OnDeviceSelectChange(QObject *Sender);

    // Read-only views for observers (tests, benchmarks).
    const std::vector<std::unique_ptr<TFGenericDeviceIntf>> &DeviceFrames() const
    {
        return fDeviceFrames;
    }
    TWindowHandle Handle() const { return fMessages.Handle(); }

protected:
    bool event(QEvent *e) override;

private:
    void SetStatusText(const QString &text);
    // Builds a block with one record per panel, written by the given operation.
    QByteArray BuildBlock(void (TFGenericDeviceIntf::*writeRecord)(uint8_t *)) const;
    int32_t SendUpdate(const QByteArray &block);
    // The one-shot requests of a late update being replaced, device by device.
    void CarryOneShotRequests(const QByteArray &replaced, QByteArray &replacement) const;
    void HandleNormalCompletion(const QByteArray &packet);
    void CreateDevicePanel(const uint8_t *record);
    void StackPanels();

    std::unique_ptr<Ui::TForm1> ui;
    QWidget *fPanelHost = nullptr;

    int32_t fDevRef = 0;
    bool fUpdating = false;
    bool fLateUpdate = false;
    QByteArray NextState;
    // Decoding all frames took most of the start-up time: each is decoded
    // the first time it is shown.
    std::vector<QPixmap> pngSpin;
    std::vector<QString> pngSpinPaths;
    int32_t pngSpinIndex = 0;
    std::vector<std::unique_ptr<TFGenericDeviceIntf>> fDeviceFrames;
    TDeviceControllerClass ControllerClass = nullptr;
    // Last, so that it goes first: from then on completions are dropped.
    PostedMessages::TRegistration fMessages{this};
};
