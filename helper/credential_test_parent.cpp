// Test-only stand-in for the application as the helper's parent: it runs
// the application's side of the exchange for a request read from standard
// input and prints what came of it. It is trusted only by the manifest of the
// build tree and is never installed.
//
//   sorvalind-credential-test-parent        one request; prints {"value":...},
//                                           {"status":...} or {"error":"verification"}
//   sorvalind-credential-test-parent raw    passes the bytes through as they are;
//                                           prints the exit status, a line feed
//                                           and the helper's output
//   ... traced                              either of the above while a child of
//                                           this program traces it; prints
//                                           {"error":"untraceable"} when the
//                                           system does not allow that

#include "credentials/credential_helper_client.h"
#include "errors/credential_error.h"

#include <cerrno>
#include <iostream>
#include <iterator>
#include <string>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child process that attaches to this one with ptrace and lets every signal
// through, so the program runs on as usual but shows a tracer. It detaches by
// exiting when the pipe to it closes, and is reaped on destruction.
class Tracer {
public:
    Tracer() {
        int ready[2], stop[2];
        if (::pipe(ready) != 0 || ::pipe(stop) != 0) return;
        ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
        const pid_t tracee = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(0);
            ::close(1); // the reader of this program's output waits for no tracer
            ::close(ready[0]);
            ::close(stop[1]);
            run(tracee, ready[1], stop[0]);
        }
        ::close(ready[1]);
        ::close(stop[0]);
        stop_ = stop[1];
        char attached = 0;
        attached_ = pid_ > 0 && ::read(ready[0], &attached, 1) == 1 && attached == 1;
        ::close(ready[0]);
    }
    ~Tracer() {
        if (stop_ >= 0) ::close(stop_);
        if (pid_ > 0)
            while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
            }
    }
    Tracer(const Tracer&) = delete;
    Tracer& operator=(const Tracer&) = delete;
    bool attached() const noexcept { return attached_; }

private:
    [[noreturn]] static void run(pid_t tracee, int ready, int stop) {
        char attached = ::ptrace(PTRACE_SEIZE, tracee, nullptr, nullptr) == 0 ? 1 : 0;
        (void)!::write(ready, &attached, 1);
        ::close(ready);
        if (!attached) ::_exit(0);
        // Every stop of the tracee is a signal on its way (a child's exit,
        // say): pass it on at once. Exiting detaches.
        while (true) {
            pollfd wake{stop, POLLIN, 0};
            if (::poll(&wake, 1, 10) > 0) ::_exit(0);
            int status = 0;
            pid_t got = ::waitpid(tracee, &status, WNOHANG | __WALL);
            if (got < 0) ::_exit(0);
            if (got == tracee && WIFSTOPPED(status)) {
                int signal = (status >> 16) == 0 ? WSTOPSIG(status) : 0;
                ::ptrace(PTRACE_CONT, tracee, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
            }
        }
    }

    pid_t pid_ = -1;
    int stop_ = -1;
    bool attached_ = false;
};

} // namespace

int main(int argc, char** argv) {
    using namespace sorvalind;
    bool raw = false, traced = false;
    for (int i = 1; i < argc; ++i) {
        raw = raw || std::string(argv[i]) == "raw";
        traced = traced || std::string(argv[i]) == "traced";
    }
    std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    CredentialHelperClient client(
        CredentialHelperGate{std::string(CredentialHelperClient::applicationId), true});
    std::optional<Tracer> tracer;
    if (traced) {
        tracer.emplace();
        if (!tracer->attached()) {
            std::cout << R"({"error":"untraceable"})";
            return 0;
        }
    }
    try {
        if (raw) {
            CredentialHelperClient::RawAnswer answer = client.exchange(input, false);
            std::cout << answer.exitStatus << '\n' << answer.output;
            return 0;
        }
        std::optional<CredentialHelperRequest> request = decodeCredentialHelperRequest(input);
        if (!request) return 2;
        std::optional<std::string> value = client.helperRequest(*request, KeychainBackend::secretService);
        std::cout << encode(CredentialHelperResponse{value, std::nullopt});
    } catch (const CredentialError& error) {
        if (error.code())
            std::cout << encode(CredentialHelperResponse{std::nullopt, *error.code()});
        else
            std::cout << R"({"error":"verification"})";
    }
    return 0;
}
