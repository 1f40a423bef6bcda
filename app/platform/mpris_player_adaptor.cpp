#include "platform/mpris_player_adaptor.h"

#include "platform/mpris_service.h"

namespace sorvalind {

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(service) {
    connect(service, &MprisService::seeked, this, &MprisPlayerAdaptor::Seeked);
}

QString MprisPlayerAdaptor::playbackStatus() const {
    return service_->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    return service_->metadata();
}

qlonglong MprisPlayerAdaptor::position() const {
    return service_->positionMicroseconds();
}

bool MprisPlayerAdaptor::canGoNext() const {
    return service_->canGoNext();
}

bool MprisPlayerAdaptor::canGoPrevious() const {
    return service_->canGoPrevious();
}

bool MprisPlayerAdaptor::canPlay() const {
    return service_->canPlay();
}

bool MprisPlayerAdaptor::canPause() const {
    return service_->canPause();
}

bool MprisPlayerAdaptor::canSeek() const {
    return service_->canSeek();
}

void MprisPlayerAdaptor::Next() {
    service_->next();
}

void MprisPlayerAdaptor::Previous() {
    service_->previous();
}

void MprisPlayerAdaptor::Pause() {
    service_->pause();
}

void MprisPlayerAdaptor::PlayPause() {
    service_->playPause();
}

void MprisPlayerAdaptor::Stop() {
    service_->stop();
}

void MprisPlayerAdaptor::Play() {
    service_->play();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    service_->seekBy(Offset);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    service_->setPosition(TrackId.path(), Position);
}

} // namespace sorvalind
