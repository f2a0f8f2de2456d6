#include "CompletionScript.h"

#include "app/MainWindowFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <algorithm>

namespace CompletionScript {
namespace {

enum TStep : uint8_t { StepCompletion, StepPoll, StepOperator, StepTimers };
constexpr uint8_t NullPointerBit = 4;
constexpr uint8_t NegativeSizeBit = 8;
constexpr uint8_t StepUpBit = 0x80;

class TReader {
public:
    TReader(const uint8_t *data, std::size_t size) : fData(data), fSize(size) {}

    bool AtEnd() const { return fPos >= fSize; }
    uint8_t Byte() { return AtEnd() ? 0 : fData[fPos++]; }
    std::size_t Length()
    {
        const std::size_t low = Byte();
        return std::min(low | std::size_t(Byte()) << 8, fSize - fPos);
    }
    std::vector<uint8_t> Take(std::size_t n)
    {
        std::vector<uint8_t> bytes(fData + fPos, fData + fPos + n);
        fPos += n;
        return bytes;
    }

private:
    const uint8_t *fData;
    std::size_t fSize;
    std::size_t fPos = 0;
};

// As the library's thread would, then the window handles it and repaints.
void Complete(TForm1 &form, const uint8_t *bytes, int32_t size)
{
    TForm1::UpdateCallback(0, bytes, size, reinterpret_cast<void *>(form.Handle()));
    Fixture::Deliver(form);
    QCoreApplication::sendPostedEvents();
}

void PlayCompletion(TForm1 &form, uint8_t op, TReader &in)
{
    const std::size_t length = in.Length();
    // Exactly the delivered size, so that a read past its end is caught.
    const std::vector<uint8_t> bytes = in.Take(length);
    Complete(form, (op & NullPointerBit) ? nullptr : bytes.data(),
             (op & NegativeSizeBit) ? -int32_t(length) : int32_t(length));
}

// What an operator can click on a panel, in a fixed order.
QList<QWidget *> OperatorControls(const QWidget &panel)
{
    QList<QWidget *> controls;
    for (QWidget *child : panel.findChildren<QWidget *>()) {
        if (qobject_cast<QAbstractButton *>(child) || qobject_cast<QComboBox *>(child)
            || (qobject_cast<QLabel *>(child) && child->objectName().startsWith(QLatin1String("pnl"))))
            controls.append(child);
    }
    return controls;
}

void PlayOperator(TForm1 &form, uint8_t op, TReader &in)
{
    const uint8_t pick = in.Byte();
    const auto &panels = form.DeviceFrames();
    if (panels.empty())
        return;
    const QList<QWidget *> controls = OperatorControls(*panels[(op >> 2) % panels.size()]);
    if (controls.isEmpty())
        return;
    QWidget *control = controls[pick % controls.size()];
    if (qobject_cast<QComboBox *>(control))
        QTest::keyClick(control, (pick & StepUpBit) ? Qt::Key_Up : Qt::Key_Down);
    else
        QTest::mouseClick(control, Qt::LeftButton);
}

void PlayTimers(TForm1 &form)
{
    Tick(form.tmrWatchDog);
    for (const auto &panel : form.DeviceFrames())
        for (QTimer *timer : panel->findChildren<QTimer *>())
            Tick(timer);
}

} // namespace

void Play(TForm1 &form, const uint8_t *data, std::size_t size)
{
    TReader in(data, size);
    while (!in.AtEnd()) {
        const uint8_t op = in.Byte();
        switch (TStep(op % 4)) {
        case StepCompletion:
            PlayCompletion(form, op, in);
            break;
        case StepPoll:
            Tick(form.tmrPoll);
            break;
        case StepOperator:
            PlayOperator(form, op, in);
            break;
        case StepTimers:
            PlayTimers(form);
            break;
        }
    }
    // The first may be taken by a late update; the second is then a normal one.
    for (int i = 0; i < 2; ++i)
        Complete(form, nullptr, 0);
    V57Double::Reset();
}

std::vector<uint8_t> Completion(const std::vector<uint8_t> &block)
{
    std::vector<uint8_t> step(3 + block.size());
    step[0] = StepCompletion;
    step[1] = uint8_t(block.size());
    step[2] = uint8_t(block.size() >> 8);
    std::copy(block.begin(), block.end(), step.begin() + 3);
    return step;
}

} // namespace CompletionScript
