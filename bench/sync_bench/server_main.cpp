// The fake server of the synchronisation benchmark, in a process of its own
// so that its library does not count in the client's memory: serves the
// generated library of the size given on the command line, prints its port
// on one line, and stops when its standard input closes.

#include "loopback/generated_library.h"
#include "sync_bench/server_side.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace sorvalind;

int main(int argc, char** argv) {
    const int songs = argc > 1 ? std::atoi(argv[1]) : 100'000;
    const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(songs));
    loopback::FakeSubsonicServer::Options options;
    options.library = {0, 0, 0, 0, 0};
    loopback::FakeSubsonicServer server(options);
    server.withLibrary([&](loopback::FakeLibrary& served) {
        const auto& shape = library.shape();
        for (int i = 0; i < shape.artists; ++i)
            served.artists.push_back(library.artist(i).encode());
        for (int i = 0; i < shape.albums; ++i)
            served.albums.push_back(library.album(i).encode());
        for (int i = 0; i < shape.songs; ++i)
            served.songs.push_back(library.song(i).encode());
    });
    // Answers go out as they are: compressing 100,000 songs' worth of pages
    // would make the server, not the client, the figure. A body with a known
    // length from a content provider is never compressed.
    for (const char* method : {"search3", "getPlaylists", "getPlaylist"}) {
        auto standard = server.method(method);
        server.setMethod(method, [standard](const loopback::FakeRequest& request, httplib::Response& res) {
            standard(request, res);
            auto body = std::make_shared<const std::string>(std::move(res.body));
            res.body.clear();
            bench::provideBody(res, std::move(body), res.get_header_value("Content-Type"));
        });
    }
    return bench::serveUntilInputCloses(server);
}
