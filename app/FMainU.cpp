// Start-up of the main window, the waiting animation and the library's
// initialise request.
#include "FMainU.h"

#include "ModuleResources.h"
#include "TConnectorU.h"
#include "TimerSwitch.h"
#include "ui_FMainU.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace {

QTimer *MakeTimer(QObject *owner, const char *name, std::chrono::milliseconds interval)
{
    auto *timer = new QTimer(owner);
    timer->setObjectName(QLatin1String(name));
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(interval);
    return timer;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    sbStatus = ui->sbStatus;
    imgSpinner = ui->imgSpinner;
    fPanelHost = ui->pnlPanelHost;
    tmrPoll = MakeTimer(this, "tmrPoll", MainTimings::PollInterval);
    tmrWatchDog = MakeTimer(this, "tmrWatchDog", MainTimings::WatchDogInterval);
    tmrAnimate = MakeTimer(this, "tmrAnimate", MainTimings::AnimateInterval);
    connect(tmrPoll, &QTimer::timeout, this, [this] { tmrPollTimer(tmrPoll); });
    connect(tmrWatchDog, &QTimer::timeout, this, [this] { tmrWatchDogTimer(tmrWatchDog); });
    connect(tmrAnimate, &QTimer::timeout, this, [this] { tmrAnimateTimer(tmrAnimate); });
    FormCreate(this);
}

TForm1::~TForm1() = default;

void TForm1::FormCreate(QObject *)
{
    ControllerClass = TConnector::DeviceControllerClass();
    setWindowTitle(ControllerClass->FormTitle());
    fDeviceFrames.clear();
    pngSpin.clear();
    pngSpinIndex = 0;
    BuildGearsImageList();
    BackgroundVisability(true);

    int32_t initResult = 0;
    // The callback gets the window's handle, never a pointer to the window:
    // it may run after the window has gone.
    const int32_t result = ControllerClass->PXxxx_Initialise(
        fDevRef, initResult, &TForm1::InitialiseCallback, reinterpret_cast<void *>(Handle()));
    if (result != PXV57_PENDING)
        SetStatusText(QStringLiteral("Error loading API library. (%1)").arg(result));
}

void TForm1::BuildGearsImageList()
{
    pngSpinPaths = NumberedFramePaths(TModuleResources(), QStringLiteral("PngImage_"));
    pngSpin.assign(pngSpinPaths.size(), QPixmap());
}

void TForm1::BackgroundVisability(bool Visable)
{
    SetTimerEnabled(tmrAnimate, Visable);
    imgSpinner->setVisible(Visable);
}

void TForm1::tmrAnimateTimer(QObject *)
{
    if (pngSpin.empty())
        return;
    QPixmap &frame = pngSpin[std::size_t(pngSpinIndex)];
    if (frame.isNull())
        frame.load(pngSpinPaths[std::size_t(pngSpinIndex)], "PNG");
    imgSpinner->setPixmap(frame);
    if (++pngSpinIndex >= int32_t(pngSpin.size()))
        pngSpinIndex = 0;
}

void PXV57_CALL TForm1::InitialiseCallback(int32_t Result, void *CallbackParam)
{
    // Runs on the library's thread: post and return; Post throws nothing.
    const TMessage message{WM_INIT_COMPLETE, std::uintptr_t(std::intptr_t(Result)), 0};
    PostedMessages::Post(reinterpret_cast<TWindowHandle>(CallbackParam), message);
}

void TForm1::WMInitComplete(const TMessage &Message)
{
    const auto code = std::intptr_t(Message.WParam);
    if (code == 0) {
        SetStatusText(QStringLiteral("API library Initialised."));
        SetTimerEnabled(tmrPoll, true);
    } else {
        SetStatusText(QStringLiteral("Initialise Error. (%1)").arg(qint64(code)));
    }
}

bool TForm1::event(QEvent *e)
{
    if (e->type() != TPostedMessageEvent::EventType())
        return QMainWindow::event(e);
    auto *posted = static_cast<TPostedMessageEvent *>(e);
    switch (posted->Message().Msg) {
    case WM_INIT_COMPLETE:
        WMInitComplete(posted->Message());
        break;
    case WM_UPDATE_COMPLETE:
        posted->Take();
        WMUpdateComplete(posted->Message());
        break;
    }
    return true;
}

void TForm1::SetStatusText(const QString &text) { sbStatus->showMessage(text); }
