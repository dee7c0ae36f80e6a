#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

// The report screens' controls as the operator works them, and the modal dialogs they open.
namespace ReportScreenInput {

inline void click(QWidget *w)
{
    QVERIFY(w);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

inline QToolButton *toolButton(QWidget &screen, const char *name)
{
    return screen.findChild<QToolButton *>(QString::fromLatin1(name));
}

// Runs f on the modal dialog that the next step opens, in its own event loop.
inline void onModal(std::function<void(QWidget *)> f)
{
    QTimer::singleShot(0, [f] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        f(QApplication::activeModalWidget());
    });
}

// Clicks w; true when no modal dialog opened (one that did is closed again).
inline bool clickOpensNoDialog(QWidget *w)
{
    bool fired = false, opened = false;
    QTimer::singleShot(0, [&] {
        fired = true;
        if (QWidget *modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    click(w);
    return QTest::qWaitFor([&fired] { return fired; }) && !opened;
}

// Moves the focus out of w as the operator does, with the tab key.
inline void leave(QWidget *w)
{
    w->setFocus();
    QTRY_VERIFY(w->hasFocus());
    QTest::keyClick(w, Qt::Key_Tab);
    QTest::qWait(0);
}


} // namespace ReportScreenInput
