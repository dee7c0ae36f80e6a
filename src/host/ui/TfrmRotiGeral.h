#pragma once

#include "TfrmBase.h"

namespace cns::ui {

// The general routine screen: a modal dialog with a confirm button (sbtConfirma) and a cancel
// button (sbtCancel) whose handlers a derived screen extends.
class TfrmRotiGeral : public TfrmBase
{
    Q_OBJECT

public:
    explicit TfrmRotiGeral(QWidget *parent = nullptr);

    QAction *actConfirma;
    QAction *actCancel;

    virtual void sbtConfirmaClick() {}
    virtual void sbtCancelClick() { close(); }
};

} // namespace cns::ui
