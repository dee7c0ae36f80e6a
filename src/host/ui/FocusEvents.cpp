#include "FocusEvents.h"

#include "HandlerGuard.h"

#include <QApplication>

namespace cns::ui {

FocusEvents &FocusEvents::instance()
{
    static FocusEvents *events = new FocusEvents; // lives as long as the application
    return *events;
}

FocusEvents::FocusEvents()
{
    connect(qApp, &QApplication::focusChanged, this, &FocusEvents::focusChanged);
}

FocusEvents::Handlers *FocusEvents::handlersOf(QWidget *w)
{
    auto it = m_handlers.find(w);
    if (it == m_handlers.end() || !it->widget)
        return nullptr;
    return &*it;
}

FocusEvents::Handlers &FocusEvents::entryFor(QWidget *widget)
{
    auto it = m_handlers.find(widget);
    if (it != m_handlers.end() && it->widget)
        return *it;
    Handlers &h = m_handlers[widget];
    h = Handlers{widget, {}, {}};
    connect(widget, &QObject::destroyed, this, [this, widget] { m_handlers.remove(widget); });
    return h;
}

void FocusEvents::onEnter(QWidget *widget, std::function<void()> handler)
{
    entryFor(widget).enter = std::move(handler);
}

void FocusEvents::onExit(QWidget *widget, std::function<void()> handler)
{
    entryFor(widget).exit = std::move(handler);
}

QWidget *FocusEvents::previousFocus(QWidget *window) const
{
    return m_previous.value(window).data();
}

void FocusEvents::focusChanged(QWidget *, QWidget *now)
{
    if (m_restoring || !now)
        return;
    QWidget *window = now->window();
    QWidget *from = m_lastFocus.value(window).data();
    if (from == now)
        return;
    m_previous[window] = from;
    m_lastFocus[window] = now;
    move(from, now);
}

void FocusEvents::move(QWidget *from, QWidget *to)
{
    // The chain of each side, innermost first.
    QList<QWidget *> left, entered;
    for (QWidget *w = from; w; w = w->parentWidget()) {
        if (w->isAncestorOf(to) || w == to)
            break;
        left.append(w);
    }
    for (QWidget *w = to; w; w = w->parentWidget()) {
        if (from && (w->isAncestorOf(from) || w == from))
            break;
        entered.prepend(w);
    }
    QPointer<QWidget> back(from);
    for (QWidget *w : std::as_const(left)) {
        Handlers *h = handlersOf(w);
        if (!h || !h->exit)
            continue;
        const auto handler = h->exit; // the handler may replace itself
        if (!HandlerGuard::run(handler) && back) {
            m_restoring = true;
            back->setFocus(Qt::OtherFocusReason);
            m_lastFocus[back->window()] = back;
            m_restoring = false;
            return;
        }
    }
    for (QWidget *w : std::as_const(entered)) {
        Handlers *h = handlersOf(w);
        if (h && h->enter) {
            const auto handler = h->enter;
            HandlerGuard::run(handler);
        }
    }
}

} // namespace cns::ui
