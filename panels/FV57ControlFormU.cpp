#include "FV57ControlFormU.h"

TFV57ControlForm::TFV57ControlForm(QWidget *AOwner) : TFGenericDeviceIntf(AOwner)
{
    setFixedSize(468, 367);
}
