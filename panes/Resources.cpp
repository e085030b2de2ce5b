#include "panes/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initPanesQrc() {
    Q_INIT_RESOURCE(panes);
}

namespace quarbel::panes {

void initResources() {
    static const bool done = [] {
        initPanesQrc();
        return true;
    }();
    (void)done;
}

} // namespace quarbel::panes
