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

#include "server/credential_error.h"
#include "server/credential_helper_client.h"

#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    using namespace sorvalind;
    std::string input((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    CredentialHelperClient client(
        CredentialHelperGate{std::string(CredentialHelperClient::applicationId), true});
    try {
        if (argc > 1 && std::string(argv[1]) == "raw") {
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
