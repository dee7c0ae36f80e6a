#pragma once

#include "TfrmRotiGeral.h"

class QLabel;
class QLineEdit;

// The password dialog ("Cns72203"): the operator types a new password twice; the dialog hands back
// the accepted text, or an empty one when cancelled. What it shows (caption, whose password, label)
// and whether letters are allowed come from the unit's values set by ValidaSenha.
class TfrmAlteraSenha : public cns::ui::TfrmRotiGeral
{
    Q_OBJECT

public:
    explicit TfrmAlteraSenha(QWidget *parent = nullptr);

    QLabel *lblNmOperador;
    QLineEdit *edtNmAcesso, *edtSenha, *edtConfSenha;

    QString result() const { return m_result; }
    void sbtConfirmaClick() override;
    void sbtCancelClick() override;

protected:
    void FormActivate() override;

private:
    QLineEdit *passwordEdit(const QString &name);

    QString m_result;
};

// The unit's values: the dialog while ValidaSenha runs, and what it is to show and allow.
namespace Cli_cns72203 {
extern TfrmAlteraSenha *frmAlteraSenha;
extern QString stCapForm;
extern QString stAcaoForm;
extern bool boAlfaNumerico;
} // namespace Cli_cns72203
