#pragma once
// The chat window: a read-only transcript, an input box and the Send button, at fixed places in
// a window of fixed size.

#include <QSize>
#include <QWidget>
#include <memory>

#include "app/ChatWindowOperations.h"
#include "app/SendClickHandler.h"
#include "app/WindowOperations.h"

class QPlainTextEdit;
class QPushButton;

namespace velmora {

class ChatWindow : public QWidget {
public:
    // The size of the window with its frame.
    static constexpr QSize kOuterSize{547, 446};

    // Created on the UI thread. Each click on SendButton runs routine on a worker thread that
    // startThread starts. When the constructor returns, the transcript holds the greeting.
    explicit ChatWindow(ExchangeRoutine routine,
                        SendClickHandler::ThreadStarter startThread = StartWorkerThread);
    // Workers still running find every later window operation without effect.
    ~ChatWindow() override;
    ChatWindow(const ChatWindow&) = delete;
    ChatWindow& operator=(const ChatWindow&) = delete;

    // The operations the conversation logic uses; they may outlive the window.
    std::shared_ptr<WindowOperations> Operations() const { return operations_; }

    QWidget* ControlWidget(Control control) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PlaceOnScreen();

    QPlainTextEdit* transcriptBox_;
    QPlainTextEdit* inputBox_;
    QPushButton* sendButton_;
    std::shared_ptr<ChatWindowOperations> operations_;
    SendClickHandler clickHandler_;
    bool placed_ = false;
};

}  // namespace velmora
