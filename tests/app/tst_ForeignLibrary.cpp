// A vendor's device library is not ours: whatever happens inside the
// program's callbacks, no exception goes back into the library's code; a
// window that fails while it is made leaves no registration behind for the
// library's late callbacks; and no exception of any type ends the program.
#include "Application.h"
#include "MainWindowFixture.h"
#include "TConnectorU.h"
#include "FV57ControlFormU.h"

#include <QTest>

#include <cstdlib>
#include <new>
#include <stdexcept>

namespace {

// Allocation failure on demand, on the thread that asks for it: the next
// `tAllocationsLeft` allocations succeed, the one after throws.
thread_local int tAllocationsLeft = -1; // -1: never fail

void *Allocate(std::size_t size)
{
    if (tAllocationsLeft == 0) {
        tAllocationsLeft = -1;
        throw std::bad_alloc();
    }
    if (tAllocationsLeft > 0)
        --tAllocationsLeft;
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

// A panel class whose initialise fails by throwing, once armed, after it has
// seen the handle the window gave the library.
class TThrowingInitialiseClass : public TFV57ControlFormClass {
public:
    mutable bool Throw = false;
    mutable void *SeenParam = nullptr;

    int32_t PXxxx_Initialise(int32_t &Reference, int32_t &InitResult,
                             TPXClientInitialiseProc CallbackProc, void *CallbackParam) const override
    {
        SeenParam = CallbackParam;
        if (Throw)
            throw std::runtime_error("the library's loader failed");
        return TFV57ControlFormClass::PXxxx_Initialise(Reference, InitResult, CallbackProc, CallbackParam);
    }
};

TThrowingInitialiseClass &ControllerClass()
{
    static TThrowingInitialiseClass controller;
    return controller;
}

struct TVendorError {
    int Code;
};

// Throws what it was told to from its event handler.
class TThrower : public QObject {
public:
    std::function<void()> Throw;
    bool event(QEvent *) override
    {
        Throw();
        return true;
    }
};

// Records the last-resort reports instead of showing them in a dialog.
class TRecordingApplication : public TApplication {
public:
    using TApplication::TApplication;
    QStringList Reports;

protected:
    void ReportUncaughtError(const QString &text) override { Reports << text; }
};

} // namespace

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete[](void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void *memory, std::size_t) noexcept { std::free(memory); }

TDeviceControllerClass TConnector::DeviceControllerClass() { return &ControllerClass(); }

class TestForeignLibrary : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        V57Double::Reset();
        ControllerClass().Throw = false;
    }

    void callbacksThrowNothingWhenMemoryRunsOut_data()
    {
        QTest::addColumn<int>("allocationsBeforeFailure");
        for (int k = 0; k < 6; ++k)
            QTest::addRow("allocation %d fails", k + 1) << k;
    }
    void callbacksThrowNothingWhenMemoryRunsOut()
    {
        QFETCH(int, allocationsBeforeFailure);
        auto form = Fixture::StartedForm();
        QVERIFY(Tick(form->tmrPoll));
        const std::vector<uint8_t> block = Fixture::Block({{7, 100}});
        void *param = reinterpret_cast<void *>(form->Handle());

        bool escaped = false;
        tAllocationsLeft = allocationsBeforeFailure;
        try {
            TForm1::InitialiseCallback(0, param);
        } catch (...) {
            escaped = true;
        }
        tAllocationsLeft = allocationsBeforeFailure;
        try {
            TForm1::UpdateCallback(0, block.data(), int32_t(block.size()), param);
        } catch (...) {
            escaped = true;
        }
        tAllocationsLeft = -1;
        QVERIFY(!escaped);

        // What was posted arrives, what was not is gone (and released):
        // either way the window goes on with the next completions.
        QCoreApplication::sendPostedEvents(form.get(), TPostedMessageEvent::EventType());
        V57Double::CompleteUpdate(block);
        Fixture::Deliver(*form);
        QVERIFY(Fixture::ShowDevices(*form, {{7, 250}}));
        QCOMPARE(form->DeviceFrames().size(), 1u);
    }

    void throwingConstructorLeavesNoRegistration()
    {
        ControllerClass().Throw = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, TForm1 form);
        const auto handle = reinterpret_cast<TWindowHandle>(ControllerClass().SeenParam);
        QVERIFY(handle != NoWindow);
        // A late callback of the library finds no window, not a dead one.
        QVERIFY(!PostedMessages::Post(handle, {WM_INIT_COMPLETE, 0, 0}));
    }

    void lastResortCatchesEveryKind_data()
    {
        QTest::addColumn<std::function<void()>>("thrower");
        QTest::addColumn<QString>("report");
        QTest::newRow("std::exception") << std::function<void()>([] { throw std::runtime_error("boom"); })
                                        << "boom";
        QTest::newRow("int") << std::function<void()>([] { throw 7; })
                             << "An error of an unknown kind occurred.";
        QTest::newRow("a library's own type")
            << std::function<void()>([] { throw TVendorError{3}; })
            << "An error of an unknown kind occurred.";
    }
    void lastResortCatchesEveryKind()
    {
        QFETCH(std::function<void()>, thrower);
        QFETCH(QString, report);
        auto &application = static_cast<TRecordingApplication &>(*qApp);
        application.Reports.clear();
        TThrower target;
        target.Throw = thrower;
        QEvent event(QEvent::User);
        QVERIFY(!QCoreApplication::sendEvent(&target, &event));
        QCOMPARE(application.Reports, QStringList{report});
        // The program goes on.
        target.Throw = [] {};
        QVERIFY(QCoreApplication::sendEvent(&target, &event));
    }
};

int main(int argc, char *argv[])
{
    TRecordingApplication application(argc, argv);
    TestForeignLibrary test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ForeignLibrary.moc"
