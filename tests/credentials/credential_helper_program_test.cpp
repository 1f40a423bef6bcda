#include "credentials/credential_helper_client.h"
#include "credentials/credential_helper_process.h"
#include "credentials/credential_peer_verification.h"
#include "credentials/credential_store.h"
#include "errors/credential_error.h"
#include "platform/crypto/code_identity.h"
#include "platform/secret/memory_keychain.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const fs::path bin = fs::path(SORVALIND_BUILD_DIR) / "bin";

// Runs one of the built programs with the bytes on its standard input.
HelperProcessResult start(const fs::path& program, std::vector<std::string> arguments, std::string_view input,
                          std::vector<std::string> environment = {"PATH=/usr/bin:/bin"}) {
    int fd = ::open(program.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("missing " + program.string());
    arguments.insert(arguments.begin(), program.string());
    HelperProcessResult result =
        runHelperProcess(fd, arguments, environment, input, {credentialHelperMessageLimit, 60s});
    ::close(fd);
    return result;
}

HelperProcessResult throughGenuineParent(std::string_view request) {
    return start(bin / "sorvalind-credential-test-parent", {}, request);
}

TEST(CredentialHelperProgram, RefusesAParentTheManifestDoesNotName) {
    // This test program is not a trusted parent; the helper answers without
    // reading its input and still exits with 0.
    HelperProcessResult result = start(bin / credentialHelperFileName, {},
                                       R"({"operation":"load","account":"a","allowInteraction":false})");
    EXPECT_EQ(result.output, R"({"status":-25293})");
    EXPECT_EQ(result.exitStatus, 0);
}

TEST(CredentialHelperProgram, AnswersItsGenuineParentOverPipes) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"operation":"Load","account":"a","allowInteraction":false})", R"({"status":-25293})"},
        {R"({"operation":"save","account":"a","allowInteraction":false})", R"({"status":-25293})"},
        {R"({"operation":"lifecycle","account":"x","allowInteraction":false,"action":"create"})",
         R"({"status":-25293})"},
    };
    for (const auto& [request, expected] : cases)
        EXPECT_EQ(throughGenuineParent(request).output, expected);

    // The raw exchange shows the helper's exit status, 0 in every case.
    // Exactly the limit is decoded and reaches the keyring layer, which has
    // no session bus here; one byte more is refused unread.
    std::string load = R"({"operation":"load","account":"a","allowInteraction":false})";
    std::string atLimit = load + std::string(credentialHelperMessageLimit - load.size(), ' ');
    EXPECT_EQ(start(bin / "sorvalind-credential-test-parent", {"raw"}, atLimit).output,
              "0\n{\"status\":-25291}");
    EXPECT_EQ(start(bin / "sorvalind-credential-test-parent", {"raw"}, atLimit + " ").output,
              "0\n{\"status\":-25293}");
}

const std::string loadRequest = R"({"operation":"load","account":"a","allowInteraction":false})";

TEST(CredentialHelperProgram, RefusesAGenuineParentThatCouldCarryForeignCode) {
    // Each of these would let other code into the parent; the loader shrugs
    // off the missing files, so the parent itself runs as usual.
    const char* variables[] = {"LD_LIBRARY_PATH=/nonexistent", "LD_PRELOAD=/nonexistent/preload.so",
                               "LD_AUDIT=/nonexistent/audit.so"};
    for (const char* variable : variables) {
        HelperProcessResult result = start(bin / "sorvalind-credential-test-parent", {"raw"}, loadRequest,
                                           {"PATH=/usr/bin:/bin", variable});
        EXPECT_EQ(result.output, "0\n{\"status\":-25293}") << variable;
    }
    // The same parent with a clean environment gets past the check.
    EXPECT_EQ(start(bin / "sorvalind-credential-test-parent", {"raw"}, loadRequest).output,
              "0\n{\"status\":-25291}");
}

TEST(CredentialHelperProgram, RefusesAGenuineParentThatIsTraced) {
    HelperProcessResult result =
        start(bin / "sorvalind-credential-test-parent", {"raw", "traced"}, loadRequest);
    if (result.output == R"({"error":"untraceable"})") GTEST_SKIP() << "ptrace is not allowed here";
    EXPECT_EQ(result.output, "0\n{\"status\":-25293}");
}

TEST(CredentialPeerVerification, ParentStatusMustShowTheSameUserAndNoTracer) {
    const std::pair<std::string, bool> cases[] = {
        {"Name:\tapp\nUid:\t1000\t1000\t1000\t1000\nGid:\t1000\t1000\t1000\t1000\nTracerPid:\t0\n", true},
        {"TracerPid:\t0\nUid:\t1000 1000 1000 1000", true},
        {"Uid:\t1001\t1000\t1000\t1000\nTracerPid:\t0\n", false},
        {"Uid:\t1000\t1001\t1000\t1000\nTracerPid:\t0\n", false},
        {"Uid:\t1000\t1000\t1000\t0\nTracerPid:\t0\n", false},
        {"Uid:\t1000\t1000\t1000\nTracerPid:\t0\n", false},
        {"Uid:\t1000\t1000\t1000\t1000\nTracerPid:\t4242\n", false},
        {"Uid:\t1000\t1000\t1000\t1000\n", false},
        {"TracerPid:\t0\n", false},
        {"Uid:\t1000\t1000\t1000\t1000x\nTracerPid:\t0\n", false},
        {"Uid:\t1000\t1000\t1000\t1000\nTracerPid:\t\n", false},
        {"XUid:\t1000\t1000\t1000\t1000\nTracerPid:\t0\n", false},
        {"", false},
    };
    for (const auto& [status, accepted] : cases)
        EXPECT_EQ(CredentialPeerVerification::isUntracedProcessOf(status, 1000), accepted) << status;
}

