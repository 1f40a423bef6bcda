#include "platform/secret/memory_keychain.h"

namespace sorvalind {

std::optional<KeychainFault> MemoryKeychain::fault(KeychainOperation operation,
                                                   const std::string& service) const {
    for (const KeychainFault& f : faults_)
        if (f.operation == operation && (f.service.empty() || f.service == service)) return f;
    return std::nullopt;
}

KeychainStatus MemoryKeychain::save(const std::string& service, const std::string& account,
                                    std::string_view secret) {
    std::lock_guard lock(mutex_);
    ++calls_;
    if (auto f = fault(KeychainOperation::save, service)) return f->status;
    items_[{service, account}] = std::string(secret);
    return keychain_status::success;
}

KeychainRead MemoryKeychain::load(const std::string& service, const std::string& account,
                                  bool allowInteraction) {
    std::lock_guard lock(mutex_);
    ++calls_;
    std::optional<KeychainFault> f = fault(KeychainOperation::load, service);
    if (f && f->status != keychain_status::success) return {f->status, {}};
    if (locked_) {
        if (!allowInteraction) return {keychain_status::interactionNotAllowed, {}};
        if (promptOutcome_ != keychain_status::success) return {promptOutcome_, {}};
        locked_ = false;
    }
    auto it = items_.find({service, account});
    if (it == items_.end()) return {keychain_status::itemNotFound, {}};
    if (f && f->substituteSecret) return {keychain_status::success, *f->substituteSecret};
    return {keychain_status::success, it->second};
}

KeychainStatus MemoryKeychain::remove(const std::string& service, const std::string& account) {
    std::lock_guard lock(mutex_);
    ++calls_;
    if (auto f = fault(KeychainOperation::remove, service)) return f->status;
    return items_.erase({service, account}) ? keychain_status::success : keychain_status::itemNotFound;
}

KeychainStatus MemoryKeychain::removeAll(const std::string& service) {
    std::lock_guard lock(mutex_);
    ++calls_;
    if (auto f = fault(KeychainOperation::removeAll, service)) return f->status;
    std::size_t removed =
        std::erase_if(items_, [&](const auto& item) { return item.first.first == service; });
    return removed ? keychain_status::success : keychain_status::itemNotFound;
}

KeychainAttributes MemoryKeychain::attributes(const std::string& service, const std::string& account) {
    std::lock_guard lock(mutex_);
    ++calls_;
    if (auto f = fault(KeychainOperation::attributes, service)) return {f->status, {}};
    if (!items_.contains({service, account})) return {keychain_status::itemNotFound, {}};
    return {keychain_status::success, {{"account", account}, {"service", service}}};
}

void MemoryKeychain::addFault(KeychainFault fault) {
    std::lock_guard lock(mutex_);
    faults_.push_back(std::move(fault));
}

void MemoryKeychain::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

void MemoryKeychain::setLocked(bool locked, KeychainStatus promptOutcome) {
    std::lock_guard lock(mutex_);
    locked_ = locked;
    promptOutcome_ = promptOutcome;
}

void MemoryKeychain::seed(const std::string& service, const std::string& account, std::string secret) {
    std::lock_guard lock(mutex_);
    items_[{service, account}] = std::move(secret);
}

std::optional<std::string> MemoryKeychain::secret(const std::string& service,
                                                  const std::string& account) const {
    std::lock_guard lock(mutex_);
    auto it = items_.find({service, account});
    if (it == items_.end()) return std::nullopt;
    return it->second;
}

std::vector<std::pair<std::string, std::string>> MemoryKeychain::items() const {
    std::lock_guard lock(mutex_);
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& item : items_)
        out.push_back(item.first);
    return out;
}

int MemoryKeychain::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

} // namespace sorvalind
