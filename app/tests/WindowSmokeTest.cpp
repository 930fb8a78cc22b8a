// The real program on a private X server: its window appears, and closing it the way a window
// manager does (WM_DELETE_WINDOW) ends the program cleanly.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstring>
#include <memory>

#include "ProgramRunner.h"

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
        char number[16] = {};
        const ssize_t n = read(fds[0], number, sizeof number - 1);  // ends when Xvfb is ready
        close(fds[0]);
        if (n > 0) display_ = ":" + std::string(number, strcspn(number, "\n"));
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

TEST(WindowSmoke, TheWindowAppearsAndClosingItEndsTheProgram) {
    PrivateXServer server;
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    const std::string in = testing::TempFile(""), out = testing::TempFile(""),
                      err = testing::TempFile("");
    const pid_t program = testing::StartProgram(
        {VELMORA_BINARY}, {"DISPLAY=" + server.Display(), "QT_QPA_PLATFORM=xcb"}, in, out, err);

    XcbConnection x(xcb_connect(server.Display().c_str(), nullptr));
    ASSERT_EQ(xcb_connection_has_error(x.get()), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x.get())).data->root;
    xcb_window_t window = XCB_WINDOW_NONE;
    for (int i = 0; i < 2000 && window == XCB_WINDOW_NONE; ++i) {
        window = FindWindow(x.get(), root, "Velmora");
        if (window == XCB_WINDOW_NONE) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(window, XCB_WINDOW_NONE) << testing::Slurp(err);

    xcb_client_message_event_t close{};
    close.response_type = XCB_CLIENT_MESSAGE;
    close.format = 32;
    close.window = window;
    close.type = Atom(x.get(), "WM_PROTOCOLS");
    close.data.data32[0] = Atom(x.get(), "WM_DELETE_WINDOW");
    close.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x.get(), 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&close));
    xcb_flush(x.get());

    EXPECT_EQ(testing::WaitForExit(program), 0);
    testing::Slurp(in);
    testing::Slurp(out);
    testing::Slurp(err);
}

}  // namespace
}  // namespace velmora
