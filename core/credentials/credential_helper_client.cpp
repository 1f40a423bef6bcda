#include "credentials/credential_helper_client.h"

#include "credentials/credential_helper_process.h"
#include "errors/credential_error.h"
#include "platform/crypto/code_identity.h"

#include <cstdlib>
#include <exception>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvalind {
namespace {

class OpenFile {
public:
    explicit OpenFile(int fd) noexcept : fd_(fd) {}
    ~OpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int get() const noexcept { return fd_; }

private:
    int fd_;
};

// The helper reaches the keyring over the session bus: it gets the bus this
// program uses, and nothing else of its environment.
std::vector<std::string> helperEnvironment() {
    std::vector<std::string> environment{std::string(CredentialHelperClient::childPath)};
    if (const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS"); bus && *bus) {
        environment.push_back(std::string("DBUS_SESSION_BUS_ADDRESS=") + bus);
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::filesystem::path socket = std::filesystem::path(runtime) / "bus";
        std::error_code error;
        if (std::filesystem::is_socket(socket, error))
            environment.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + socket.string());
    }
    return environment;
}

} // namespace

bool CredentialHelperClient::inUse(KeychainBackend backend) const noexcept {
    return gate_.applicationId == applicationId && gate_.helperEnabled &&
           backend == KeychainBackend::secretService;
}

bool CredentialHelperClient::mayPrompt(const CredentialHelperRequest& request) noexcept {
    // Writing to, deleting from or self-testing a locked keyring unlocks it
    // first, whatever the request's flag says; only a load can be kept quiet.
    return request.operation != "load" || request.allowInteraction;
}

std::optional<std::string> CredentialHelperClient::helperRequest(const CredentialHelperRequest& request,
                                                                 KeychainBackend backend) const {
    if (!inUse(backend)) return std::nullopt;
    std::string input;
    try {
        input = encode(request);
    } catch (const std::exception&) {
        // Text that is not UTF-8 has no JSON form: the request cannot be
        // sent, and the user sees the store's own failure, not the encoder's.
        throw CredentialError::verification();
    }
    return interpret(exchange(input, mayPrompt(request)));
}

CredentialHelperClient::RawAnswer CredentialHelperClient::exchange(std::string_view input,
                                                                   bool prompting) const {
    std::filesystem::path folder = options_.helperDirectory;
    if (folder.empty()) {
        std::optional<std::filesystem::path> self = ownExecutable();
        if (!self) throw CredentialError::verification();
        folder = self->parent_path();
    }
    const std::filesystem::path helper = folder / credentialHelperFileName;

    // Checked and started through one descriptor, so the file cannot be
    // swapped in between.
    OpenFile file(::open(helper.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (file.get() < 0) throw CredentialError::verification();
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & S_IXUSR) == 0 ||
        !hasTrustedOwnership(info) || !isTrustedFile(helper))
        throw CredentialError::verification();
    std::optional<TrustManifest> manifest = loadTrustManifest(folder);
    std::optional<std::string> digest = executableDigest(file.get());
    if (!manifest || !digest || *digest != manifest->helper) throw CredentialError::verification();

    HelperProcessLimits limits{credentialHelperMessageLimit,
                               prompting ? options_.interactiveTimeout : options_.timeout};
    HelperProcessResult run =
        runHelperProcess(file.get(), {helper.string()}, helperEnvironment(), input, limits);
    return {std::move(run.output), run.exitStatus};
}

std::string CredentialHelperClient::interpret(const RawAnswer& answer) {
    if (answer.output.size() > credentialHelperMessageLimit || answer.exitStatus != 0)
        throw CredentialError::verification();
    std::optional<CredentialHelperResponse> response = decodeCredentialHelperResponse(answer.output);
    if (!response) throw CredentialError::verification();
    if (response->status) throw CredentialError::status(*response->status);
    if (!response->value) throw CredentialError::verification();
    return std::move(*response->value);
}

} // namespace sorvalind
