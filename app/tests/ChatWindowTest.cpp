#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "app/ChatWindow.h"
#include "app/StartUp.h"
#include "app/WindowEvents.h"
#include "encoding/Utf8Text.h"

namespace velmora {
namespace {

constexpr int kWaitMs = 10000;

// Runs the UI thread's events until ready() holds; a posted call from a worker wakes it at once,
// the timer at the latest after a few milliseconds.
bool WaitUntil(const std::function<bool()>& ready) {
    const QDeadlineTimer deadline(kWaitMs);
    QTimer tick;
    tick.start(5);
    while (!ready()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QString Utf8(const TextBuffer& text) {
    return QString::fromStdString(TextToUtf8(text));
}

class ChatWindowTest : public ::testing::Test {
protected:
    // Each click runs routine_, which the test may set before the click.
    void Open(SendClickHandler::ThreadStarter startThread = StartWorkerThread) {
        window_ = std::make_unique<ChatWindow>(
            [this](WindowOperations& window) { return routine_(window); }, std::move(startThread));
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        ops_ = window_->Operations();
    }
    void SetUp() override { Open(); }

    QPlainTextEdit* Edit(Control control) {
        return static_cast<QPlainTextEdit*>(window_->ControlWidget(control));
    }
    QPushButton* Send() {
        return static_cast<QPushButton*>(window_->ControlWidget(Control::SendButton));
    }

    std::function<bool(WindowOperations&)> routine_ = [](WindowOperations&) { return true; };
    std::unique_ptr<ChatWindow> window_;
    std::shared_ptr<WindowOperations> ops_;
};

TEST_F(ChatWindowTest, StartsWithTheGreetingAnEmptyInputAndSendEnabled) {
    EXPECT_EQ(ops_->ReadControlText(Control::TranscriptBox), GreetingText());
    EXPECT_EQ(Edit(Control::TranscriptBox)->toPlainText(),
              Utf8(GreetingText()).replace("\r\n", "\n"));
    EXPECT_EQ(ops_->ReadControlText(Control::InputBox), "");
    EXPECT_TRUE(Send()->isEnabled());
    EXPECT_EQ(Send()->text(), QString::fromUtf8("发送"));
    EXPECT_EQ(window_->windowTitle(), "Velmora");
}

TEST_F(ChatWindowTest, HasTheFixedGeometryFlagsAndFonts) {
    EXPECT_EQ(window_->frameGeometry().size(), QSize(547, 446));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window_->frameGeometry().topLeft(),
              screen.topLeft() + QPoint((screen.width() - 547) / 2, (screen.height() - 446) / 2));
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = window_->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    const struct {
        Control control;
        QRect geometry;
    } controls[] = {
        {Control::TranscriptBox, {16, 8, 512, 312}},
        {Control::InputBox, {16, 344, 432, 48}},
        {Control::SendButton, {456, 345, 72, 48}},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(window_->ControlWidget(c.control)->geometry(), c.geometry);
    }
    for (Control control : {Control::TranscriptBox, Control::InputBox}) {
        QPlainTextEdit* edit = Edit(control);
        EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(edit->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    }
    const QFontInfo inputFont(Edit(Control::InputBox)->font());
    EXPECT_EQ(inputFont.pixelSize(), 16);
    EXPECT_EQ(inputFont.weight(), QFont::Normal);
    EXPECT_TRUE(
        QFontDatabase::families(QFontDatabase::SimplifiedChinese).contains(inputFont.family()))
        << inputFont.family().toStdString();
    EXPECT_FALSE(Send()->autoDefault());
    EXPECT_FALSE(Send()->isDefault());
}

TEST_F(ChatWindowTest, TranscriptIgnoresKeystrokesButCanBeCopied) {
    QPlainTextEdit* transcript = Edit(Control::TranscriptBox);
    QGuiApplication::clipboard()->setText("pasted");
    QTest::keyClicks(transcript, "typed");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete}) {
        QTest::keyClick(transcript, key);
    }
    QTest::keyClick(transcript, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ops_->ReadControlText(Control::TranscriptBox), GreetingText());

    QTest::keyClick(transcript, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(transcript, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), transcript->toPlainText());
}

TEST_F(ChatWindowTest, EnterInTheInputBoxBreaksTheLineAndSendsNothing) {
    int runs = 0;
    routine_ = [&](WindowOperations&) { return ++runs > 0; };
    QPlainTextEdit* input = Edit(Control::InputBox);
    QTest::keyClicks(input, "first");
    QTest::keyClick(input, Qt::Key_Return);
    QTest::keyClicks(input, "second");
    EXPECT_EQ(ops_->ReadControlText(Control::InputBox), "first\r\nsecond");
    QApplication::processEvents();
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(Send()->isEnabled());
}

TEST_F(ChatWindowTest, TextsCrossToTheToolkitAndBackUnchanged) {
    const std::string texts[] = {
        "", "a\r\nb", "\r\n\r\n", "中文，标点\r\n第二行", "😀 and € outside GBK", "no\u00A0break",
    };
    for (const std::string& utf8 : texts) {
        const TextBuffer text = Utf8ToText(utf8);
        for (Control control : {Control::TranscriptBox, Control::InputBox, Control::SendButton}) {
            ops_->SetControlText(control, text);
            EXPECT_EQ(ops_->ReadControlText(control), text) << utf8;
        }
        EXPECT_EQ(Edit(Control::InputBox)->toPlainText().count('\r'), 0) << "Qt sees \\n breaks";
    }
}

TEST_F(ChatWindowTest, AppendMovesTheCaretToTheEndAndCannotBeUndone) {
    QPlainTextEdit* input = Edit(Control::InputBox);
    QTest::keyClicks(input, "ab");
    input->moveCursor(QTextCursor::Start);
    ops_->AppendEditText(Control::InputBox, "cd\r\ne");
    EXPECT_EQ(input->textCursor().position(), input->document()->characterCount() - 1);
    QTest::keyClick(input, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ops_->ReadControlText(Control::InputBox), "abcd\r\ne");

    input->moveCursor(QTextCursor::Start);
    ops_->AppendEditText(Control::InputBox, "");
    EXPECT_EQ(input->textCursor().position(), input->document()->characterCount() - 1);
    EXPECT_EQ(ops_->ReadControlText(Control::InputBox), "abcd\r\ne");

    QPlainTextEdit* transcript = Edit(Control::TranscriptBox);
    for (int i = 0; i < 100; ++i) ops_->AppendEditText(Control::TranscriptBox, "line\r\n");
    EXPECT_GT(transcript->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(transcript->viewport()->rect().contains(transcript->cursorRect()))
        << "the end is in view";
}

TEST_F(ChatWindowTest, AppendsFromAnotherThreadArriveInOrderAndAreDoneOnReturn) {
    std::atomic<bool> done = false;
    int notYetVisible = 0;
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            const std::string piece = "<" + std::to_string(i) + ">";
            ops_->AppendEditText(Control::TranscriptBox, piece);
            if (!ops_->ReadControlText(Control::TranscriptBox).ends_with(piece)) ++notYetVisible;
        }
        ops_->SetControlDisabled(Control::SendButton, true);
        done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(notYetVisible, 0);
    std::string expected = TextToUtf8(GreetingText());
    for (int i = 0; i < 200; ++i) expected += "<" + std::to_string(i) + ">";
    EXPECT_EQ(TextToUtf8(ops_->ReadControlText(Control::TranscriptBox)), expected);
    EXPECT_FALSE(Send()->isEnabled()) << "disabled before the call returned";
}

TEST_F(ChatWindowTest, AClickDisablesSendAndStartsExactlyOneWorker) {
    std::atomic<int> starts = 0;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    routine_ = [&starts, released](WindowOperations& window) {
        ++starts;
        const bool waited =
            released.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        window.SetControlDisabled(Control::SendButton, false);
        return waited;
    };
    QTest::mouseClick(Send(), Qt::LeftButton);
    EXPECT_FALSE(Send()->isEnabled()) << "disabled by the click itself";
    EXPECT_TRUE(WaitUntil([&] { return starts == 1; }));
    QTest::mouseClick(Send(), Qt::LeftButton);
    release.set_value();
    EXPECT_TRUE(WaitUntil([&] { return Send()->isEnabled(); }));
    EXPECT_EQ(starts, 1);
}

TEST_F(ChatWindowTest, AClickOnADisabledSendDoesNothing) {
    std::atomic<int> starts = 0;
    routine_ = [&](WindowOperations&) { return ++starts > 0; };
    ops_->SetControlDisabled(Control::SendButton, true);
    QTest::mouseClick(Send(), Qt::LeftButton);
    QTest::keyClick(Edit(Control::InputBox), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(starts, 0);
}

TEST_F(ChatWindowTest, SendStaysEnabledWhenNoThreadStarts) {
    bool ran = false;
    routine_ = [&](WindowOperations&) { return ran = true; };
    Open([](std::function<void()>) { return false; });
    QTest::mouseClick(Send(), Qt::LeftButton);
    EXPECT_TRUE(Send()->isEnabled());
    EXPECT_FALSE(ran);
}

TEST_F(ChatWindowTest, ThePumpRunsOtherThreadsCallsOnlyOnTheWindowThread) {
    std::atomic<bool> done = false;
    std::thread worker([&] {
        ProcessPendingWindowEvents();  // not the window's thread: nothing to do, returns at once
        ops_->AppendEditText(Control::TranscriptBox, "pumped");
        done = true;
    });
    for (int i = 0; i < kWaitMs && !done; ++i) {
        ProcessPendingWindowEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_TRUE(ops_->ReadControlText(Control::TranscriptBox).ends_with("pumped"));
}

TEST_F(ChatWindowTest, ClosingReleasesAWaitingWorkerAndLaterOperationsDoNothing) {
    std::atomic<bool> calling = false;
    std::promise<TextBuffer> afterClose;
    std::thread worker([&] {
        calling = true;
        ops_->AppendEditText(Control::TranscriptBox, "never shown");  // the UI thread is not
        ops_->SetControlText(Control::InputBox, "x");                 // pumping: these wait
        afterClose.set_value(ops_->ReadControlText(Control::TranscriptBox));
    });
    while (!calling) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // most likely inside the wait now
    window_->close();
    window_.reset();
    auto result = afterClose.get_future();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    worker.join();
    EXPECT_EQ(result.get(), "");
    ops_->SetControlDisabled(Control::SendButton, true);  // on the UI thread too: no effect
    QApplication::processEvents();                        // and nothing left queued to crash on
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
