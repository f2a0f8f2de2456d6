// The device session cycle: polls, operator changes, completions, watchdog.
//
// A poll goes out 200 ms after the previous completion was handled: the poll
// timer is off while an update is on its way. A change made while a poll is
// on its way waits in NextState and goes out when that poll completes (a late
// update), in place of applying the poll's block.
#include "FMainU.h"

#include "TimerSwitch.h"

#include <QStatusBar>
#include <QTimer>

namespace {

void DiscardUpdateContr(const TMessage &message)
{
    delete reinterpret_cast<TUpdateContr *>(message.WParam);
}

} // namespace

QByteArray TForm1::BuildBlock(void (TFGenericDeviceIntf::*writeRecord)(uint8_t *)) const
{
    const int n = int(fDeviceFrames.size());
    QByteArray block(qsizetype(DeviceBlock::BlockSize(n, ControllerClass->DeviceRecordSize())),
                     '\0');
    auto *bytes = reinterpret_cast<uint8_t *>(block.data());
    DeviceBlock::WriteInt32(bytes, n);
    for (int i = 0; i < n; ++i) {
        const auto offset = DeviceBlock::RecordOffset(i, ControllerClass->DeviceRecordSize());
        (fDeviceFrames[std::size_t(i)].get()->*writeRecord)(bytes + offset);
    }
    return block;
}

void TForm1::CarryOneShotRequests(const QByteArray &replaced, QByteArray &replacement) const
{
    const int recordSize = ControllerClass->DeviceRecordSize();
    const DeviceBlock::TBlockView from(reinterpret_cast<const uint8_t *>(replaced.constData()),
                                       std::size_t(replaced.size()), recordSize);
    const DeviceBlock::TBlockView into(reinterpret_cast<const uint8_t *>(replacement.constData()),
                                       std::size_t(replacement.size()), recordSize);
    auto *bytes = reinterpret_cast<uint8_t *>(replacement.data());
    for (int k = 0; k < into.RecordCount(); ++k) {
        for (int j = 0; j < from.RecordCount(); ++j) {
            if (from.DeviceID(j) == into.DeviceID(k))
                ControllerClass->CarryOneShotRequests(from.Record(j),
                                                      bytes + DeviceBlock::RecordOffset(k, recordSize));
        }
    }
}

int32_t TForm1::SendUpdate(const QByteArray &block)
{
    int32_t updateResult = 0;
    QByteArray currentState;
    return ControllerClass->PXxxx_Update(fDevRef, updateResult, block, currentState,
                                         &TForm1::UpdateCallback,
                                         reinterpret_cast<void *>(Handle()));
}

void TForm1::tmrPollTimer(QObject *)
{
    if (fDevRef == 0) {
        SetStatusText(QStringLiteral("API not initialised. ( Reference = NULL )"));
        return;
    }
    if (fUpdating)
        return;
    const QByteArray pollBlock = fDeviceFrames.empty()
                                     ? QByteArray()
                                     : BuildBlock(&TFGenericDeviceIntf::GetDevicePollState);
    const int32_t result = SendUpdate(pollBlock);
    if (result == PXV57_PENDING) {
        SetTimerEnabled(tmrPoll, false);
        SetTimerEnabled(tmrWatchDog, true);
        fUpdating = true;
    } else {
        SetStatusText(QStringLiteral("Update poll failed. (%1)").arg(result));
    }
}

void TForm1::OnDeviceChange(QObject *, int32_t)
{
    QByteArray replacement = BuildBlock(&TFGenericDeviceIntf::GetDeviceState);
    // A Trigger or Zero pressed at an earlier change is still in the late
    // update this one replaces: it goes out with this one, once.
    if (fLateUpdate)
        CarryOneShotRequests(NextState, replacement);
    NextState = std::move(replacement);
    if (fDeviceFrames.empty())
        return;
    if (fUpdating) {
        fLateUpdate = true;
        return;
    }
    const int32_t result = SendUpdate(NextState);
    if (result == PXV57_PENDING) {
        SetTimerEnabled(tmrPoll, false);
        SetTimerEnabled(tmrWatchDog, true);
    } else {
        SetStatusText(QStringLiteral("Update failed. (%1)").arg(result));
    }
    NextState.clear();
    fLateUpdate = false;
}

void PXV57_CALL TForm1::UpdateCallback(int32_t, const uint8_t *CurrentState,
                                       int32_t szCurrentState, void *CallbackParam)
{
    // Runs on the library's thread: copy, post, return. Nothing may escape
    // into the library.
    try {
        auto packet = std::make_unique<TUpdateContr>();
        if (szCurrentState > 0 && CurrentState)
            packet->Packet = QByteArray(reinterpret_cast<const char *>(CurrentState),
                                        szCurrentState);
        else
            packet->Packet = QByteArray(qsizetype(DeviceBlock::EmptyBlockSize), '\0');
        const TMessage message{WM_UPDATE_COMPLETE, reinterpret_cast<std::uintptr_t>(packet.release()),
                               0};
        PostedMessages::Post(reinterpret_cast<TWindowHandle>(CallbackParam), message,
                             &DiscardUpdateContr);
    } catch (...) {
    }
}

void TForm1::WMUpdateComplete(const TMessage &Message)
{
    const std::unique_ptr<TUpdateContr> packet(reinterpret_cast<TUpdateContr *>(Message.WParam));
    try {
        if (!fLateUpdate) {
            HandleNormalCompletion(packet->Packet);
            return;
        }
        const int32_t result = SendUpdate(NextState);
        fLateUpdate = false;
        if (result != PXV57_PENDING) {
            SetStatusText(QStringLiteral("Update failed. (%1)").arg(result));
            // Nothing is on its way any more: waiting for a completion would
            // stop polling for good, so this one is taken as the answer.
            HandleNormalCompletion(packet->Packet);
        }
    } catch (...) {
        // A completion that cannot be applied is dropped; the next poll
        // brings the devices' state again.
    }
}

void TForm1::HandleNormalCompletion(const QByteArray &packet)
{
    SetTimerEnabled(tmrWatchDog, false);
    SetTimerEnabled(tmrPoll, true);
    fUpdating = false;
    CreateDeviceControls(DeviceBlock::TBlockView(reinterpret_cast<const uint8_t *>(packet.constData()),
                                                 std::size_t(packet.size()),
                                                 ControllerClass->DeviceRecordSize()));
}

void TForm1::tmrWatchDogTimer(QObject *)
{
    SetStatusText(QStringLiteral("WatchDog: No callback after update."));
}
