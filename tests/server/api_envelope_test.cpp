#include "server/api_envelope.h"

#include "errors/api_error.h"
#include "library/json_element.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvalind {
namespace {

// What one answer gives: the envelope's check, then its result under "x".
enum class Outcome { value, decoding, server, response };

struct EnvelopeCase {
    const char* body;
    Outcome outcome;
    int code = 0; // for server
};

std::string wrapped(const std::string& inner) {
    return R"({"subsonic-response":{"status":"ok","version":"1.16.1")" + inner + "}}";
}

const EnvelopeCase kCases[] = {
    // Not an envelope: the decoding error.
    {"", Outcome::decoding},
    {"<html>Not found</html>", Outcome::decoding},
    {R"({"subsonic-response":{"status":"ok","x":{}})", Outcome::decoding}, // cut short
    {"[]", Outcome::decoding},
    {"{}", Outcome::decoding},
    {R"({"subsonic-response":null})", Outcome::decoding},
    {R"({"subsonic-response":[]})", Outcome::decoding},
    {R"({"subsonic-response":{}})", Outcome::decoding},
    {R"({"subsonic-response":{"status":1}})", Outcome::decoding},
    {R"({"subsonic-response":{"status":"failed","error":{"code":"40"}}})", Outcome::decoding},
    {R"({"subsonic-response":{"status":"failed","error":{"code":4.5}}})", Outcome::decoding},
    {R"({"subsonic-response":{"status":"failed","error":{"code":4294967296}}})", Outcome::decoding},
    {R"({"subsonic-response":{"status":"failed","error":{"message":"m"}}})", Outcome::decoding},
    {R"({"subsonic-response":{"status":"ok","error":{"code":1,"message":3}}})", Outcome::decoding},
    {R"({"subsonic-response":{"status":"ok","error":[]}})", Outcome::decoding},
    // A status other than "ok": the server's code, 0 without one.
    {R"({"subsonic-response":{"status":"failed","error":{"code":40,"message":"Wrong"}}})", Outcome::server,
     40},
    {R"({"subsonic-response":{"status":"failed","version":"1.16.1","error":{"code":0,"message":"Unknown method"}}})",
     Outcome::server, 0},
    {R"({"subsonic-response":{"status":"failed"}})", Outcome::server, 0},
    {R"({"subsonic-response":{"status":"OK","error":null}})", Outcome::server, 0},
    // A missing, null or scalar result: response.
    {R"({"subsonic-response":{"status":"ok"}})", Outcome::response},
    {R"({"subsonic-response":{"status":"ok","x":null}})", Outcome::response},
    {R"({"subsonic-response":{"status":"ok","x":5}})", Outcome::response},
    {R"({"subsonic-response":{"status":"ok","x":"text"}})", Outcome::response},
    {R"({"subsonic-response":{"status":"ok","x":false}})", Outcome::response},
    // Objects and lists are results; the keys around them do not matter.
    {R"({"subsonic-response":{"x":{},"status":"ok"}})", Outcome::value},
    {R"({"subsonic-response":{"status":"ok","x":[]},"other":1})", Outcome::value},
};

Outcome outcomeOf(const std::string& body, int& code) {
    try {
        APIEnvelope envelope(body);
        (void)envelope.result("x");
        return Outcome::value;
    } catch (const DecodingError&) {
        return Outcome::decoding;
    } catch (const APIError& error) {
        if (error.kind() == APIError::Case::response) return Outcome::response;
        EXPECT_EQ(error.kind(), APIError::Case::server) << body;
        code = error.code();
        return Outcome::server;
    }
}

TEST(APIEnvelope, EachAnswerHasOneOutcome) {
    for (const auto& c : kCases) {
        int code = -1;
        EXPECT_EQ(outcomeOf(c.body, code), c.outcome) << c.body;
        if (c.outcome == Outcome::server) {
            EXPECT_EQ(code, c.code) << c.body;
        }
    }
}

TEST(APIEnvelope, TheResultIsReadFromTheOneParse) {
    APIEnvelope envelope(wrapped(R"(,"x":{"name":"a \u00e9"},"y":[1,2])"));
    EXPECT_EQ(json_element::stringOf(*json_element::member(envelope.result("x"), "name")), "a \u00e9");
    EXPECT_EQ(json_element::arrayOf(envelope.result("y")).size(), 2u);
    EXPECT_TRUE(envelope.response().is_object());
    // The envelope may move (to the operation that reads it) and stays valid.
    APIEnvelope moved = std::move(envelope);
    EXPECT_EQ(json_element::arrayOf(moved.result("y")).size(), 2u);
}

TEST(APIEnvelope, FailedEnvelopeCode) {
    EXPECT_EQ(failedEnvelopeCode(R"({"subsonic-response":{"status":"failed","error":{"code":70}}})"), 70);
    EXPECT_EQ(failedEnvelopeCode(R"({"subsonic-response":{"status":"failed"}})"), 0);
    EXPECT_EQ(failedEnvelopeCode(wrapped("")), std::nullopt);
    EXPECT_EQ(failedEnvelopeCode("404 page not found"), std::nullopt);
}

} // namespace
} // namespace sorvalind
