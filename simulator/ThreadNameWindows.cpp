#include "ThreadName.h"

#include <windows.h>

#include <string>

// Thread names (Windows 10 1607 on), which the MinGW headers of Debian 12 do
// not declare yet; kernel32 exports it.
extern "C" __declspec(dllimport) HRESULT WINAPI SetThreadDescription(HANDLE thread, PCWSTR name);

namespace V57Sim {

void NameThisThread(const char *name)
{
    const std::string narrow(name);
    ::SetThreadDescription(::GetCurrentThread(), std::wstring(narrow.begin(), narrow.end()).c_str());
}

} // namespace V57Sim
