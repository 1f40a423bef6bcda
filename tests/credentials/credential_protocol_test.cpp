#include "credentials/credential_helper_client.h"
#include "credentials/credential_helper_service.h"
#include "platform/secret/memory_keychain.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

std::optional<std::int32_t> interpretFailure(const std::string& output, int exitStatus) {
    try {
        CredentialHelperClient::interpret({output, exitStatus});
    } catch (const CredentialError& error) {
        return error.code().value_or(1); // 1 marks a failed verification
    }
    return std::nullopt;
}

// A JSON object of exactly `size` bytes: the text padded with blanks.
std::string padded(const std::string& json, std::size_t size) {
    return json + std::string(size - json.size(), ' ');
}

TEST(CredentialHelperProtocol, RequestsTravelAsCompactJsonAndSurviveEscaping) {
    CredentialHelperRequest save{
        "save", "https://m.example/|ada", "q\"uo\\te \xC3\xA9\xF0\x9F\x8E\xB5", false, {}};
    EXPECT_EQ(encode(CredentialHelperRequest{"removeAll", "", {}, false, {}}),
              R"({"operation":"removeAll","account":"","allowInteraction":false})");
    EXPECT_EQ(decodeCredentialHelperRequest(encode(save)), save);
    CredentialHelperRequest lifecycle{"lifecycle", "id", {}, false, "read"};
    EXPECT_EQ(decodeCredentialHelperRequest(encode(lifecycle)), lifecycle);
    EXPECT_EQ(encode(CredentialHelperResponse{"", {}}), R"({"value":""})");
    EXPECT_EQ(encode(CredentialHelperResponse{{}, -25293}), R"({"status":-25293})");
}

TEST(CredentialHelperProtocol, RequestDecoding) {
    const std::pair<const char*, bool> cases[] = {
        {R"({"operation":"load","account":"a","allowInteraction":true})", true},
        {R"({"operation":"load","account":"a","allowInteraction":true,"extra":[1]})", true},
        {R"({"operation":"load","account":"a","allowInteraction":true,"password":null})", true},
        {R"({"operation":"load","account":"x"})", false},
        {R"({"operation":"load","allowInteraction":false})", false},
        {R"({"operation":"load","account":"a","allowInteraction":"yes"})", false},
        {R"({"operation":"save","account":"a","allowInteraction":false,"password":5})", false},
        {R"(["load"])", false},
        {"", false},
        {"{", false},
    };
    for (const auto& [text, ok] : cases)
        EXPECT_EQ(decodeCredentialHelperRequest(text).has_value(), ok) << text;
}

TEST(CredentialHelperProtocol, TheClientsReadingOfAnAnswer) {
    EXPECT_EQ(CredentialHelperClient::interpret({R"({"value":"pw"})", 0}), "pw");
    EXPECT_EQ(CredentialHelperClient::interpret({R"({"value":"","other":1})", 0}), "");
    const std::tuple<std::string, int, std::int32_t> failures[] = {
        {"", 0, 1},
        {R"({"value":"pw"})", 1, 1},
        {R"({})", 0, 1},
        {R"({"value":7})", 0, 1},
        {R"({"status":-25300})", 0, -25300},
        {R"({"value":"pw","status":-25308})", 0, -25308},
        {R"({"status":2147483648})", 0, 1},
        {R"({"status":1.5})", 0, 1},
        {"not json", 0, 1},
    };
    for (const auto& [output, exitStatus, code] : failures)
        EXPECT_EQ(interpretFailure(output, exitStatus), code) << output;

    const std::size_t limit = credentialHelperMessageLimit;
    EXPECT_EQ(CredentialHelperClient::interpret({padded(R"({"value":"big"})", limit), 0}), "big");
    EXPECT_EQ(interpretFailure(padded(R"({"value":"big"})", limit + 1), 0), 1);
}

