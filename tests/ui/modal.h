#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>

namespace quantaline::test {

// Runs `action` on the modal window of type T as soon as `trigger` has shown it, from
// inside the window's own event loop. Returns whether the window showed.
template <class T>
bool with_modal(std::function<void(T&)> action, const std::function<void()>& trigger) {
    struct Watch {
        std::function<void(T&)> action;
        bool shown = false;
        bool over = false;
        int tries = 0;
    };
    auto watch = std::make_shared<Watch>();
    watch->action = std::move(action);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [watch, weak = std::weak_ptr<std::function<void()>>(poll)] {
        if (watch->over) {
            return;
        }
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            watch->shown = true;
            watch->over = true;
            watch->action(*window);
            return;
        }
        if (++watch->tries < 400) {
            if (auto next = weak.lock()) {
                QTimer::singleShot(5, [next] { (*next)(); });
            }
        }
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
    trigger();
    watch->over = true;
    return watch->shown;
}

} // namespace quantaline::test
