#include "TfrmBase.h"

#include "HandlerGuard.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace cns::ui {

TfrmBase::TfrmBase(QWidget *parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(true);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    auto *top = new QHBoxLayout;
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("tlbPadrao"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    top->addWidget(m_toolBar, 1);
    m_code = new QLabel(this);
    m_code->setObjectName(QStringLiteral("lblCodTela"));
    m_code->setAlignment(Qt::AlignRight | Qt::AlignTop);
    top->addWidget(m_code);
    outer->addLayout(top);
    m_body = new QVBoxLayout;
    outer->addLayout(m_body, 1);
}

void TfrmBase::setScreenCode(const QString &code)
{
    m_code->setText(code);
}

QString TfrmBase::screenCode() const
{
    return m_code->text();
}

QAction *TfrmBase::addToolAction(const QString &name, const QString &text, const QString &tip)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QStringLiteral("act") + name.mid(3));
    action->setToolTip(tip.isEmpty() ? text : tip);
    m_toolBar->addAction(action);
    if (auto *button = qobject_cast<QToolButton *>(m_toolBar->widgetForAction(action)))
        button->setObjectName(name);
    return action;
}

void TfrmBase::created()
{
    HandlerGuard::run([this] { FormCreate(); });
}

void TfrmBase::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The first activation, also where the platform reports none (offscreen).
    QTimer::singleShot(0, this, [this] {
        if (!m_wasActive) {
            m_wasActive = true;
            HandlerGuard::run([this] { FormActivate(); });
        }
    });
}

void TfrmBase::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow() && !m_wasActive) {
        m_wasActive = true;
        HandlerGuard::run([this] { FormActivate(); });
    } else if (!isActiveWindow() && m_wasActive && QApplication::activeWindow()) {
        m_wasActive = false; // another window of the application took over: its closing activates us again
    }
}

void TfrmBase::closeEvent(QCloseEvent *event)
{
    HandlerGuard::run([this] { FormClose(); });
    QDialog::closeEvent(event);
}

} // namespace cns::ui
