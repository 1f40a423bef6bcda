#include "real_display/desktop_session.h"

#include "support/child_process.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace sorvalind::test {

namespace {

using namespace std::chrono_literals;

// No service folders: nothing on this bus is started on demand (the
// accessibility bus, dconf), so every process on it is one the test started.
constexpr const char* busConfiguration = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=@RUNTIME@</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

DesktopSession::DesktopSession() {
    home_ = scratch_.path() / "home";
    runtime_ = scratch_.path() / "run";
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(runtime_);
    std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
    display_ = std::make_unique<XDisplay>(scratch_.path());

    std::string configuration = busConfiguration;
    configuration.replace(configuration.find("@RUNTIME@"), 9, runtime_.string());
    const auto configurationFile = scratch_.path() / "bus.conf";
    std::ofstream(configurationFile) << configuration;
    DaemonProcess::Options options;
    options.arguments = {"--config-file=" + configurationFile.string(), "--nofork", "--nopidfile",
                         "--print-address=3"};
    options.readyFd = 3;
    options.log = scratch_.path() / "bus.log";
    bus_ = std::make_unique<DaemonProcess>("dbus-daemon", options);
    const auto address = bus_->readyLine(60s);
    if (!address || address->empty()) throw std::runtime_error("the session bus did not start");
    busAddress_ = *address;
}

DesktopSession::~DesktopSession() {
    sound_.reset();
    keyring_.reset();
    bus_.reset();
    display_.reset();
}

void DesktopSession::enter(ProgramProfile& profile) const {
    profile.set("DISPLAY", display_->name());
    profile.set("QT_QPA_PLATFORM", "xcb");
    profile.set("XAUTHORITY", "");
    profile.set("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    profile.set("HOME", home_.string());
    if (!soundServer_.empty()) profile.set("PULSE_SERVER", soundServer_);
}

bool DesktopSession::startKeyring() {
    if (keyring_) return true;
    DaemonProcess::Options options;
    // The collection's password is the empty line written to its input.
    options.arguments = {"--foreground", "--unlock", "--components=secrets"};
    options.input = "\n";
    options.environment = {{"HOME", home_.string()},
                           {"XDG_RUNTIME_DIR", runtime_.string()},
                           {"XDG_DATA_HOME", ""},
                           {"DBUS_SESSION_BUS_ADDRESS", busAddress_}};
    options.log = scratch_.path() / "keyring.log";
    keyring_ = std::make_unique<DaemonProcess>("gnome-keyring-daemon", options);
    return waitForBusName("org.freedesktop.secrets", 60s);
}

bool DesktopSession::startSoundServer() {
    if (sound_) return true;
    const auto socket = scratch_.path() / "pulse-native";
    DaemonProcess::Options options;
    options.arguments = {"-n",
                         "--daemonize=no",
                         "--exit-idle-time=-1",
                         "--use-pid-file=no",
                         "--disable-shm=yes",
                         "-L",
                         "module-native-protocol-unix auth-anonymous=1 socket=" + socket.string(),
                         "-L",
                         "module-null-sink sink_name=null"};
    // As root (CI), PulseAudio wants to be told that this is meant.
    if (::getuid() == 0) options.arguments.insert(options.arguments.begin() + 1, "--system=no");
    options.environment = {{"HOME", home_.string()}, {"XDG_RUNTIME_DIR", runtime_.string()}};
    options.log = scratch_.path() / "pulse.log";
    sound_ = std::make_unique<DaemonProcess>("pulseaudio", options);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < deadline && sound_->running()) {
        if (std::filesystem::exists(socket)) {
            soundServer_ = "unix:" + socket.string();
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

std::optional<std::string> DesktopSession::call(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"--session", "--print-reply"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    // Its output goes with the call: tests poll the bus many times.
    const TempDir output;
    ChildProcess child("/usr/bin/dbus-send", all, {{"DBUS_SESSION_BUS_ADDRESS", busAddress_}}, output.path());
    if (child.wait(30s) != 0) return std::nullopt;
    return child.out();
}

std::vector<std::string> DesktopSession::busNames(const std::string& prefix) {
    std::vector<std::string> names;
    const auto reply =
        call({"--dest=org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.ListNames"});
    if (!reply) return names;
    std::istringstream lines(*reply);
    for (std::string line; std::getline(lines, line);) {
        const auto open = line.find("string \"");
        if (open == std::string::npos) continue;
        const auto start = open + 8;
        const auto end = line.find('"', start);
        const std::string name = line.substr(start, end - start);
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
}

bool DesktopSession::waitForBusName(const std::string& name, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& found : busNames(name))
            if (found == name) return true;
        std::this_thread::sleep_for(200ms);
    }
    return false;
}

} // namespace sorvalind::test
