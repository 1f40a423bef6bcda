#pragma once
// The settings page's "Playback" section, bound to the playback controller:
// listening reports and the streaming quality. A user's change goes straight
// to the controller's setter; the controller's values come back without
// echoing. GUI thread only; the model is held weakly and the controller is
// looked up through it on every use, so a model gone leaves the section
// inert.

#include "shell/settings_section.h"

#include <memory>

class QCheckBox;
class QComboBox;

namespace sorvalind {

class AppModel;
class ModelAdapter;
class PlaybackController;

class PlaybackPreferences : public SettingsSection {
    Q_OBJECT

public:
    PlaybackPreferences(std::weak_ptr<AppModel> model, QWidget* parent = nullptr);

    QCheckBox* sendListening() const noexcept { return sendListening_; }
    QComboBox* streamingQuality() const noexcept { return streamingQuality_; }

private:
    void render();
    // None when the model is gone or plays through no controller.
    PlaybackController* playback() const;

    std::weak_ptr<AppModel> model_;
    ModelAdapter* watch_;
    QCheckBox* sendListening_;
    QComboBox* streamingQuality_;
};

} // namespace sorvalind
