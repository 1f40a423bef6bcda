#pragma once
// An X server of the test's own (Xvfb on a display number it picks itself)
// and what a test does there as a window manager and a user would: list the
// top-level windows with their titles, whether they are shown and their
// stacking order, ask a window to close, and press a key in a window.
//
// Xlib stays inside the source file: its macros clash with other headers.
// The test's own thread only.

#include "real_display/daemon_process.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::test {

struct TopWindow {
    unsigned long id = 0;
    std::string title;
    bool shown = false;
};

class XDisplay {
public:
    // Starts the server and connects to it; throws std::runtime_error when
    // either fails within a generous bound.
    explicit XDisplay(const std::filesystem::path& scratch);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    // ":<number>", for the programs' DISPLAY.
    const std::string& name() const noexcept { return name_; }

    // The top-level windows, lowest first.
    std::vector<TopWindow> topWindows();
    // The shown window whose title is exactly `title`.
    std::optional<TopWindow> shownWindow(const std::string& title);
    // Whether the shown window `upper` lies above the shown window `lower`.
    bool above(const std::string& upper, const std::string& lower);

    // Asks the window to close, as a window manager's close button does.
    void close(unsigned long window);
    // Gives the window the keyboard and presses and releases a function key.
    void pressFunctionKey(unsigned long window, int number);

private:
    struct Client;
    std::unique_ptr<DaemonProcess> server_;
    std::string name_;
    std::unique_ptr<Client> client_;
};

} // namespace sorvalind::test