TEST(CredentialHelperProgram, AnInstalledHelperNeverTrustsTheTestParent) {
    test::TempDir prefix;
    const std::string command = "cmake --install '" + std::string(SORVALIND_BUILD_DIR) + "' --prefix '" +
                                prefix.path().string() + "' --component credential-helper >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const fs::path installed = prefix.path() / "bin";
    EXPECT_FALSE(fs::exists(installed / "sorvalind-credential-test-parent"));
    std::optional<TrustManifest> manifest = loadTrustManifest(installed);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->helper, executableDigest(installed / credentialHelperFileName));
    const std::optional<std::string> testParent = executableDigest(bin / "sorvalind-credential-test-parent");
    ASSERT_TRUE(testParent);
    for (const std::string& parent : manifest->parents)
        EXPECT_NE(parent, *testParent);

    // Put beside the installed helper, the test parent still starts it (the
    // helper is genuine) and is refused by it.
    fs::copy_file(bin / "sorvalind-credential-test-parent", installed / "sorvalind-credential-test-parent");
    EXPECT_EQ(start(installed / "sorvalind-credential-test-parent", {"raw"}, loadRequest).output,
              "0\n{\"status\":-25293}");
}

class HelperCheck : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(bin / credentialHelperFileName, dir.path() / credentialHelperFileName);
        fs::copy_file(bin / trustManifestFileName, dir.path() / trustManifestFileName);
        ::chmod(dir.path().c_str(), 0755);
    }
    // -25293 means the helper was started (and refused this test as its
    // parent); 1 means the client refused to start it.
    int outcome() {
        CredentialHelperClient::Options options;
        options.helperDirectory = dir.path();
        CredentialHelperClient client({std::string(CredentialHelperClient::applicationId), true}, options);
        try {
            client.helperRequest({"load", "a", {}, false, {}}, KeychainBackend::secretService);
        } catch (const CredentialError& error) {
            return error.code().value_or(1);
        }
        return 0;
    }
    test::TempDir dir;
};

TEST_F(HelperCheck, TheGenuineHelperIsStarted) {
    EXPECT_EQ(outcome(), -25293);
}

// A password that is not UTF-8 cannot travel in the helper's JSON request: it
// fails the verification before any helper is started (a started helper would
// answer -25293, refusing this test as its parent).
TEST_F(HelperCheck, APasswordThatIsNotUTF8NeverReachesTheHelper) {
    CredentialHelperClient::Options options;
    options.helperDirectory = dir.path();
    CredentialHelperClient client({std::string(CredentialHelperClient::applicationId), true}, options);
    auto codeOf = [](const std::function<void()>& call) -> std::int32_t {
        try {
            call();
        } catch (const CredentialError& error) {
            return error.code().value_or(1);
        }
        return 0;
    };
    MemoryKeychain keychain(KeychainBackend::secretService);
    CredentialStore store(keychain, CredentialStore::Build::application, &client);
    EXPECT_EQ(codeOf([&] { store.save("caf\xE9", "a"); }), 1);
    EXPECT_EQ(codeOf([&] { store.save("caf\xC3\xA9", "a"); }), -25293);
    // The client's own guard, for any text of the request.
    EXPECT_EQ(codeOf([&] {
                  client.helperRequest({"save", "a", "\xFF", false, {}}, KeychainBackend::secretService);
              }),
              1);
    EXPECT_EQ(codeOf([&] {
                  client.helperRequest({"load", "caf\xE9", {}, false, {}}, KeychainBackend::secretService);
              }),
              1);
    EXPECT_EQ(keychain.calls(), 0);
}

TEST_F(HelperCheck, AReplacedOrExposedHelperIsNeverStarted) {
    fs::path helper = dir.path() / credentialHelperFileName;
    {
        std::FILE* f = std::fopen(helper.c_str(), "ab");
        ASSERT_TRUE(f);
        std::fputc(0, f);
        std::fclose(f);
    }
    EXPECT_EQ(outcome(), 1);
    fs::copy_file(bin / credentialHelperFileName, helper, fs::copy_options::overwrite_existing);
    ASSERT_EQ(outcome(), -25293);

    ::chmod((dir.path() / trustManifestFileName).c_str(), 0666);
    EXPECT_EQ(outcome(), 1);
    ::chmod((dir.path() / trustManifestFileName).c_str(), 0644);
    ::chmod(dir.path().c_str(), 0775);
    EXPECT_EQ(outcome(), 1);
    ::chmod(dir.path().c_str(), 0755);
    fs::remove(helper);
    EXPECT_EQ(outcome(), 1);
}

} // namespace
} // namespace sorvalind
