#include "BusyWindow.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace cns::ui {

BusyWindow::~BusyWindow()
{
    delete m_window.data();
}

void BusyWindow::show(QObject *form, int kind)
{
    if (m_depth++ > 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!m_window) {
        m_window = new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        auto *layout = new QVBoxLayout(m_window);
        auto *label = new QLabel(m_window);
        label->setObjectName(QStringLiteral("lblAguarde"));
        layout->addWidget(label);
    }
    // Kinds 0 and 6 read, 1 writes.
    m_window->findChild<QLabel *>()->setText(kind == 1 ? QStringLiteral("Gravando... aguarde.") : QStringLiteral("Aguarde..."));
    if (auto *w = qobject_cast<QWidget *>(form); w && w->isVisible()) {
        m_window->adjustSize();
        m_window->move(w->mapToGlobal(w->rect().center()) - m_window->rect().center());
    }
    m_window->show();
    m_window->repaint();
}

void BusyWindow::hide()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    if (m_window)
        m_window->hide();
    QApplication::restoreOverrideCursor();
}

} // namespace cns::ui
