// The integer tag every control of a panel carries, 0 unless set. The
// stimulator panel gives it a meaning per control: a mark while a handler
// must keep still, a list that is open, ticks left, a button's step.
#pragma once

class QObject;

namespace Panels {

int Tag(const QObject *control);
void SetTag(QObject *control, int tag);

} // namespace Panels
