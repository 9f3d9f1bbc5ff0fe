#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

namespace vistrel::testing {

// Answers the modal windows a command opens, one step per window in the order they appear:
// each step gets the window the command is waiting on. done() is false when a step is left over
// (a window did not appear) or a window appeared with no step for it (it is closed, so the test
// goes on instead of hanging).
class ModalSteps : public QObject {
public:
    using Step = std::function<void(QWidget &)>;

    explicit ModalSteps(std::deque<Step> steps) : steps_(std::move(steps))
    {
        connect(&timer_, &QTimer::timeout, this, &ModalSteps::poll);
        timer_.start(10);
    }

    bool done() const { return steps_.empty() && unexpected_ == 0; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || handled_.contains(modal) || !modal->isVisible())
            return;
        handled_.append(modal);
        if (steps_.empty()) {
            ++unexpected_;
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->done(QDialog::Rejected);
            return;
        }
        // Run outside this timer's slot: a window the step opens in turn (a question on
        // accepting) runs an event loop of its own, in which this timer must go on firing.
        QTimer::singleShot(0, modal, [step = std::move(steps_.front()), modal] { step(*modal); });
        steps_.pop_front();
    }

    std::deque<Step> steps_;
    QList<QPointer<QWidget>> handled_;
    int unexpected_ = 0;
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
        // selectFile leaves the name box alone while it has the focus: type the name as a user would.
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(file);
        static_cast<QDialog *>(dialog)->accept();
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
