#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

namespace cns::ui {

// Every Qt event handler of a screen runs inside this guard, so that no exception crosses the event
// loop: the silent abort ends the handler quietly, an error is shown with its text, anything else
// with a generic text. When the handler failed and a control is given, the focus goes back to it.
namespace HandlerGuard {

// True when the handler ran to its end.
bool run(const std::function<void()> &handler, QWidget *focusBack = nullptr);

// Wraps a slot without arguments: connect(action, &QAction::triggered, guarded([this] { ... }));
template<typename F>
auto guarded(F f, QWidget *focusBack = nullptr)
{
    QPointer<QWidget> back(focusBack);
    return [f = std::move(f), back]() mutable { run(f, back.data()); };
}

} // namespace HandlerGuard

} // namespace cns::ui
