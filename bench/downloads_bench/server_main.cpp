// The fake server of the downloads benchmark, in a process of its own so
// that the files it holds and the work of sending them count in neither
// side's figures: serves every FLAC file of the folder named on the command
// line under its name without the extension, prints its port on one line,
// and stops when its standard input closes. The files go out from memory
// as they are, so that the server copies no body for an answer.

#include "sync_bench/server_side.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

using namespace sorvalind;

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    loopback::FakeSubsonicServer server;
    auto files = std::make_shared<std::map<std::string, std::shared_ptr<const std::string>>>();
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        if (entry.path().extension() != ".flac") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        (*files)[entry.path().stem().string()] = std::make_shared<const std::string>(bytes.str());
    }
    server.setMethod("download",
                     [&server, files](const loopback::FakeRequest& request, httplib::Response& res) {
                         auto found = files->find(request.param("id").value_or(""));
                         if (found == files->end()) return server.failedResponse(res, 70, "Data not found");
                         res.status = 200;
                         bench::provideBody(res, found->second, "audio/flac");
                     });
    return bench::serveUntilInputCloses(server);
}
