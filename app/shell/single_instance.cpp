#include "shell/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace sorvalind {

namespace {

constexpr char raiseRequest[] = "raise main\n";
constexpr char raisedAnswer = 'r';

std::string environment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value == '/' ? std::string(value) : fallback;
}

// The profile: where its settings and libraries live.
std::string profileKey() {
    const std::string home = environment("HOME", "/");
    const std::string text = environment("XDG_CONFIG_HOME", home + "/.config") + "\n" +
                             environment("XDG_DATA_HOME", home + "/.local/share");
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    for (int i = 15; i >= 0; --i, hash >>= 4)
        hex[i] = "0123456789abcdef"[hash & 0xF];
    hex[16] = 0;
    return hex;
}

std::filesystem::path runtimeFolder() {
    std::string folder = environment("XDG_RUNTIME_DIR", "");
    if (folder.empty()) {
        folder = "/tmp/sorvalind-runtime-" + std::to_string(::getuid());
        ::mkdir(folder.c_str(), 0700);
    }
    return folder;
}

} // namespace

std::filesystem::path SingleInstance::lockFile() {
    return runtimeFolder() / ("sorvalind-" + profileKey() + ".lock");
}

std::filesystem::path SingleInstance::socketFile() {
    return runtimeFolder() / ("sorvalind-" + profileKey() + ".socket");
}

std::unique_ptr<SingleInstance> SingleInstance::claim() {
    const int lock = ::open(lockFile().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // Without a lock file there is no way to tell: run.
    if (lock < 0) return std::unique_ptr<SingleInstance>(new SingleInstance(-1));
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        ::close(lock);
        return nullptr;
    }
    return std::unique_ptr<SingleInstance>(new SingleInstance(lock));
}

bool SingleInstance::askRunningInstance(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string path = socketFile();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // The first instance may still be starting: try again until the deadline.
    while (std::chrono::steady_clock::now() < deadline) {
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (socket < 0) return false;
        bool answered = false;
        if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            ::send(socket, raiseRequest, sizeof raiseRequest - 1, MSG_NOSIGNAL) ==
                static_cast<ssize_t>(sizeof raiseRequest - 1)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{socket, POLLIN, 0};
            char answer = 0;
            if (::poll(&wait, 1, static_cast<int>(std::max<long long>(left.count(), 0))) == 1 &&
                ::recv(socket, &answer, 1, 0) == 1)
                answered = answer == raisedAnswer;
        }
        ::close(socket);
        if (answered) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

SingleInstance::SingleInstance(int lock) noexcept : lock_(lock) {}

SingleInstance::~SingleInstance() {
    server_.reset();
    if (lock_ >= 0) ::close(lock_);
}

bool SingleInstance::listen(std::function<void()> raise) {
    raise_ = std::move(raise);
    const QString name = QString::fromStdString(socketFile().string());
    // A socket left by a process that died: the lock says nobody serves it.
    QLocalServer::removeServer(name);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [this, client] {
                if (!client->canReadLine()) return;
                const QByteArray request = client->readLine();
                if (request == raiseRequest && raise_) raise_();
                client->write(&raisedAnswer, 1);
                client->flush();
                client->disconnectFromServer();
            });
        }
    });
    return server_->listen(name);
}

} // namespace sorvalind
