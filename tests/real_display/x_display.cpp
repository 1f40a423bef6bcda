#include "real_display/x_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <stdexcept>
#include <thread>

namespace sorvalind::test {

struct XDisplay::Client {
    ::Display* display = nullptr;
    ~Client() {
        if (display) XCloseDisplay(display);
    }
};

namespace {

// An X error (a window gone between listing and asking) is no failure here.
int ignoreErrors(::Display*, XErrorEvent*) {
    return 0;
}

std::string windowTitle(::Display* display, ::Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (type == utf8 && format == 8) title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

} // namespace

XDisplay::XDisplay(const std::filesystem::path& scratch) : client_(std::make_unique<Client>()) {
    // The server picks a free display number and writes it once it accepts
    // clients; only clients of this machine may connect.
    DaemonProcess::Options options;
    options.arguments = {"-displayfd", "3", "-screen", "0", "1600x1000x24", "-nolisten", "tcp"};
    options.readyFd = 3;
    options.log = scratch / "xvfb.log";
    server_ = std::make_unique<DaemonProcess>("Xvfb", options);
    const auto number = server_->readyLine(std::chrono::seconds(60));
    if (!number || number->empty()) throw std::runtime_error("Xvfb reported no display");
    name_ = ":" + *number;
    XSetErrorHandler(ignoreErrors);
    client_->display = XOpenDisplay(name_.c_str());
    if (!client_->display) throw std::runtime_error("cannot connect to Xvfb on " + name_);
}

XDisplay::~XDisplay() {
    client_.reset();
    server_.reset();
}

std::vector<TopWindow> XDisplay::topWindows() {
    ::Display* display = client_->display;
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    std::vector<TopWindow> windows;
    XSync(display, False);
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return windows;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
        windows.push_back(
            {children[i], windowTitle(display, children[i]), attributes.map_state == IsViewable});
    }
    if (children) XFree(children);
    return windows;
}

std::optional<TopWindow> XDisplay::shownWindow(const std::string& title) {
    for (const auto& window : topWindows())
        if (window.shown && window.title == title) return window;
    return std::nullopt;
}

bool XDisplay::above(const std::string& upper, const std::string& lower) {
    int upperAt = -1;
    int lowerAt = -1;
    const auto windows = topWindows();
    for (int i = 0; i < static_cast<int>(windows.size()); ++i) {
        if (!windows[i].shown) continue;
        if (windows[i].title == upper) upperAt = i;
        if (windows[i].title == lower) lowerAt = i;
    }
    return upperAt >= 0 && lowerAt >= 0 && upperAt > lowerAt;
}

void XDisplay::close(unsigned long window) {
    ::Display* display = client_->display;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
}

void XDisplay::pressFunctionKey(unsigned long window, int number) {
    ::Display* display = client_->display;
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    // The program learns of the focus before the key arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XEvent event{};
    event.xkey.type = KeyPress;
    event.xkey.display = display;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(display);
    event.xkey.subwindow = None;
    event.xkey.time = CurrentTime;
    event.xkey.same_screen = True;
    event.xkey.keycode = XKeysymToKeycode(display, static_cast<KeySym>(XK_F1 + number - 1));
    XSendEvent(display, window, True, KeyPressMask, &event);
    event.xkey.type = KeyRelease;
    XSendEvent(display, window, True, KeyReleaseMask, &event);
    XSync(display, False);
}

} // namespace sorvalind::test
