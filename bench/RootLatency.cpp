// Runs a command on the X display and prints the milliseconds from its start until the root
// window's wallpaper pixmap is named anew (_XROOTPMAP_ID set, by then drawn): what a user who asked
// for a new wallpaper waits for. A setter that ended the previous one's client may well get the
// same pixmap id again, so the setting counts, not the value. The command's own end is not waited
// for first: a program may set the pixmap and go on, or hand the request to a running copy and end
// before it is done.
//
//   tapestrel_root_latency COMMAND [ARGUMENT...]
//   tapestrel_root_latency --file MARK COMMAND [ARGUMENT...]
//                                         the same until the file MARK exists: a desktop's
//                                         setting tool called, which made it
//   tapestrel_root_latency --upload WxH   the milliseconds of the program's own root window
//                                         setter for a composed picture of that size alone

#include "RootPixmap.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int kTimeoutMilliseconds = 30000;

struct Free {
    void operator()(void* pointer) const { std::free(pointer); }
};

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, Free> reply(xcb_intern_atom_reply(
        x, xcb_intern_atom(x, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The root window's setter alone, as the program calls it with the pixels it composed.
int Upload(const char* size) {
    int width = 0;
    int height = 0;
    if (std::sscanf(size, "%dx%d", &width, &height) != 2 || width < 1 || height < 1) return 2;
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) row[x] = qRgb(x & 0xff, y & 0xff, (x ^ y) & 0xff);
    }
    const auto start = std::chrono::steady_clock::now();
    if (const int error = SetRootWindowPixmap(picture); error != 0) {
        std::fprintf(stderr, "the root pixmap was not set: %s\n", std::strerror(error));
        return 1;
    }
    std::printf("%.1f\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--upload") == 0) return Upload(argv[2]);
    // What tells that the wallpaper was handed over: the root's pixmap, or a mark file.
    const char* mark = nullptr;
    char** command = argv + 1;
    if (argc >= 4 && std::strcmp(argv[1], "--file") == 0) {
        mark = argv[2];
        command = argv + 3;
        unlink(mark);
    }
    if (*command == nullptr) {
        std::fprintf(stderr, "usage: tapestrel_root_latency [--file MARK] COMMAND [ARGUMENT...]\n");
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (; screenNumber > 0 && screens.rem > 1; --screenNumber) xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    const xcb_atom_t atom = Atom(x, "_XROOTPMAP_ID");
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &events);
    // A round trip: the selection is in force before the command starts.
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));

    const auto start = std::chrono::steady_clock::now();
    // The command's own words would mix with ours.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, command[0], &quiet, nullptr, command, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s\n", command[0]);
        return 1;
    }
    pollfd watch{xcb_get_file_descriptor(x), POLLIN, 0};
    double elapsed = -1;
    const auto since = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    while (elapsed < 0) {
        if (mark != nullptr && access(mark, F_OK) == 0) {
            elapsed = since();
            break;
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
            const bool named = (event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY &&
                               property->atom == atom && property->state == XCB_PROPERTY_NEW_VALUE;
            std::free(event);
            if (named && mark == nullptr) {
                elapsed = since();
                break;
            }
        }
        if (elapsed >= 0) break;
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited > std::chrono::milliseconds(kTimeoutMilliseconds) ||
            poll(&watch, 1, mark != nullptr ? 1 : 100) < 0 || xcb_connection_has_error(x)) {
            std::fprintf(stderr, "no new wallpaper was handed over\n");
            break;
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    xcb_disconnect(x);
    if (elapsed < 0) return 1;
    std::printf("%.1f\n", elapsed);
    return 0;
}
