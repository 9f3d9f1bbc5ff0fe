#include "settings/save_bounds.h"

namespace vistrel {

TSaveBounds::TSaveBounds(QObject *owner) : QObject(owner) {}
TSaveBounds::~TSaveBounds() = default;
void TSaveBounds::ReadBounds(QWidget *, const std::string &) {}
void TSaveBounds::WriteBounds(QWidget *, const std::string &) {}

} // namespace vistrel
