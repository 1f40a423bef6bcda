#pragma once
// Plays an album from its first song: its stored songs in disc and track
// order, read on the store's queue, then handed to playback when the list is
// not empty. The model is held weakly, so a model replaced meanwhile plays
// nothing; a failed read goes to the model's error.
//
// GUI thread only (the GUI thread is the model's main actor).

#include "library/album.h"

#include <memory>

namespace sorvalind {

class AppModel;

void playAlbum(const std::shared_ptr<AppModel>& model, const Album& album);

} // namespace sorvalind
