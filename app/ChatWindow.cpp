#include "app/ChatWindow.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <utility>

#include "app/StartUp.h"
#include "app/WindowEvents.h"

namespace velmora {
namespace {

// Shows an edit box's selection only while the box has the keyboard focus, as a Windows edit
// control without ES_NOHIDESEL does.
class SelectionHider final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            auto* edit = static_cast<QPlainTextEdit*>(watched);
            QPalette palette = edit->palette();
            const bool focused = event->type() == QEvent::FocusIn;
            for (auto group : {QPalette::Active, QPalette::Inactive}) {
                palette.setColor(group, QPalette::Highlight,
                                 focused ? QApplication::palette().color(group, QPalette::Highlight)
                                         : Qt::white);
                palette.setColor(
                    group, QPalette::HighlightedText,
                    focused ? QApplication::palette().color(group, QPalette::HighlightedText)
                            : Qt::black);
            }
            edit->setPalette(palette);
        }
        return false;
    }
};

QPlainTextEdit* MakeEditBox(QWidget* window, const QRect& geometry) {
    auto* edit = new QPlainTextEdit(window);
    edit->setGeometry(geometry);
    edit->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QPalette palette = edit->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Text, Qt::black);
    }
    edit->setPalette(palette);
    edit->installEventFilter(new SelectionHider(edit));
    return edit;
}

// A 16-pixel font of normal weight whose face has Chinese glyphs: the default face when it has
// them, else the first face that does.
QFont ChineseInputFont() {
    QFont font = QApplication::font();
    font.setPixelSize(16);
    font.setWeight(QFont::Normal);
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (!chinese.isEmpty() && !chinese.contains(QFontInfo(font).family())) {
        font.setFamilies({chinese.first()});
    }
    return font;
}

}  // namespace

ChatWindow::ChatWindow(ExchangeRoutine routine, SendClickHandler::ThreadStarter startThread)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      transcriptBox_(MakeEditBox(this, {16, 8, 512, 312})),
      inputBox_(MakeEditBox(this, {16, 344, 432, 48})),
      sendButton_(new QPushButton(this)),
      operations_(
          std::make_shared<ChatWindowOperations>(this, transcriptBox_, inputBox_, sendButton_)),
      clickHandler_(operations_, std::move(routine), std::move(startThread)) {
    setWindowTitle(QStringLiteral("Velmora"));
    setFixedSize(kOuterSize);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    setAutoFillBackground(true);

    transcriptBox_->setReadOnly(true);
    transcriptBox_->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                            Qt::TextSelectableByKeyboard);
    transcriptBox_->setUndoRedoEnabled(false);
    inputBox_->setFont(ChineseInputFont());

    sendButton_->setGeometry(456, 345, 72, 48);
    sendButton_->setAutoDefault(false);
    sendButton_->setDefault(false);
    operations_->SetControlText(Control::SendButton, SendButtonCaption());
    connect(sendButton_, &QPushButton::clicked, this, [this] { clickHandler_.OnClick(); });

    PlaceOnScreen();
    detail::SetWindowEventThread(std::this_thread::get_id());
    OnChatWindowCreated(*operations_);
}

ChatWindow::~ChatWindow() {
    detail::SetWindowEventThread({});
    operations_->Close();
}

QWidget* ChatWindow::ControlWidget(Control control) const {
    return operations_->Widget(control);
}

void ChatWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (std::exchange(placed_, true)) return;
    // The frame is known only once the window exists on screen; the outer size includes it.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (!frame.isNull()) {
        setFixedSize(kOuterSize.shrunkBy(frame));
        PlaceOnScreen();
    }
}

void ChatWindow::PlaceOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - kOuterSize.width()) / 2,
         area.y() + (area.height() - kOuterSize.height()) / 2);
}

}  // namespace velmora
