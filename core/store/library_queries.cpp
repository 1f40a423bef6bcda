#include "store/library_connection.h"

#include <stdexcept>

namespace sorvalind {
namespace {

[[noreturn]] void notYet() {
    throw std::logic_error("library query not implemented yet");
}

} // namespace

std::vector<Song> LibraryRepository::songs(const std::string&, SongSort, bool,
                                           const std::optional<std::string>&,
                                           const std::optional<std::string>&,
                                           const std::optional<std::string>&) {
    notYet();
}

std::int64_t LibraryRepository::songCount() {
    notYet();
}

std::optional<Song> LibraryRepository::song(const std::string&) {
    notYet();
}

std::optional<Album> LibraryRepository::album(const std::string&) {
    notYet();
}

std::vector<Album> LibraryRepository::albums(const std::string&, AlbumSort, bool,
                                             const std::optional<std::string>&) {
    notYet();
}

std::vector<Artist> LibraryRepository::artists(const std::string&) {
    notYet();
}

SearchResults LibraryRepository::search(const std::string&) {
    notYet();
}

std::vector<std::string> LibraryRepository::genres() {
    notYet();
}

ListeningStatistics LibraryRepository::listeningStatistics(std::stop_token) {
    notYet();
}

std::string LibraryRepository::ftsQuery(std::string_view) {
    notYet();
}

} // namespace sorvalind
