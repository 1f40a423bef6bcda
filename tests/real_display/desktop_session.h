#pragma once
// A desktop of the test's own for the real program: an X server, a private
// session bus that starts nothing by itself, and on request an unlocked
// keyring and a sound server with one null sink, all in a throw-away home
// and runtime folder. Everything it started ends with it, or with the test
// process. It also calls methods on the bus, as a desktop's media controls
// do.
//
// The test's own thread only.

#include "real_display/daemon_process.h"
#include "real_display/x_display.h"
#include "support/paths.h"
#include "support/program_profile.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::test {

class DesktopSession {
public:
    // Throws std::runtime_error when the X server or the bus does not start.
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    XDisplay& display() noexcept { return *display_; }
    const std::string& busAddress() const noexcept { return busAddress_; }
    const std::filesystem::path& home() const noexcept { return home_; }

    // Starts gnome-keyring with an unlocked login collection; false when it
    // did not come up.
    bool startKeyring();
    // Starts PulseAudio with a null sink; false when it did not come up.
    bool startSoundServer();

    // Points the profile's programs at this desktop.
    void enter(ProgramProfile& profile) const;

    // dbus-send's reply to a method call on this bus; none when the call
    // failed or took longer than a generous bound.
    std::optional<std::string> call(const std::vector<std::string>& arguments);
    // The names on the bus that start with `prefix`.
    std::vector<std::string> busNames(const std::string& prefix);

private:
    bool waitForBusName(const std::string& name, std::chrono::milliseconds bound);

    TempDir scratch_;
    std::filesystem::path home_;
    std::filesystem::path runtime_;
    std::unique_ptr<XDisplay> display_;
    std::unique_ptr<DaemonProcess> bus_;
    std::string busAddress_;
    std::unique_ptr<DaemonProcess> keyring_;
    std::unique_ptr<DaemonProcess> sound_;
    std::string soundServer_;
};

} // namespace sorvalind::test
