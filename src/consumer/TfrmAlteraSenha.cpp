#include "TfrmAlteraSenha.h"

#include "Consiste.h"
#include "PasswordRules.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace Cli_cns72203 {
TfrmAlteraSenha *frmAlteraSenha = nullptr;
QString stCapForm;
QString stAcaoForm;
bool boAlfaNumerico = false;
} // namespace Cli_cns72203

TfrmAlteraSenha::TfrmAlteraSenha(QWidget *parent) : TfrmRotiGeral(parent)
{
    setObjectName(QStringLiteral("frmAlteraSenha"));
    setWindowTitle(QStringLiteral("Senha do Operador"));
    setScreenCode(QStringLiteral("Cns72203"));
    msgPadrao.load(u"CAMPOS_VAZIOS|Senha deve ser informada.\n"
                   u"Senha_Inv|Senha está incorreta, digite novamente.\n"
                   u"CARC_ESP|Senha deve ser composta apenas de números.");

    auto *panel = new QWidget(this);
    auto *form = new QFormLayout(panel);
    edtNmAcesso = new QLineEdit(panel);
    edtNmAcesso->setObjectName(QStringLiteral("edtNmAcesso"));
    edtNmAcesso->setReadOnly(true);
    edtNmAcesso->setEnabled(false);
    lblNmOperador = new QLabel(QStringLiteral("Operador"), panel);
    lblNmOperador->setObjectName(QStringLiteral("lblNmOperador"));
    form->addRow(lblNmOperador, edtNmAcesso);
    edtSenha = passwordEdit(QStringLiteral("edtSenha"));
    form->addRow(QStringLiteral("Nova Senha"), edtSenha);
    edtConfSenha = passwordEdit(QStringLiteral("edtConfSenha"));
    form->addRow(QStringLiteral("Confirma Senha"), edtConfSenha);
    body()->addWidget(panel);
    created();
}

QLineEdit *TfrmAlteraSenha::passwordEdit(const QString &name)
{
    auto *e = new QLineEdit(this);
    e->setObjectName(name);
    e->setMaxLength(21);
    e->setEchoMode(QLineEdit::Password);
    return e;
}

void TfrmAlteraSenha::FormActivate()
{
    setWindowTitle(Cli_cns72203::stCapForm);
    lblNmOperador->setText(Cli_cns72203::stAcaoForm);
}

void TfrmAlteraSenha::sbtConfirmaClick()
{
    m_result.clear();
    const auto refusal = PasswordRules::check(edtSenha->text(), edtConfSenha->text(), Cli_cns72203::boAlfaNumerico);
    switch (refusal) {
    case PasswordRules::Refusal::None:
        m_result = edtConfSenha->text();
        close();
        return;
    case PasswordRules::Refusal::PasswordEmpty:
        edtSenha->setFocus();
        break;
    case PasswordRules::Refusal::ConfirmationEmpty:
        edtConfSenha->setFocus();
        break;
    case PasswordRules::Refusal::NotDigits:
        break;
    case PasswordRules::Refusal::Differs:
        edtConfSenha->setFocus();
        edtConfSenha->selectAll();
        break;
    }
    Consiste::MensErroAbort(msgPadrao.Msg(PasswordRules::messageKey(refusal)));
}

void TfrmAlteraSenha::sbtCancelClick()
{
    m_result.clear();
    close();
}
