// The real program on a private X server: its window appears, and closing it the way a window
// manager does (WM_DELETE_WINDOW) ends the program cleanly, also while an exchange waits on a
// service that has stopped answering.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ProgramRunner.h"
#include "tests/support/TestServer.h"
#include "tools/StandInService.h"

namespace velmora {
namespace {

struct XcbDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDisconnect>;
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeReply>;

// An Xvfb of our own on a display number it picks; killed at the end of the test.
class PrivateXServer {
public:
    PrivateXServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes the number and its newline apart, and dies when the newline finds the pipe
        // closed: read up to the newline.
        std::string number;
        char piece[16];
        ssize_t n = 0;
        while (number.find('\n') == std::string::npos &&
               (n = read(fds[0], piece, sizeof piece)) > 0) {
            number.append(piece, static_cast<std::size_t>(n));
        }
        close(fds[0]);
        if (number.ends_with('\n')) display_ = ":" + number.substr(0, number.size() - 1);
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The viewable top-level window whose WM_NAME is title, or XCB_WINDOW_NONE.
xcb_window_t FindWindow(xcb_connection_t* x, xcb_window_t root, const std::string& title) {
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr));
    if (!tree) return XCB_WINDOW_NONE;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
        XcbReply<xcb_get_property_reply_t> name(xcb_get_property_reply(
            x,
            xcb_get_property(x, 0, children[i], XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
            nullptr));
        if (!name) continue;
        const std::string value(static_cast<const char*>(xcb_get_property_value(name.get())),
                                xcb_get_property_value_length(name.get()));
        if (value == title) return children[i];
    }
    return XCB_WINDOW_NONE;
}

// The program's window on a private X server, and the calls a window manager and a user make.
class RunningWindow {
public:
    // Starts the program; ready() tells whether its window has appeared.
    explicit RunningWindow(const std::vector<std::string>& environment = {}) {
        if (server_.Display().empty()) return;
        std::vector<std::string> all = {"DISPLAY=" + server_.Display(), "QT_QPA_PLATFORM=xcb"};
        all.insert(all.end(), environment.begin(), environment.end());
        program_ = testing::StartProgram({VELMORA_BINARY}, all, in_, out_, err_);
        x_.reset(xcb_connect(server_.Display().c_str(), nullptr));
        if (xcb_connection_has_error(x_.get()) != 0) return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(x_.get())).data->root;
        for (int i = 0; i < 2000 && window_ == XCB_WINDOW_NONE; ++i) {
            window_ = FindWindow(x_.get(), root_, "Velmora");
            if (window_ == XCB_WINDOW_NONE) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }
    ~RunningWindow() {
        if (program_ > 0 && !exited_) {
            kill(program_, SIGKILL);
            waitpid(program_, nullptr, 0);
        }
        testing::Slurp(in_);
        testing::Slurp(out_);
        testing::Slurp(err_);
    }

    bool Ready() const { return window_ != XCB_WINDOW_NONE; }
    std::string Errors() const { return testing::Slurp(err_); }

    // A left click at a point of the window (in its own coordinates).
    void Click(int x, int y) {
        for (const auto type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE}) {
            xcb_button_press_event_t button{};
            button.response_type = type;
            button.detail = 1;
            button.time = XCB_CURRENT_TIME;
            button.root = root_;
            button.event = window_;
            button.event_x = static_cast<int16_t>(x);
            button.event_y = static_cast<int16_t>(y);
            button.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
            button.same_screen = 1;
            xcb_send_event(x_.get(), 0, window_, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&button));
        }
        xcb_flush(x_.get());
    }

    // What a window manager sends when the user closes the window.
    void Close() {
        xcb_client_message_event_t close{};
        close.response_type = XCB_CLIENT_MESSAGE;
        close.format = 32;
        close.window = window_;
        close.type = Atom(x_.get(), "WM_PROTOCOLS");
        close.data.data32[0] = Atom(x_.get(), "WM_DELETE_WINDOW");
        close.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(x_.get(), 0, window_, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&close));
        xcb_flush(x_.get());
    }

    // The exit status; nothing when the program crashed or had to be killed after 20 s.
    std::optional<int> WaitForExit() {
        exited_ = true;
        return testing::WaitForExit(program_);
    }

private:
    PrivateXServer server_;
    const std::string in_ = testing::TempFile(""), out_ = testing::TempFile(""),
                      err_ = testing::TempFile("");
    pid_t program_ = -1;
    bool exited_ = false;
    XcbConnection x_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_window_t window_ = XCB_WINDOW_NONE;
};

TEST(WindowSmoke, TheWindowAppearsAndClosingItEndsTheProgram) {
    RunningWindow program;
    ASSERT_TRUE(program.Ready()) << program.Errors();
    program.Close();
    EXPECT_EQ(program.WaitForExit(), 0) << program.Errors();
}

TEST(WindowSmoke, ClosingTheWindowDuringAnExchangeEndsTheProgram) {
    using namespace std::chrono_literals;
    testsupport::TrustTestCa();  // the program inherits SSL_CERT_FILE
    // A service that sends the start of a reply and then takes its time.
    testsupport::TestServer service(
        [](const testsupport::ReceivedRequest& request, testsupport::ResponseWriter& response) {
            standin::ServeChatCompletions({.events = 10, .pause = testsupport::kLongestWait},
                                          request, response);
        },
        &testsupport::TestCertificates().localhost);
    RunningWindow program({"VELMORA_API_URL=" + service.Url("/v1/chat/completions"),
                           "VELMORA_API_KEY=sk-window-smoke", "XDG_CONFIG_HOME=/nonexistent"});
    ASSERT_TRUE(program.Ready()) << program.Errors();

    program.Click(492, 369);  // the middle of the Send button
    bool asked = false;
    for (int i = 0; i < 1000 && !asked; ++i) {
        asked = !service.Requests().empty();
        if (!asked) std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(asked) << "the click sent no request";

    const auto closed = std::chrono::steady_clock::now();
    program.Close();
    EXPECT_EQ(program.WaitForExit(), 0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - closed);
    ::testing::Test::RecordProperty("exit_ms_after_close", std::to_string(took.count()));
}

}  // namespace
}  // namespace velmora
