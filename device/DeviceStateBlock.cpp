#include "DeviceStateBlock.h"

#include <algorithm>

namespace DeviceBlock {

int TBlockView::RecordCount() const
{
    const int32_t count = DeviceCount();
    if (count <= 0 || fRecordSize <= 0 || fSize < HeaderSize)
        return 0;
    const std::size_t fitting = (fSize - HeaderSize) / std::size_t(fRecordSize);
    return int(std::min<std::size_t>(std::size_t(count), fitting));
}

bool TBlockView::ContainsDevice(int32_t deviceID) const
{
    const int n = RecordCount();
    for (int k = 0; k < n; ++k)
        if (DeviceID(k) == deviceID)
            return true;
    return false;
}

std::string VersionText(uint32_t v)
{
    return std::to_string(v >> 24) + '.' + std::to_string((v >> 16) & 0xFF) + '.'
           + std::to_string((v >> 8) & 0xFF) + '.' + std::to_string(v & 0xFF);
}

} // namespace DeviceBlock
