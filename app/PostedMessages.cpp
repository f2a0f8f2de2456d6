#include "PostedMessages.h"

#include <QCoreApplication>
#include <QObject>

#include <mutex>
#include <unordered_map>

// Qt queues a posted event under its own lock, which ThreadSanitizer cannot
// see (Qt is not built with it). These marks tell it that everything the
// posting thread wrote before posting, the message's payload included, is
// handed over to the thread that receives the event.
#if defined(__SANITIZE_THREAD__)
#define PELLIX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define PELLIX_TSAN 1
#endif
#endif
#ifdef PELLIX_TSAN
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
#endif

namespace {

void MarkHandedOver([[maybe_unused]] const void *event)
{
#ifdef PELLIX_TSAN
    __tsan_release(const_cast<void *>(event));
#endif
}

void MarkReceived([[maybe_unused]] const void *event)
{
#ifdef PELLIX_TSAN
    __tsan_acquire(const_cast<void *>(event));
#endif
}

// Library threads may post until the very end of the process, after static
// objects of the program have been destroyed, so the registry is never freed.
struct TRegistry {
    std::mutex lock;
    std::unordered_map<TWindowHandle, QObject *> receivers;
    TWindowHandle lastHandle = NoWindow;
};

TRegistry &Registry()
{
    static auto *registry = new TRegistry;
    return *registry;
}

} // namespace

TPostedMessageEvent::TPostedMessageEvent(const TMessage &message, TMessageDiscard discard)
    : QEvent(EventType()), fMessage(message), fDiscard(discard)
{
}

TPostedMessageEvent::~TPostedMessageEvent()
{
    MarkReceived(this);
    if (fDiscard)
        fDiscard(fMessage);
}

const TMessage &TPostedMessageEvent::Message() const
{
    MarkReceived(this);
    return fMessage;
}

void TPostedMessageEvent::Take()
{
    MarkReceived(this);
    fDiscard = nullptr;
}

QEvent::Type TPostedMessageEvent::EventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

namespace PostedMessages {

TWindowHandle Register(QObject *receiver)
{
    TRegistry &registry = Registry();
    std::lock_guard guard(registry.lock);
    const TWindowHandle handle = ++registry.lastHandle;
    registry.receivers.emplace(handle, receiver);
    return handle;
}

void Unregister(TWindowHandle handle)
{
    TRegistry &registry = Registry();
    std::lock_guard guard(registry.lock);
    registry.receivers.erase(handle);
}

bool Post(TWindowHandle handle, const TMessage &message, TMessageDiscard discard) noexcept
{
    std::unique_ptr<TPostedMessageEvent> event;
    bool queued = false; // from then on Qt owns the event, on failure too
    try {
        event = std::make_unique<TPostedMessageEvent>(message, discard);
        TRegistry &registry = Registry();
        // Posting under the lock keeps the receiver alive until the event is
        // queued; once queued, the receiver's destruction discards it.
        std::lock_guard guard(registry.lock);
        const auto found = registry.receivers.find(handle);
        if (found == registry.receivers.end())
            return false; // the event's destructor discards the message
        MarkHandedOver(event.get());
        queued = true;
        QCoreApplication::postEvent(found->second, event.release());
        return true;
    } catch (...) {
        // Nothing may reach the library's thread: the message is dropped,
        // and what it carries released by the event's destructor, or here
        // when there is no event.
        if (!event && !queued && discard)
            discard(message);
        return false;
    }
}

} // namespace PostedMessages
