// Messages posted from library threads reach a live receiver on its own
// thread exactly once, and are discarded, payload and all, once it has gone,
// even while it is being destroyed under the posting threads.
#include "PostedMessages.h"

#include <QCoreApplication>
#include <QTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

std::atomic<int> discarded{0};

void DiscardPayload(const TMessage &message)
{
    delete reinterpret_cast<int *>(message.WParam);
    ++discarded;
}

class TReceiver : public QObject {
public:
    TReceiver() : handle(PostedMessages::Register(this)) {}
    ~TReceiver() override { PostedMessages::Unregister(handle); }

    const TWindowHandle handle;
    int handled = 0;
    std::thread::id handledOn;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != TPostedMessageEvent::EventType())
            return QObject::event(e);
        auto *posted = static_cast<TPostedMessageEvent *>(e);
        posted->Take();
        delete reinterpret_cast<int *>(posted->Message().WParam);
        ++handled;
        handledOn = std::this_thread::get_id();
        return true;
    }
};

bool PostPayload(TWindowHandle handle)
{
    const TMessage message{0x0401, reinterpret_cast<std::uintptr_t>(new int(7)), 0};
    return PostedMessages::Post(handle, message, &DiscardPayload);
}

} // namespace

class TestPostedMessages : public QObject {
    Q_OBJECT

private slots:
    void init() { discarded = 0; }

    void deliveredOnReceiversThread()
    {
        TReceiver receiver;
        std::vector<std::thread> posters;
        for (int t = 0; t < 4; ++t)
            posters.emplace_back([&] {
                for (int i = 0; i < 250; ++i)
                    QVERIFY(PostPayload(receiver.handle));
            });
        for (auto &poster : posters)
            poster.join();
        QTRY_COMPARE(receiver.handled, 1000);
        QCOMPARE(receiver.handledOn, std::this_thread::get_id());
        QCOMPARE(discarded.load(), 0);
    }

    void unknownHandleDiscards()
    {
        TWindowHandle gone;
        {
            TReceiver receiver;
            gone = receiver.handle;
        }
        QVERIFY(!PostPayload(gone));
        QVERIFY(!PostPayload(NoWindow));
        QCOMPARE(discarded.load(), 2);
    }

    // Every payload is either handled or discarded, never lost or freed twice.
    void receiverDestroyedWhilePosting()
    {
        auto receiver = std::make_unique<TReceiver>();
        const TWindowHandle handle = receiver->handle;
        std::atomic<bool> go{false};
        std::atomic<int> posted{0};
        std::vector<std::thread> posters;
        for (int t = 0; t < 3; ++t)
            posters.emplace_back([&] {
                while (!go) {
                }
                for (int i = 0; i < 2000; ++i) {
                    PostPayload(handle);
                    ++posted;
                }
            });
        go = true;
        QTRY_VERIFY(posted > 100);
        QCoreApplication::processEvents();
        const int handled = receiver->handled;
        receiver.reset();
        for (auto &poster : posters)
            poster.join();
        QCOMPARE(handled + discarded.load(), posted.load());
    }
};

QTEST_GUILESS_MAIN(TestPostedMessages)
#include "tst_PostedMessages.moc"
