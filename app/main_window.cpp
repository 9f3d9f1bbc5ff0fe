#include "app/main_window.h"

#include "settings/save_bounds.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace vistrel {

TForm1::TForm1(QWidget *parent) : QMainWindow(parent), mdiArea_(new QMdiArea(this))
{
    setCentralWidget(mdiArea_);
    setWindowTitle(QStringLiteral("-"));
}

TForm1::~TForm1() = default;

int TForm1::MDIChildCount() const { return static_cast<int>(mdiArea_->subWindowList().size()); }
QMdiSubWindow *TForm1::MDIChild(int index) const { return mdiArea_->subWindowList().value(index); }
QMdiSubWindow *TForm1::ActiveMDIChild() const { return mdiArea_->activeSubWindow(); }
void TForm1::CloseAllChildren() {}
void TForm1::closeEvent(QCloseEvent *event) { QMainWindow::closeEvent(event); }

} // namespace vistrel
