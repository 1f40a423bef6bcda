#include "shell/playback_preferences.h"

#include "shell/settings_texts.h"

#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "model/app_model.h"
#include "playback/playback_controller.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

namespace sorvalind {

PlaybackPreferences::PlaybackPreferences(std::weak_ptr<AppModel> model, QWidget* parent)
    : SettingsSection(SettingsTexts::playbackSection, parent), model_(std::move(model)),
      watch_(new ModelAdapter(this)), sendListening_(new QCheckBox(this)),
      streamingQuality_(qualityPicker(this)) {
    sendListening_->setText(menuText(toQString(SettingsTexts::sendListening)));
    sendListening_->setToolTip(plainToolTip(toQString(SettingsTexts::sendListeningHelp)));
    addWide(sendListening_);
    addRow(SettingsTexts::streamingQuality, streamingQuality_);
    addCaption(SettingsTexts::playbackCaption);

    // User actions only: values set from the controller never come back here.
    connect(sendListening_, &QCheckBox::clicked, this, [this](bool checked) {
        if (PlaybackController* controller = playback()) controller->setSendListeningEvents(checked);
    });
    connect(streamingQuality_, &QComboBox::activated, this, [this](int index) {
        if (PlaybackController* controller = playback()) controller->setStreamingQuality(qualityAt(index));
    });

    if (PlaybackController* controller = playback()) {
        watch_->watch(controller->sendListeningEvents());
        watch_->watch(controller->streamingQuality());
    }
    connect(watch_, &ModelAdapter::modelChanged, this, &PlaybackPreferences::render);
    render();
}

PlaybackController* PlaybackPreferences::playback() const {
    const std::shared_ptr<AppModel> model = model_.lock();
    return model ? model->playback().controller() : nullptr;
}

void PlaybackPreferences::render() {
    PlaybackController* controller = playback();
    setEnabled(controller != nullptr);
    if (!controller) return;
    {
        const QSignalBlocker blocker(sendListening_);
        sendListening_->setChecked(controller->sendListeningEvents().value());
    }
    showQuality(*streamingQuality_, controller->streamingQuality().value());
}

} // namespace sorvalind
