// The developer-only channel to which the stimulator panel writes its padded
// pulse-duration text at every redraw. Off unless logging rules enable it,
// e.g. QT_LOGGING_RULES="pellix.debugoutput.debug=true".
//
// Where the text goes is the platform's: on Windows the debugger output
// (OutputDebugString, as DebugView or a debugger shows it), carrying exactly
// the text and nothing before or after it; on Linux Qt's own message handler
// (standard error). One file per platform.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDebugOutput)

// Sends the channel where the platform's debugger output is; called once at
// start-up. Other messages go where they went before.
void InstallDebugOutputChannel();
