#pragma once
// A memory tier bounded by cost: values under string keys, each with a cost
// (its byte count), the least recently used evicted first once the total
// would pass the limit. A value costing more than the whole limit is not
// kept. Values are shared pointers, so a lookup hands out the stored object
// itself without a copy.
//
// Any thread: one mutex, held only for the map work of each call. Throws only
// std::bad_alloc.

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace sorvalind {

template <class Value> class CostCache {
public:
    using Pointer = std::shared_ptr<const Value>;

    explicit CostCache(std::size_t costLimit) : limit_(costLimit) {}
    CostCache(const CostCache&) = delete;
    CostCache& operator=(const CostCache&) = delete;

    // The value under `key`, now the most recently used; null when absent.
    Pointer get(const std::string& key) {
        std::lock_guard lock(mutex_);
        auto found = index_.find(key);
        if (found == index_.end()) return nullptr;
        order_.splice(order_.begin(), order_, found->second);
        return found->second->value;
    }

    // Stores `value` under `key`, replacing what was there.
    void insert(const std::string& key, Pointer value, std::size_t cost) {
        std::lock_guard lock(mutex_);
        eraseLocked(key);
        if (!value || cost > limit_) return;
        order_.push_front(Entry{key, std::move(value), cost});
        index_.emplace(key, order_.begin());
        total_ += cost;
        while (total_ > limit_)
            eraseLocked(order_.back().key);
    }

    void clear() {
        std::lock_guard lock(mutex_);
        index_.clear();
        order_.clear();
        total_ = 0;
    }

    std::size_t totalCost() const {
        std::lock_guard lock(mutex_);
        return total_;
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return index_.size();
    }

private:
    struct Entry {
        std::string key;
        Pointer value;
        std::size_t cost;
    };

    void eraseLocked(const std::string& key) {
        auto found = index_.find(key);
        if (found == index_.end()) return;
        total_ -= found->second->cost;
        order_.erase(found->second);
        index_.erase(found);
    }

    const std::size_t limit_;
    mutable std::mutex mutex_;
    std::list<Entry> order_; // most recently used first
    std::unordered_map<std::string, typename std::list<Entry>::iterator> index_;
    std::size_t total_ = 0;
};

} // namespace sorvalind
