#include "ui/Resources.h"

#include "panes/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initUiQrc() {
    Q_INIT_RESOURCE(ui);
}

namespace quarbel::ui {

void initResources() {
    static const bool done = [] {
        initUiQrc();
        return true;
    }();
    (void)done;
    panes::initResources();
}

} // namespace quarbel::ui
