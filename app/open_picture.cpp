#include "app/main_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>

namespace vistrel {

void TForm1::wireOpeningCommands() {}

void TForm1::OpenPicture(const std::string &) {}

void TForm1::PasteAsImage() {}

void TForm1::dragEnterEvent(QDragEnterEvent *event) { QMainWindow::dragEnterEvent(event); }

void TForm1::dropEvent(QDropEvent *event) { QMainWindow::dropEvent(event); }

} // namespace vistrel
