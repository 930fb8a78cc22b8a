#include "app/ChatWindowOperations.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTextCursor>
#include <QTextDocument>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "app/LineBreaks.h"
#include "encoding/Utf8Text.h"

namespace velmora {
namespace detail {

// Shared by the operations object and the calls it has posted, so a call that runs late finds
// out safely that nobody waits for it any more.
struct UiCallState {
    std::mutex mutex;
    std::condition_variable finished;
    bool closed = false;  // written on the UI thread only
    // Appends from other threads that the widgets do not show yet, in order, and whether a call
    // to put them in is on its way to the UI thread.
    std::vector<std::pair<QPlainTextEdit*, QString>> pending;
    bool flushPosted = false;
};

}  // namespace detail
namespace {

QString ToToolkitText(std::string_view text) {
    const std::string utf8 = TextToUtf8(ToNewlineBreaks(text));
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Qt keeps paragraphs apart with U+2029 in a document's raw text; toPlainText() would also
// turn no-break spaces into spaces, which the user did not type.
TextBuffer FromToolkitText(QString text) {
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const QByteArray utf8 = text.toUtf8();
    return ToCrLfBreaks(Utf8ToText({utf8.constData(), static_cast<std::size_t>(utf8.size())}));
}

}  // namespace

ChatWindowOperations::ChatWindowOperations(QObject* uiContext, QPlainTextEdit* transcriptBox,
                                           QPlainTextEdit* inputBox, QPushButton* sendButton)
    : state_(std::make_shared<detail::UiCallState>()),
      uiThread_(std::this_thread::get_id()),
      uiContext_(uiContext),
      transcriptBox_(transcriptBox),
      inputBox_(inputBox),
      sendButton_(sendButton) {}

ChatWindowOperations::~ChatWindowOperations() {
    Close();
}

void ChatWindowOperations::Close() {
    {
        std::lock_guard lock(state_->mutex);
        state_->closed = true;
    }
    state_->finished.notify_all();
}

template <typename Work>
bool ChatWindowOperations::RunOnUiThread(Work&& work) {
    if (std::this_thread::get_id() == uiThread_) {
        {
            std::lock_guard lock(state_->mutex);
            if (state_->closed) return false;
        }
        work();
        return true;
    }
    // The caller waits until the UI thread has run the work or the window has closed. A call
    // still queued at Close() finds `closed` set and leaves the caller's stack alone; one queued
    // when the context object dies is dropped by Qt unrun.
    auto done = std::make_shared<bool>(false);
    std::unique_lock lock(state_->mutex);
    if (state_->closed) return false;
    QMetaObject::invokeMethod(
        uiContext_,
        [state = state_, done, &work] {
            {
                std::lock_guard lock(state->mutex);
                if (state->closed) return;
            }
            work();
            {
                std::lock_guard lock(state->mutex);
                *done = true;
            }
            state->finished.notify_all();
        },
        Qt::QueuedConnection);
    state_->finished.wait(lock, [&] { return *done || state_->closed; });
    return *done;
}

QWidget* ChatWindowOperations::Widget(Control control) const {
    return detail::PickForControl<QWidget*>(control, transcriptBox_, inputBox_, sendButton_);
}

QPlainTextEdit* ChatWindowOperations::EditBox(Control control) const {
    return control == Control::SendButton ? nullptr : static_cast<QPlainTextEdit*>(Widget(control));
}

// UI thread. Puts the text at the end of the edit box, scrolled into view.
void ChatWindowOperations::Insert(QPlainTextEdit* edit, const QString& text) {
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    if (text.isEmpty()) return;
    // Switching undo off drops the history, so the user's undo cannot take the insertion
    // back; the transcript keeps it off for good and pays nothing here.
    const bool undo = edit->isUndoRedoEnabled();
    if (undo) edit->setUndoRedoEnabled(false);
    cursor.insertText(text);
    if (undo) edit->setUndoRedoEnabled(true);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
}

void ChatWindowOperations::ShowPendingAppends() {
    std::vector<std::pair<QPlainTextEdit*, QString>> appends;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->closed) return;
        appends.swap(state_->pending);
        state_->flushPosted = false;
    }
    for (const auto& [edit, text] : appends) Insert(edit, text);
}

void ChatWindowOperations::SetControlText(Control control, std::string_view text) {
    const QString converted = ToToolkitText(text);
    RunOnUiThread([&] {
        ShowPendingAppends();
        if (QPlainTextEdit* edit = EditBox(control)) {
            edit->setPlainText(converted);
        } else {
            sendButton_->setText(converted);
        }
    });
}

TextBuffer ChatWindowOperations::ReadControlText(Control control) {
    QString text;
    RunOnUiThread([&] {
        ShowPendingAppends();
        QPlainTextEdit* edit = EditBox(control);
        text = edit ? edit->document()->toRawText() : sendButton_->text();
    });
    return FromToolkitText(std::move(text));
}

void ChatWindowOperations::AppendEditText(Control control, std::string_view text) {
    QPlainTextEdit* edit = EditBox(control);
    if (!edit) return;
    QString converted = ToToolkitText(text);
    if (std::this_thread::get_id() == uiThread_) {
        RunOnUiThread([&] {
            ShowPendingAppends();
            Insert(edit, converted);
        });
        return;
    }
    // From another thread the text joins the pending appends, and the UI thread puts in all that
    // has gathered at its next turn: the caller does not wait for the text's layout, and a fast
    // reply costs a layout per turn of the UI thread rather than one per delta. Every other
    // operation puts the pending appends in first, so all of them see the appends in order.
    std::lock_guard lock(state_->mutex);
    if (state_->closed) return;
    auto& pending = state_->pending;
    if (!pending.empty() && pending.back().first == edit) {
        pending.back().second += converted;
    } else {
        pending.emplace_back(edit, std::move(converted));
    }
    if (std::exchange(state_->flushPosted, true)) return;
    // The call touches this object only while it is open; the destructor closes it.
    QMetaObject::invokeMethod(
        uiContext_,
        [this, state = state_] {
            {
                std::lock_guard lock(state->mutex);
                if (state->closed) return;
            }
            ShowPendingAppends();
        },
        Qt::QueuedConnection);
}

void ChatWindowOperations::SetControlDisabled(Control control, bool disabled) {
    RunOnUiThread([&] {
        ShowPendingAppends();
        Widget(control)->setEnabled(!disabled);
    });
}

}  // namespace velmora
