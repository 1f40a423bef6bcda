#pragma once
// What the player bar shows, as one value read from the model and its
// playback controller, and the texts and symbols that follow from it. The
// bar keeps no playback state of its own: it re-reads this value whenever
// anything it watches changes.
//
// GUI thread only (the model's main actor).

#include "library/artist.h"
#include "library/song.h"
#include "playback/repeat_mode.h"

#include <QString>

#include <optional>
#include <vector>

namespace sorvalind {

class AppModel;

struct PlayerBarState {
    std::optional<Song> current;
    // The credits of `current`: its own list, else the legacy credits.
    std::vector<Artist> artists;
    bool isPlaying = false;
    bool buffering = false;
    double position = 0;
    double duration = 0;
    bool shuffle = false;
    RepeatMode repeatMode = RepeatMode::off;
    bool canGoNext = false;
    double volume = 0.8;
    bool queuePresented = false;
    bool artworkConnected = false;

    friend bool operator==(const PlayerBarState&, const PlayerBarState&) = default;
};

// Everything at its idle value when the model has no controller.
PlayerBarState readPlayerBarState(AppModel& model);

// Artwork and title lead to the album only for a song with an album.
bool hasAlbumLink(const std::optional<Song>& song);
QString playPauseSymbol(bool isPlaying);
QString playPauseHelp(bool buffering, bool isPlaying);
QString playPauseAccessibleName(bool buffering, bool isPlaying);
QString repeatSymbol(RepeatMode mode);
QString repeatHelp(RepeatMode mode);
QString speakerSymbol(double volume);
QString favoriteSymbol(const Song& song);
// The slider's upper end in seconds: never below 1, so that an unknown
// duration still gives a usable range.
double positionRange(double duration);

} // namespace sorvalind
