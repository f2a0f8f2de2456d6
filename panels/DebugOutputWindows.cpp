#include "DebugOutput.h"

#include <windows.h>

#include <cstring>

namespace {

QtMessageHandler gPreviousHandler = nullptr;

void ToDebugger(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && std::strcmp(context.category, lcDebugOutput().categoryName()) == 0) {
        ::OutputDebugStringW(reinterpret_cast<const wchar_t *>(message.utf16()));
        return;
    }
    if (gPreviousHandler)
        gPreviousHandler(type, context, message);
}

} // namespace

void InstallDebugOutputChannel() { gPreviousHandler = qInstallMessageHandler(ToDebugger); }
