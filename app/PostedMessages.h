// Window messages posted across threads.
//
// A receiver registers under a handle; any thread may post a message with two
// pointer-wide parameters to that handle. Handles are never reused, so a
// message posted to a receiver that has gone is dropped instead of reaching a
// dead object, and whatever the message carries is released by its discard
// function. The receiver gets the message as a TPostedMessageEvent on its own
// thread.
#pragma once

#include <QEvent>

#include <cstdint>

class QObject;

using TWindowHandle = std::uintptr_t;
constexpr TWindowHandle NoWindow = 0;

struct TMessage {
    uint32_t Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
};

// Releases what a message carries when nobody handles it.
using TMessageDiscard = void (*)(const TMessage &message);

class TPostedMessageEvent : public QEvent {
public:
    TPostedMessageEvent(const TMessage &message, TMessageDiscard discard);
    ~TPostedMessageEvent() override;

    static QEvent::Type EventType();

    const TMessage &Message() const;
    // The handler takes over what the message carries.
    void Take();

private:
    TMessage fMessage;
    TMessageDiscard fDiscard;
};

namespace PostedMessages {

TWindowHandle Register(QObject *receiver);
// After this returns no message reaches the receiver; messages already
// queued for it are discarded with the receiver.
void Unregister(TWindowHandle handle);

// Thread-safe, and throws nothing. Returns false, after discarding the
// message, when the handle names no live receiver or the message cannot be
// queued (out of memory).
bool Post(TWindowHandle handle, const TMessage &message, TMessageDiscard discard = nullptr) noexcept;

// A receiver's registration for as long as this object lives: a member of the
// receiver unregisters it on every way out, a constructor that throws included.
class TRegistration {
public:
    explicit TRegistration(QObject *receiver) : fHandle(Register(receiver)) {}
    ~TRegistration() { Unregister(fHandle); }
    TRegistration(const TRegistration &) = delete;
    TRegistration &operator=(const TRegistration &) = delete;

    TWindowHandle Handle() const { return fHandle; }

private:
    TWindowHandle fHandle;
};

} // namespace PostedMessages
