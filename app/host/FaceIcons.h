#pragma once

#include <QIcon>

namespace zelvant {

// The picture of a face number: the add-in's wizard (1098) and synchronisation (2010) faces
// and the host's own. An unknown number gives an empty icon.
QIcon faceIcon(int faceId);

} // namespace zelvant
