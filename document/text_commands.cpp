// "Copy Text": the text of the selection, or of the whole picture, onto the clipboard.
#include "document/child_window.h"

#include "ocr/text_recognition.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QToolBar>

#include <atomic>
#include <exception>
#include <optional>
#include <thread>

namespace vistrel {

namespace {

// Joins the worker on every way out, so that it never outlives what it reads and writes.
class JoinedThread {
public:
    template <typename Work>
    explicit JoinedThread(Work &&work) : thread_(std::forward<Work>(work)) {}
    ~JoinedThread() { thread_.join(); }
    JoinedThread(const JoinedThread &) = delete;
    JoinedThread &operator=(const JoinedThread &) = delete;

private:
    std::thread thread_;
};

// Recognition takes a second or more: it runs off the GUI thread while a busy dialog offers
// Cancel. Nothing when the user cancelled. The worker has its own copy of the picture.
std::optional<std::string> recognizeWithProgress(QWidget *parent, const TBitmap picture)
{
    QProgressDialog progress(QStringLiteral("Recognising text..."), QStringLiteral("Cancel"), 0, 0, parent);
    progress.setWindowTitle(QStringLiteral("Copy Text"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    std::atomic<bool> cancel{false};
    QObject::connect(&progress, &QProgressDialog::canceled, [&cancel] { cancel = true; });
    std::string text;
    std::exception_ptr failure;
    QEventLoop loop;
    {
        const JoinedThread worker([&] {
            try {
                text = TextRecognizer("eng").Recognize(picture, &cancel);
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        progress.show();
        loop.exec();
    }
    if (failure)
        std::rethrow_exception(failure);
    if (cancel)
        return std::nullopt;
    return text;
}

} // namespace

void TChild::createCopyTextCommand()
{
    QAction *copyText = new QAction(QStringLiteral("Copy Text"), this);
    copyText->setObjectName(QStringLiteral("CopyText"));
    copyText->setStatusTip(QStringLiteral("Copy the text of the selection or of the whole picture"));
    command(copyText, &TChild::CopyText);
    FileMenu->insertAction(PasteAction, copyText);
    PopupMenu1->insertAction(PopupMenu1->actions().at(PopupMenu1->actions().indexOf(actCopyToClipboard) + 1), copyText);
}

void TChild::CopyText()
{
    const TBitmap shown = document_.FlattenedPicture();
    const TBitmap selected = CopySelectionPixels(shown, ProgramSelection(), ToolBar1->height());
    const std::optional<std::string> text = recognizeWithProgress(this, selected.empty() ? shown : selected);
    if (!text)
        return;
    // Nothing to read is an answer, not a failure: the clipboard keeps what it held.
    if (text->find_first_not_of(" \n\f") == std::string::npos) {
        QMessageBox::information(this, QStringLiteral("Copy Text"), QStringLiteral("No text was found in the picture."));
        return;
    }
    QGuiApplication::clipboard()->setText(QString::fromStdString(*text));
}

} // namespace vistrel
