#include "platform/mpris_root_adaptor.h"

#include "platform/mpris_service.h"

namespace sorvalind {

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(service) {}

bool MprisRootAdaptor::canQuit() const {
    return service_->canQuit();
}

bool MprisRootAdaptor::canRaise() const {
    return service_->canRaise();
}

void MprisRootAdaptor::Raise() {
    service_->raise();
}

void MprisRootAdaptor::Quit() {
    service_->quit();
}

} // namespace sorvalind
