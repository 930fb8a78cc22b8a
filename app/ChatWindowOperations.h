#pragma once
// The four window operations over the Qt widgets of ChatWindow. On the UI thread an operation
// runs directly; from any other thread it is posted to the UI thread and the caller waits until
// it has run. The exception is AppendEditText from another thread: it returns once the text is
// queued, and the UI thread puts in every queued text at its next turn, and before any other
// operation runs, so every operation sees the appends in the order of their calls. Texts cross
// from GB18030 with "\r\n" breaks to Qt's Unicode with "\n" breaks here.

#include <memory>
#include <string_view>
#include <thread>

#include "app/WindowOperations.h"

class QObject;
class QPlainTextEdit;
class QPushButton;
class QString;
class QWidget;

namespace velmora {
namespace detail {
struct UiCallState;
}

class ChatWindowOperations final : public WindowOperations {
public:
    // Created on the UI thread. Calls are posted to uiContext; the widgets must live until
    // Close(), and uiContext must not outlive them.
    ChatWindowOperations(QObject* uiContext, QPlainTextEdit* transcriptBox,
                         QPlainTextEdit* inputBox, QPushButton* sendButton);
    ~ChatWindowOperations() override;

    // UI thread, before the widgets go. Callers waiting for the UI thread return at once, and
    // every later operation returns without effect; ReadControlText gives the empty text.
    void Close();

    void SetControlText(Control control, std::string_view text) override;
    TextBuffer ReadControlText(Control control) override;
    void AppendEditText(Control control, std::string_view text) override;
    void SetControlDisabled(Control control, bool disabled) override;

    // UI thread: the widget that shows control.
    QWidget* Widget(Control control) const;

private:
    // Runs work on the UI thread and waits for it; false (work not run) after Close().
    template <typename Work>
    bool RunOnUiThread(Work&& work);
    QPlainTextEdit* EditBox(Control control) const;
    // UI thread.
    void Insert(QPlainTextEdit* edit, const QString& text);
    void ShowPendingAppends();

    std::shared_ptr<detail::UiCallState> state_;
    std::thread::id uiThread_;
    QObject* uiContext_;
    QPlainTextEdit* transcriptBox_;
    QPlainTextEdit* inputBox_;
    QPushButton* sendButton_;
};

}  // namespace velmora
