#pragma once

#include "TMessages.h"

#include <QDialog>

class QLabel;
class QToolBar;
class QVBoxLayout;

namespace cns::ui {

// What every screen of the module has: its message table, its screen code shown in a corner, a tool
// bar, the place for its content, and the life events of the system's screens (creation, each
// activation, closing), each run inside the handler guard. Screens are released when closed.
class TfrmBase : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmBase(QWidget *parent = nullptr);

    TMessages msgPadrao;
    void setScreenCode(const QString &code);
    QString screenCode() const;
    QToolBar *toolBar() const { return m_toolBar; }
    QVBoxLayout *body() const { return m_body; }
    // A tool button for an action, named as the system names it (sbtConfirma...).
    QAction *addToolAction(const QString &name, const QString &text, const QString &tip = {});

protected:
    // Screens extend these, running the base first.
    virtual void FormCreate() {}
    virtual void FormActivate() {}
    virtual void FormClose() {}
    // Derived constructors call this once their controls exist.
    void created();

    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QToolBar *m_toolBar;
    QVBoxLayout *m_body;
    QLabel *m_code;
    bool m_wasActive = false;
    bool m_shown = false;
};

} // namespace cns::ui
