#include "TConnectorU.h"

#include "FV57ControlFormU.h"

TDeviceControllerClass TConnector::DeviceControllerClass() { return TFV57ControlForm::ClassType(); }
