#include "KeyFilter.h"

#include "HandlerGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace cns::ui {

KeyFilter::KeyFilter(QWidget *widget, Handler handler) : QObject(widget), m_handler(std::move(handler))
{
    widget->installEventFilter(this);
}

KeyFilter *KeyFilter::install(QWidget *widget, Handler handler)
{
    return new KeyFilter(widget, std::move(handler));
}

KeyFilter::Handler KeyFilter::only(const QString &allowed)
{
    return [allowed](QChar c) {
        if (c.unicode() == 8 || c.unicode() == 13 || c.unicode() == 27 || allowed.contains(c))
            return c;
        return QChar();
    };
}

KeyFilter::Handler KeyFilter::upperCase()
{
    return [](QChar c) { return c.toUpper(); };
}

bool KeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || m_resending)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->text().size() != 1)
        return false;
    const QChar typed = key->text().at(0);
    QChar result = typed;
    if (!HandlerGuard::run([&] { result = m_handler(typed); }))
        return true;
    if (result.isNull())
        return true;
    if (result == typed)
        return false;
    QKeyEvent replaced(QEvent::KeyPress, key->key(), key->modifiers(), QString(result), key->isAutoRepeat(), ushort(key->count()));
    m_resending = true;
    QApplication::sendEvent(watched, &replaced);
    m_resending = false;
    return true;
}

} // namespace cns::ui
