#include "support/full_song.h"

#include <string>
#include <vector>

namespace sorvalind::test {

Song fullSong(int n) {
    const std::string k = std::to_string(n);
    Song song = Song::make("song-" + k, "Title number " + k, "Artist " + k, "album-" + k);
    song.album = "Album " + k;
    song.artistId = "artist-" + k;
    song.artists = std::vector{Artist::make("artist-" + k, "Artist " + k), Artist::make("guest", "Guest")};
    Artist albumArtist = Artist::make("artist-" + k, "Artist " + k);
    albumArtist.coverArt = "ar-" + k;
    albumArtist.albumCount = 3;
    albumArtist.starred = "2023-03-27T09:45:27Z";
    albumArtist.userRating = 4;
    song.albumArtists = std::vector{albumArtist};
    song.contributors =
        std::vector{Contributor::make("composer", "lyrics", Artist::make("c-" + k, "C " + k)),
                    Contributor::make("producer", std::nullopt, Artist::make("p-" + k, "P " + k))};
    song.displayComposer = "C " + k;
    song.displayAlbumArtist = "Artist " + k;
    song.genres = std::vector{ItemGenre{"Rock"}, ItemGenre{"Live"}};
    song.genre = "Rock";
    song.coverArt = "mf-" + k;
    song.duration = 180.5 + n;
    song.track = n % 20 + 1;
    song.discNumber = 1;
    song.year = 1990 + n % 30;
    song.suffix = "flac";
    song.contentType = "audio/flac";
    song.size = 30'000'000 + n;
    song.bitRate = 880;
    song.samplingRate = 44100;
    song.bitDepth = 16;
    song.channelCount = 2;
    song.path = "Artist " + k + "/Album " + k + "/" + k + ".flac";
    song.comment = "a comment";
    song.bpm = 120;
    song.starred = "2023-03-27T09:45:27Z";
    song.userRating = n % 6;
    song.playCount = n;
    song.played = "2023-03-26T22:27:46Z";
    song.created = "2023-03-14T17:51:22.112827504Z";
    song.isVideo = false;
    return song;
}

} // namespace sorvalind::test
