#include "songs/player_bar_state.h"

#include "kit/artwork_slot.h"
#include "model/app_model.h"
#include "model/playback_control.h"
#include "playback/playback_controller.h"

#include <algorithm>

namespace sorvalind {

PlayerBarState readPlayerBarState(AppModel& model) {
    PlayerBarState state;
    state.queuePresented = model.queuePresented().value();
    state.artworkConnected = artworkConnected(model);
    PlaybackController* controller = model.playback().controller();
    if (!controller) return state;
    state.current = controller->current();
    state.isPlaying = controller->isPlaying().value();
    state.buffering = controller->buffering().value();
    state.position = controller->position().value();
    state.duration = controller->duration();
    state.shuffle = controller->queue().value().shuffle;
    state.repeatMode = controller->queue().value().repeatMode;
    state.canGoNext = controller->canGoNext();
    state.volume = controller->volume().value();
    if (state.current) {
        const Song& song = *state.current;
        if (song.artists && !song.artists->empty())
            state.artists = *song.artists;
        else
            state.artists = model.legacyArtistCredits(song.artist, song.artistId);
    }
    return state;
}

bool hasAlbumLink(const std::optional<Song>& song) {
    return song && song->albumId && !song->albumId->empty();
}

QString playPauseSymbol(bool isPlaying) {
    return isPlaying ? QStringLiteral("pause.fill") : QStringLiteral("play.fill");
}

QString playPauseHelp(bool buffering, bool isPlaying) {
    if (buffering) return QStringLiteral("Loading audio… Click to pause or resume");
    return isPlaying ? QStringLiteral("Pause") : QStringLiteral("Play");
}

QString playPauseAccessibleName(bool buffering, bool isPlaying) {
    if (buffering) return QStringLiteral("Loading audio");
    return isPlaying ? QStringLiteral("Pause") : QStringLiteral("Play");
}

QString repeatSymbol(RepeatMode mode) {
    return mode == RepeatMode::one ? QStringLiteral("repeat.1") : QStringLiteral("repeat");
}

QString repeatHelp(RepeatMode mode) {
    const std::string_view raw = mode.rawValue();
    return QStringLiteral("Repeat: ") + QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
}

QString speakerSymbol(double volume) {
    return volume == 0 ? QStringLiteral("speaker.slash") : QStringLiteral("speaker.wave.2");
}

QString favoriteSymbol(const Song& song) {
    return song.starred ? QStringLiteral("heart.fill") : QStringLiteral("heart");
}

double positionRange(double duration) {
    return std::max(duration, 1.0);
}

} // namespace sorvalind
