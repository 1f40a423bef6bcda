// The fake server of the downloads benchmark, in a process of its own so
// that the files it holds and the work of sending them count in neither
// side's figures: serves every FLAC file of the folder named on the command
// line under its name without the extension, prints its port on one line,
// and stops when its standard input closes. The files go out from memory
// as they are, through a content provider, so that the server copies no
// body for each answer.

#include "support/fake_subsonic_server.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using namespace sorvalind;

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    test::FakeSubsonicServer server;
    auto files = std::make_shared<std::map<std::string, std::shared_ptr<const std::string>>>();
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        if (entry.path().extension() != ".flac") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        (*files)[entry.path().stem().string()] = std::make_shared<const std::string>(bytes.str());
    }
    server.setMethod("download", [&server, files](const test::FakeRequest& request, httplib::Response& res) {
        auto found = files->find(request.param("id").value_or(""));
        if (found == files->end()) return server.failedResponse(res, 70, "Data not found");
        std::shared_ptr<const std::string> body = found->second;
        res.status = 200;
        res.set_content_provider(body->size(), "audio/flac",
                                 [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     sink.write(body->data() + offset,
                                                std::min(length, body->size() - offset));
                                     return true;
                                 });
    });
    std::printf("%d\n", server.port());
    std::fflush(stdout);
    char byte = 0;
    while (read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}
