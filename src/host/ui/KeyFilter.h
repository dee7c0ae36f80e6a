#pragma once

#include <QChar>
#include <QObject>
#include <functional>

class QWidget;

namespace cns::ui {

// A key filter of one control, as the screens write them: the handler gets each typed character
// and returns it, another character to type instead, or a null QChar to drop it. Keys without a
// character (arrows, function keys) pass untouched.
class KeyFilter : public QObject
{
public:
    using Handler = std::function<QChar(QChar)>;

    static KeyFilter *install(QWidget *widget, Handler handler);

    // Common filters.
    static Handler only(const QString &allowed); // these characters and the control keys 8, 13, 27
    static Handler upperCase();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KeyFilter(QWidget *widget, Handler handler);
    Handler m_handler;
    bool m_resending = false;
};

} // namespace cns::ui
