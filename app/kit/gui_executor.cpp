#include "kit/gui_executor.h"

#include "platform/qt_main_actor.h"

namespace sorvalind {

Executor& guiExecutor() {
    // Never destroyed: workers may still post to it while the program ends.
    static QtMainActor* actor = new QtMainActor();
    return *actor;
}

} // namespace sorvalind
