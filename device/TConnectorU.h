// Chooses the panel class, and with it the device library, that the main
// window works with.
#pragma once

#include "FGenericDeviceInftU.h"

class TConnector {
public:
    static TDeviceControllerClass DeviceControllerClass();
};
