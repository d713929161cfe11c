// The one guard between Qt's event loop and the program's work: an event
// handler, a slot or a callback runs its body through Guarded, and an
// exception ends the body with one message box (the text a person is told,
// platform/error_text.h) instead of leaving through Qt, which would end the
// program. An optional undo runs first, to put the widget right.
#pragma once

#include <exception>
#include <utility>

class QWidget;

// Shows the message for the exception in flight (call inside a catch block).
void ReportCurrentException(QWidget* parent) noexcept;

// Runs body; on an exception runs undo, then reports. True when body ended normally.
template <class Body, class Undo>
bool Guarded(QWidget* parent, Body&& body, Undo&& undo) noexcept {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        try {
            std::forward<Undo>(undo)();
        } catch (...) {
        }
        ReportCurrentException(parent);
        return false;
    }
}

template <class Body>
bool Guarded(QWidget* parent, Body&& body) noexcept {
    return Guarded(parent, std::forward<Body>(body), [] {});
}
