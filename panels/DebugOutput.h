// The developer-only channel to which the stimulator panel writes its padded
// pulse-duration text at every redraw. Off unless logging rules enable it,
// e.g. QT_LOGGING_RULES="pellix.debugoutput.debug=true".
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDebugOutput)
