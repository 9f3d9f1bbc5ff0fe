#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

namespace vistrel::testing {

// Answers the modal windows a command opens, one step per window in the order they appear:
// each step gets the window the command is waiting on. Steps left over when it ends mean a
// window the command should have opened did not appear (see done()).
class ModalSteps : public QObject {
public:
    using Step = std::function<void(QWidget &)>;

    explicit ModalSteps(std::deque<Step> steps) : steps_(std::move(steps))
    {
        connect(&timer_, &QTimer::timeout, this, &ModalSteps::poll);
        timer_.start(10);
    }

    bool done() const { return steps_.empty(); }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || steps_.empty() || !modal->isVisible())
            return;
        last_ = modal;
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step(*modal);
    }

    std::deque<Step> steps_;
    QPointer<QWidget> last_;
    QTimer timer_;
};

// A file dialog's answer: the name filter (when given) and the file, accepted.
inline ModalSteps::Step ChooseFile(const QString &file, const QString &nameFilter = {})
{
    return [file, nameFilter](QWidget &window) {
        auto *dialog = qobject_cast<QFileDialog *>(&window);
        if (!dialog)
            qFatal("expected a file dialog, got %s", window.metaObject()->className());
        if (!nameFilter.isEmpty())
            dialog->selectNameFilter(nameFilter);
        dialog->selectFile(file);
        dialog->accept();
    };
}

inline ModalSteps::Step Cancel()
{
    return [](QWidget &window) { qobject_cast<QDialog *>(&window)->reject(); };
}

// Records a message box's caption and text ("caption|text") and presses `button`.
inline ModalSteps::Step AnswerMessage(QString *shown, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    return [shown, button](QWidget &window) {
        auto *box = qobject_cast<QMessageBox *>(&window);
        if (!box)
            qFatal("expected a message box, got %s", window.metaObject()->className());
        if (shown)
            *shown = box->windowTitle() + QLatin1Char('|') + box->text();
        box->button(button) ? box->button(button)->click() : box->done(button);
    };
}

} // namespace vistrel::testing
