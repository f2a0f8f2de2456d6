#include "ControlTag.h"

#include <QObject>
#include <QVariant>

namespace Panels {

// Kept as a dynamic property, so that the form can set it too.
int Tag(const QObject *control) { return control->property("Tag").toInt(); }

void SetTag(QObject *control, int tag) { control->setProperty("Tag", tag); }

} // namespace Panels
