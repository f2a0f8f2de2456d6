// How many threads of this process the library has named "V57API ...":
// its worker and its control socket.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <tlhelp32.h>

#include <string>

// Declared here for MinGW headers that lack it (Debian 12's); kernel32 exports it.
extern "C" __declspec(dllimport) HRESULT WINAPI GetThreadDescription(HANDLE thread, PWSTR *name);

inline int LibraryThreadCount()
{
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != ::GetCurrentProcessId())
            continue;
        const HANDLE thread = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        wchar_t *name = nullptr;
        if (thread && SUCCEEDED(::GetThreadDescription(thread, &name)) && name) {
            if (std::wstring(name).starts_with(L"V57API"))
                ++count;
            ::LocalFree(name);
        }
        if (thread)
            ::CloseHandle(thread);
    }
    ::CloseHandle(snapshot);
    return count;
}
#else
#include <QDir>
#include <QFile>

inline int LibraryThreadCount()
{
    const QDir tasks("/proc/self/task");
    int count = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + "/comm"));
        if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("V57API"))
            ++count;
    }
    return count;
}
#endif
