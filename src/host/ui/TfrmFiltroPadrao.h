#pragma once

#include "TfrmBase.h"

namespace cns::ui {

// The filter screen: a confirm button (sbtConfirma) and the buttons that save and load the
// operator's options (sbtSalvaOpcao, sbtCarregaOpcao), which a screen may hide.
class TfrmFiltroPadrao : public TfrmBase
{
    Q_OBJECT

public:
    explicit TfrmFiltroPadrao(QWidget *parent = nullptr);

    QAction *actConfirma;
    QAction *actSalvaOpcao;
    QAction *actCarregaOpcao;

    virtual void sbtConfirmaClick() {}
};

} // namespace cns::ui
