#include "FGenericDeviceInftU.h"

#include "DeviceStateBlock.h"
#include "ui_FGenericDeviceInftU.h"

namespace {

[[noreturn]] void Unhandled(const char *operation)
{
    throw EUnhandledDeviceIntf(std::string("Unhandled TFGenericDeviceIntf.") + operation + '.');
}

// Right-hand margin between the version label and the end of its container.
constexpr int VersionRightMargin = 18;

} // namespace

QString TFGenericDeviceIntfClass::FormTitle() const { Unhandled("FormTitle"); }

int32_t TFGenericDeviceIntfClass::DeviceRecordSize() const { Unhandled("DeviceRecordSize"); }

int32_t TFGenericDeviceIntfClass::PXxxx_Initialise(int32_t &, int32_t &, TPXClientInitialiseProc,
                                                   void *) const
{
    Unhandled("PXxxx_Initialise");
}

int32_t TFGenericDeviceIntfClass::PXxxx_Update(int32_t, int32_t &, QByteArray, QByteArray &,
                                               TPXClientUpdateProc, void *) const
{
    Unhandled("PXxxx_Update");
}

int32_t TFGenericDeviceIntfClass::PXxxx_Close(int32_t &, int32_t &, TPXClientCloseProc,
                                              void *) const
{
    Unhandled("PXxxx_Close");
}

std::unique_ptr<TFGenericDeviceIntf> TFGenericDeviceIntfClass::Create(QWidget *AOwner) const
{
    return std::make_unique<TFGenericDeviceIntf>(AOwner);
}

void TFGenericDeviceIntfClass::CarryOneShotRequests(const uint8_t *, uint8_t *) const {}

TDeviceControllerClass TFGenericDeviceIntf::ClassType()
{
    static const TFGenericDeviceIntfClass genericClass;
    return &genericClass;
}

TFGenericDeviceIntf::TFGenericDeviceIntf(QWidget *AOwner)
    : QFrame(AOwner), header(std::make_unique<Ui::TFGenericDeviceIntf>())
{
    // Widgets paint through Qt's backing store, so the panel is double-buffered
    // whatever its parent does.
    header->setupUi(this);
}

TFGenericDeviceIntf::~TFGenericDeviceIntf() = default;

void TFGenericDeviceIntf::OnCreate(const uint8_t *DevHdr)
{
    fDeviceID = DeviceBlock::Word(DevHdr, DeviceBlock::DeviceIDWord);
    fVersionID = uint32_t(DeviceBlock::Word(DevHdr, DeviceBlock::VersionIDWord));
    ShowHeader();
}

void TFGenericDeviceIntf::SelectDevice(QObject *) {}
void TFGenericDeviceIntf::SetDeviceState(const uint8_t *) {}
void TFGenericDeviceIntf::GetDeviceState(uint8_t *) {}
void TFGenericDeviceIntf::GetDevicePollState(uint8_t *) {}

void TFGenericDeviceIntf::ShowHeader()
{
    header->lblSN->setText(QString::number(fDeviceID));
    header->lblSN->adjustSize();
    header->lblVersionID->setText(
        QStringLiteral("Version : ")
        + QString::fromStdString(DeviceBlock::VersionText(fVersionID)));
    header->lblVersionID->adjustSize();
    LayOutHeader();
}

void TFGenericDeviceIntf::DeviceChanged()
{
    if (OnDeviceChange)
        OnDeviceChange(this, fDeviceID);
}

void TFGenericDeviceIntf::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    LayOutHeader();
}

// The header strip spans the panel's width, its version area sits at its right
// end inside the bevel, and the version text grows leftwards from a fixed margin.
void TFGenericDeviceIntf::LayOutHeader()
{
    QWidget *strip = header->pnlHeader;
    strip->setGeometry(0, 0, width(), strip->height());
    QWidget *versionArea = header->pnlVerContr;
    versionArea->move(strip->width() - 1 - versionArea->width(), versionArea->y());
    QLabel *version = header->lblVersionID;
    version->move(versionArea->width() - VersionRightMargin - version->width(), version->y());
}
