#pragma once
// What the benchmarks' fake server processes share: answering with a body
// they hold through a content provider (never copied for an answer, and a
// body of known length is never compressed), and the life of the process:
// its port printed on one line, serving until its standard input closes.

#include "loopback/fake_subsonic_server.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace sorvalind::bench {

inline void provideBody(httplib::Response& res, std::shared_ptr<const std::string> body,
                        const std::string& contentType) {
    res.set_content_provider(body->size(), contentType,
                             [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 sink.write(body->data() + offset, std::min(length, body->size() - offset));
                                 return true;
                             });
}

inline int serveUntilInputCloses(const loopback::FakeSubsonicServer& server) {
    std::printf("%d\n", server.port());
    std::fflush(stdout);
    char byte = 0;
    while (read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}

} // namespace sorvalind::bench
