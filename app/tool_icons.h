#pragma once

#include <QIcon>

namespace vistrel {

// The tool bar's 32 x 32 images: the desktop theme's icon when it has one, else our own drawing.
QIcon ShootIcon();
QIcon EditIcon();
QIcon CreateIconIcon();

} // namespace vistrel
