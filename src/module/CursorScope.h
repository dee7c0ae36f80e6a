#pragma once

#include <QApplication>

// The hourglass while a screen is being built; the default cursor again on every path.
class CursorScope
{
public:
    CursorScope() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CursorScope() { restore(); }
    void restore()
    {
        if (m_active)
            QApplication::restoreOverrideCursor();
        m_active = false;
    }
    CursorScope(const CursorScope &) = delete;
    CursorScope &operator=(const CursorScope &) = delete;

private:
    bool m_active = true;
};
