// Credential query items left out of URL and request descriptions.
#include "http/http_request.h"
#include "http/url_redaction.h"
#include "platform/curl/url.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

TEST(UrlRedaction, RedactedDescriptionDropsCredentials) {
    Url url = Url::parse("https://me:pw@host.example:8443/rest/stream.view?u=alice&T=tok&s=salt&p=pw&apiKey=k"
                         "&id=so-1&Password=x&access_token=y&format=raw#frag");
    std::string text = redactedDescription(url);
    EXPECT_EQ(text, "https://host.example:8443/rest/stream.view?id=so-1&format=raw");
    HttpRequest request(url);
    request.setFormBody({{"u", "alice"}, {"p", "secret"}});
    EXPECT_EQ(request.redactedDescription(), "POST " + text);
    EXPECT_EQ(request.redactedDescription().find("secret"), std::string::npos);
}

} // namespace
} // namespace sorvalind
