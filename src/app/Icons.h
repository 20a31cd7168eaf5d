#pragma once
#include <QIcon>
#include <QString>

namespace velmor {

// The program's own icon `name` (e.g. "open", "tool-segment") with every size shipped in the
// resources; the desktop theme's icon for the same command only when none is shipped.
QIcon VelmorIcon(const QString& name);

}  // namespace velmor
