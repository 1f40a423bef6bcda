#pragma once
// How the model's operations hop off the main actor and back: the work runs
// on the store's queue or the worker pool, the continuation back on the main
// actor and only while the model exists. Included by the model's sources only.

#include "app_model.h"

#include "runtime/async_call.h"

namespace sorvalind {

template <class Fn, class Done> void AppModel::onStore(Fn fn, Done done) {
    runOn(repository_->executor(), main(), std::move(fn),
          [weak = weak(), done = std::move(done)](auto outcome) mutable {
              if (auto self = weak.lock()) done(*self, std::move(outcome));
          });
}

template <class Fn, class Done> void AppModel::onWorkers(Fn fn, Done done) {
    runOn(environment_.workers, main(), std::move(fn),
          [weak = weak(), done = std::move(done)](auto outcome) mutable {
              if (auto self = weak.lock()) done(*self, std::move(outcome));
          });
}

template <class Done> void AppModel::after(const TaskHandle& task, Done done) {
    task.whenFinished(main(), [weak = weak(), done = std::move(done)](const Outcome<void>& outcome) mutable {
        if (auto self = weak.lock()) done(*self, outcome);
    });
}

} // namespace sorvalind
