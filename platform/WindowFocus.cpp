#include "platform/WindowFocus.h"

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace quarbel::platform {

namespace {

class FocusReturner : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Hide) {
            return false;
        }
        auto* window = qobject_cast<QWidget*>(watched);
        if (!window || !window->isWindow() || !returnsFocus(*window)) {
            return false;
        }
        if (type == QEvent::Show) {
            // The window becomes active later, so the active one is still the one it came over.
            QWidget* before = QApplication::activeWindow();
            if (before && before != window) {
                m_cameOver.insert(window, before);
            }
            return false;
        }
        const QPointer<QWidget> back = m_cameOver.take(window);
        if (back) {
            // After the window has gone, unless something else (a window manager, the next
            // dialog) has taken the focus meanwhile.
            QTimer::singleShot(0, back, [back] {
                const QWidget* active = QApplication::activeWindow();
                if (back && back->isVisible() && (!active || !active->isVisible())) {
                    back->activateWindow();
                }
            });
        }
        return false;
    }

private:
    static bool returnsFocus(const QWidget& window) {
        const Qt::WindowType kind = window.windowType();
        return kind == Qt::Dialog || kind == Qt::Window || kind == Qt::Sheet || window.isModal();
    }

    QHash<QObject*, QPointer<QWidget>> m_cameOver;
};

} // namespace

void returnFocusAfterDialogs() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    static QPointer<QObject> installed;
    if (!app || installed) {
        return;
    }
    installed = new FocusReturner(app);
    app->installEventFilter(installed);
}

} // namespace quarbel::platform
