#pragma once

#include "Showavi.h"

#include <QPointer>
#include <QWidget>

class QLabel;

namespace cns::ui {

// The busy indicator of the host: a small frameless window over the screen that called, with the
// hourglass cursor, shown while a server call runs. Nested calls keep it up until the last one ends.
class BusyWindow : public Showavi::BusyIndicator
{
public:
    BusyWindow() = default;
    ~BusyWindow() override;
    void show(QObject *form, int kind) override;
    void hide() override;
    int depth() const { return m_depth; }

private:
    int m_depth = 0;
    QPointer<QWidget> m_window;
};

} // namespace cns::ui
