#pragma once
// How the model's operations hop off the main actor and back: the work runs
// on the store's queue or the worker pool, the continuation back on the main
// actor and only while the model exists. Included by the model's sources only.

#include "app_model.h"

#include "runtime/async_call.h"

namespace sorvalind {

template <class Fn, class Done> void AppModel::onStore(Fn fn, Done done) {
    runOn(repository_->executor(), main(), std::move(fn), whileAlive(weak(), std::move(done)));
}

template <class Fn, class Done> void AppModel::onWorkers(Fn fn, Done done) {
    runOn(environment_.workers, main(), std::move(fn), whileAlive(weak(), std::move(done)));
}

template <class Done> void AppModel::after(const TaskHandle& task, Done done) {
    task.whenFinished(main(), whileAlive(weak(), std::move(done)));
}

} // namespace sorvalind