TEST(CredentialHelperProtocol, OnlyAQuietLoadGetsTheShortTimeLimit) {
    // Everything but a load that forbids interaction may meet an unlock
    // prompt, and must not be killed while the user types a password.
    const std::pair<CredentialHelperRequest, bool> cases[] = {
        {{"load", "a", {}, false, {}}, false},
        {{"load", "a", {}, true, {}}, true},
        {{"save", "a", "pw", false, {}}, true},
        {{"remove", "a", {}, false, {}}, true},
        {{"removeAll", "", {}, false, {}}, true},
        {{"verify", "", {}, false, {}}, true},
        {{"lifecycle", "id", {}, false, "create"}, true},
    };
    for (const auto& [request, prompting] : cases)
        EXPECT_EQ(CredentialHelperClient::mayPrompt(request), prompting) << request.operation;
}

class CredentialHelperAnswer : public ::testing::Test {
protected:
    CredentialHelperResponse answer(const std::string& input) {
        return answerCredentialHelperInput(store, input);
    }
    static CredentialHelperResponse refused() { return {{}, credentialHelperRefusal}; }
    static CredentialHelperResponse value(std::string v) { return {std::move(v), {}}; }

    MemoryKeychain keychain;
    CredentialStore store{keychain, CredentialStore::Build::helper};
};

TEST_F(CredentialHelperAnswer, RefusalsLeaveTheKeyringUntouched) {
    const char* refusedInputs[] = {
        "",
        R"({"operation":"load","account":"x"})",
        R"({"operation":"save","account":"a","allowInteraction":false})",
        R"({"operation":"Load","account":"a","allowInteraction":false})",
        R"({"operation":"lifecycle","account":"6F1C2B7A-0D3E-4C5F-9A8B-1C2D3E4F5A6B","allowInteraction":false})",
        R"({"operation":"lifecycle","account":"not-a-uuid","allowInteraction":false,"action":"create"})",
    };
    for (const char* input : refusedInputs)
        EXPECT_EQ(answer(input), refused()) << input;
    EXPECT_EQ(keychain.calls(), 0);

    const std::string load = R"({"operation":"load","account":"a","allowInteraction":false})";
    EXPECT_EQ(answer(padded(load, credentialHelperMessageLimit + 1)), refused());
    EXPECT_EQ(keychain.calls(), 0);
    EXPECT_EQ(answer(padded(load, credentialHelperMessageLimit)), (CredentialHelperResponse{{}, -25300}));
}

TEST_F(CredentialHelperAnswer, OperationsAnswerWithTheirValues) {
    EXPECT_EQ(answer(R"({"operation":"remove","account":"a","allowInteraction":false})"), value(""));
    EXPECT_EQ(answer(R"({"operation":"save","account":"a","password":"pw","allowInteraction":true,"x":1})"),
              value(""));
    EXPECT_EQ(answer(R"({"operation":"load","account":"a","allowInteraction":false})"), value("pw"));
    EXPECT_EQ(answer(R"({"operation":"verify","account":"","allowInteraction":false})"),
              value(std::string(CredentialStore::memoryVerified)));
    EXPECT_EQ(answer(R"({"operation":"lifecycle","account":"6f1c2b7a-0d3e-4c5f-9a8b-1c2d3e4f5a6b",)"
                     R"("allowInteraction":false,"action":"create"})"),
              value("Credential lifecycle probe passed."));
    EXPECT_EQ(answer(R"({"operation":"removeAll","account":"","allowInteraction":false})"), value(""));
    EXPECT_FALSE(keychain.secret(std::string(CredentialStore::helperService), "a"));
    keychain.setLocked(true);
    EXPECT_EQ(answer(R"({"operation":"load","account":"a","allowInteraction":false})"),
              (CredentialHelperResponse{{}, -25308}));
}

// A stored secret that is not UTF-8 has no JSON form: the helper refuses it
// with an answer it can write, instead of failing to encode its reply.
TEST_F(CredentialHelperAnswer, AStoredSecretThatIsNotUTF8IsRefused) {
    keychain.seed(std::string(CredentialStore::helperService), "a", "caf\xE9");
    CredentialHelperResponse response =
        answer(R"({"operation":"load","account":"a","allowInteraction":false})");
    EXPECT_EQ(response, refused());
    EXPECT_EQ(encode(response), R"({"status":-25293})");
}

} // namespace
} // namespace sorvalind
