#include "HandlerGuard.h"

#include "EAbort.h"
#include "EErro.h"
#include "HostDialogs.h"

#include <QTimer>

namespace cns::ui {

namespace HandlerGuard {

namespace {

void giveFocusBack(QWidget *w)
{
    if (!w)
        return;
    QPointer<QWidget> target(w);
    w->setFocus(Qt::OtherFocusReason);
    // Another focus change may still be on its way (the click that left the control): win over it.
    QTimer::singleShot(0, w, [target] {
        if (target && !target->hasFocus())
            target->setFocus(Qt::OtherFocusReason);
    });
}

} // namespace

bool run(const std::function<void()> &handler, QWidget *focusBack)
{
    try {
        handler();
        return true;
    } catch (const cns::EAbort &) {
    } catch (const cns::EErro &e) {
        cns::HostDialogs::current().message(e.message(), cns::MsgType::Error, cns::mbOK, QString());
    } catch (const std::exception &e) {
        cns::HostDialogs::current().message(QStringLiteral("Erro inesperado: %1").arg(QString::fromUtf8(e.what())),
                                            cns::MsgType::Error, cns::mbOK, QString());
    }
    giveFocusBack(focusBack);
    return false;
}

} // namespace HandlerGuard

} // namespace cns::ui
