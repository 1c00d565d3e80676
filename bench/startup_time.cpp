// Start-up cost of the program: time from launching it to its window being
// mapped on the X display, and its resident memory once shown.
//   startup_time [--runs N] PATH/TO/tessaline      (needs DISPLAY, e.g. Xvfb)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string WindowTitle(xcb_connection_t* c, xcb_window_t w) {
    for (const char* name : {"_NET_WM_NAME", "WM_NAME"}) {
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        if (!atom) {
            continue;
        }
        xcb_get_property_reply_t* prop = xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
        std::free(atom);
        if (prop) {
            std::string title(static_cast<const char*>(xcb_get_property_value(prop)),
                              xcb_get_property_value_length(prop));
            std::free(prop);
            if (!title.empty()) {
                return title;
            }
        }
    }
    return std::string();
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

struct Run {
    double ms;
    long rssKiB;
};

bool OneRun(const char* program, Run& run) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot open the X display (is DISPLAY set?)\n");
        return false;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    bool shown = false;
    while (!shown) {
        xcb_generic_event_t* e = xcb_wait_for_event(c);
        if (!e) {
            break;
        }
        if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
            shown = WindowTitle(c, map->window).find("Tessaline") != std::string::npos;
        }
        std::free(e);
    }
    run.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    run.rssKiB = ResidentKiB(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(c);
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    const char* program = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            program = argv[i];
        }
    }
    if (!program) {
        std::fprintf(stderr, "usage: startup_time [--runs N] PATH/TO/tessaline\n");
        return 2;
    }
    std::vector<double> times;
    std::vector<long> rss;
    for (int i = 0; i < runs; ++i) {
        Run run{};
        if (!OneRun(program, run)) {
            std::fprintf(stderr, "the window did not appear\n");
            return 1;
        }
        times.push_back(run.ms);
        rss.push_back(run.rssKiB);
    }
    std::sort(times.begin(), times.end());
    std::sort(rss.begin(), rss.end());
    std::printf("start-up to window shown: median %.0f ms, min %.0f ms, max %.0f ms (%d runs)\n",
                times[times.size() / 2], times.front(), times.back(), runs);
    std::printf("resident memory once shown: median %.1f MiB\n", rss[rss.size() / 2] / 1024.0);
    return 0;
}
