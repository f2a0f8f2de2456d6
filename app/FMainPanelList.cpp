// The list of device panels, kept in step with the devices in each returned
// block: panels of vanished devices go, new devices get panels, and the panels
// stay sorted by device ID and stacked from the top.
#include "FMainU.h"

#include "ui_FMainU.h"

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>

#include <algorithm>

namespace {

class TCompDevices {
public:
    int Compare(const TFGenericDeviceIntf &Left, const TFGenericDeviceIntf &Right) const
    {
        return Left.DeviceID() < Right.DeviceID() ? -1 : Left.DeviceID() > Right.DeviceID();
    }
};

} // namespace

void TForm1::CreateDeviceControls(const DeviceBlock::TBlockView &DevBlock)
{
    bool changed = false;
    for (auto i = fDeviceFrames.size(); i-- > 0;) {
        if (!DeviceIDExists(fDeviceFrames[i]->DeviceID(), DevBlock)) {
            fDeviceFrames.erase(fDeviceFrames.begin() + std::ptrdiff_t(i));
            changed = true;
        }
    }
    const int records = DevBlock.RecordCount();
    for (int k = 0; k < records; ++k) {
        TFGenericDeviceIntf *panel = nullptr;
        if (GetDeviceControlPanel(DevBlock.DeviceID(k), panel)) {
            panel->SetDeviceState(DevBlock.Record(k));
        } else {
            CreateDevicePanel(DevBlock.Record(k));
            changed = true;
        }
    }
    if (!changed)
        return;
    SetClientSize();
    if (fDeviceFrames.size() > 1)
        OrderDeviceList();
    StackPanels();
}

void TForm1::CreateDevicePanel(const uint8_t *record)
{
    std::unique_ptr<TFGenericDeviceIntf> panel = ControllerClass->Create(fPanelHost);
    const int32_t id = DeviceBlock::Word(record, DeviceBlock::DeviceIDWord);
    panel->setObjectName(QStringLiteral("FDeviceFrame")
                         + QString::number(uint32_t(id), 16).rightJustified(8, QLatin1Char('0')).toUpper());
    panel->OnDeviceChange = [this](QObject *sender, int32_t deviceID) {
        OnDeviceChange(sender, deviceID);
    };
    panel->OnDeviceSelect = [this](QObject *sender) { OnDeviceSelectChange(sender); };
    panel->move(0, 0);
    panel->show();
    panel->OnCreate(record);
    TFGenericDeviceIntf *created = panel.get();
    fDeviceFrames.push_back(std::move(panel));
    created->SetDeviceState(record);
}

bool TForm1::DeviceIDExists(int32_t DeviceId, const DeviceBlock::TBlockView &DevBlock) const
{
    return DevBlock.ContainsDevice(DeviceId);
}

bool TForm1::GetDeviceControlPanel(int32_t DeviceID, TFGenericDeviceIntf *&Obj) const
{
    for (const auto &panel : fDeviceFrames) {
        if (panel->DeviceID() == DeviceID) {
            Obj = panel.get();
            return true;
        }
    }
    return false;
}

void TForm1::OrderDeviceList()
{
    const auto comparer = std::make_unique<TCompDevices>();
    std::sort(fDeviceFrames.begin(), fDeviceFrames.end(), [&](const auto &l, const auto &r) {
        return comparer->Compare(*l, *r) < 0;
    });
}

void TForm1::StackPanels()
{
    if (fDeviceFrames.empty()) {
        fPanelHost->resize(0, 0);
        return;
    }
    const int height = fDeviceFrames.front()->height();
    for (auto i = fDeviceFrames.size(); i-- > 0;)
        fDeviceFrames[i]->move(0, int(i) * height);
    fPanelHost->resize(fDeviceFrames.front()->width(), height * int(fDeviceFrames.size()));
}

void TForm1::SetClientSize()
{
    if (fDeviceFrames.empty()) {
        BackgroundVisability(true);
        // The animation fills the client area above the status bar, so the
        // client area keeps the size it had.
        resize(centralWidget()->width(), centralWidget()->height() + sbStatus->height());
        return;
    }
    BackgroundVisability(false);
    const TFGenericDeviceIntf &first = *fDeviceFrames.front();
    int width = first.width();
    int height = first.height() * int(fDeviceFrames.size()) + sbStatus->height();
    // A stack taller than the screen is capped there and scrolls, with room
    // for the scroll bar beside the panels.
    if (const QScreen *screen = this->screen()) {
        const int frameHeight = frameGeometry().height() - geometry().height();
        const int available = screen->availableGeometry().height() - frameHeight;
        if (height > available) {
            height = available;
            width += ui->scrPanels->verticalScrollBar()->sizeHint().width();
        }
    }
    resize(width, height);
}

void TForm1::OnDeviceSelectChange(QObject *Sender)
{
    for (const auto &panel : fDeviceFrames)
        panel->SelectDevice(Sender);
}
