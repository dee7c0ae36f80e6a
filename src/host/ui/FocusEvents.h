#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace cns::ui {

// Enter and exit events of controls and of containers (panels, group boxes): a container is
// entered when the focus moves into it from outside and left when the focus moves out of it.
// The focus is followed per window, so that a message box or a dialog opened by a handler does not
// count as leaving the control. On one move, exits run first (innermost first), then enters
// (outermost first). An exit handler that fails (its error is shown by the handler guard) puts
// the focus back on the control that had it and stops the move's other handlers.
class FocusEvents : public QObject
{
    Q_OBJECT

public:
    static FocusEvents &instance();

    void onEnter(QWidget *widget, std::function<void()> handler);
    void onExit(QWidget *widget, std::function<void()> handler);

    // The control that had the focus before the current one in the widget's window.
    QWidget *previousFocus(QWidget *window) const;

private:
    FocusEvents();
    void focusChanged(QWidget *old, QWidget *now);
    void move(QWidget *from, QWidget *to);

    struct Handlers
    {
        QPointer<QWidget> widget;
        std::function<void()> enter;
        std::function<void()> exit;
    };
    Handlers *handlersOf(QWidget *w);
    Handlers &entryFor(QWidget *w);

    QHash<QWidget *, Handlers> m_handlers;
    QHash<QWidget *, QPointer<QWidget>> m_lastFocus; // by window
    QHash<QWidget *, QPointer<QWidget>> m_previous;  // by window
    bool m_restoring = false;
};

} // namespace cns::ui
