#include "TfrmAtualizaFilLista.h"

#include "HandlerGuard.h"
#include "Pesqlista.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

namespace HandlerGuard = cns::ui::HandlerGuard;

TfrmAtualizaFilLista::TfrmAtualizaFilLista(const QString &client, QWidget *parent)
    : TfrmRotiGeral(parent), adqFiltroFilial(QStringLiteral("adqFiltroFilial")), m_client(client)
{
    setObjectName(QStringLiteral("frmAtualizaFilLista"));
    setWindowTitle(QStringLiteral("Atualizar Lista de Filiais"));
    adqFiltroFilial.setSQL(QStringLiteral(
        "SELECT F.CDFILIAL, F.NMFILIAL FROM FILIAL F JOIN CLIENFILIAL CF ON CF.CDFILIAL = F.CDFILIAL "
        "WHERE CF.CDCLIENTE = :P_CDCLIENTE AND (F.CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T') ORDER BY F.CDFILIAL"));
    adqFiltroFilial.AddField(QStringLiteral("CDFILIAL"), cns::FieldType::String, 4, QStringLiteral("Código"));
    adqFiltroFilial.AddField(QStringLiteral("NMFILIAL"), cns::FieldType::String, 30, QStringLiteral("Nome"));

    auto *group = new QGroupBox(QStringLiteral("Filial"), this);
    auto *row = new QHBoxLayout(group);
    rbtTodos = new QRadioButton(QStringLiteral("Todos"), group);
    rbtTodos->setObjectName(QStringLiteral("rbtTodos"));
    rbtLista = new QRadioButton(QStringLiteral("Lista"), group);
    rbtLista->setObjectName(QStringLiteral("rbtLista"));
    rbtLista->setChecked(true);
    rbtLista->installEventFilter(this);
    btnFilial = new QPushButton(QStringLiteral("..."), group);
    btnFilial->setObjectName(QStringLiteral("btnFilial"));
    btnFilial->setToolTip(QStringLiteral("Filiais (F9)"));
    row->addWidget(rbtTodos);
    row->addWidget(rbtLista);
    row->addWidget(btnFilial);
    row->addStretch();
    body()->addWidget(group);
    connect(rbtTodos, &QRadioButton::clicked, this, HandlerGuard::guarded([this] { rbtTodosClick(); }));
    connect(rbtLista, &QRadioButton::clicked, this, HandlerGuard::guarded([this] { rbtListaClick(); }));
    connect(btnFilial, &QPushButton::clicked, this, HandlerGuard::guarded([this] { btnFilialClick(); }));
    created();
}

QString TfrmAtualizaFilLista::ObterListaFilialSelecionado(const QString &client)
{
    TfrmAtualizaFilLista dialog(client);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.exec();
    return dialog.selection();
}

void TfrmAtualizaFilLista::showEvent(QShowEvent *event)
{
    TfrmRotiGeral::showEvent(event);
    HandlerGuard::run([this] { ObterListaFilial(); });
}

void TfrmAtualizaFilLista::ObterListaFilial()
{
    adqFiltroFilial.Close();
    adqFiltroFilial.ParamByName(u"P_CDFILIAL") = cns::Value(QString());
    adqFiltroFilial.ParamByName(u"P_TCDFILIAL") = cns::Value(QStringLiteral("T"));
    adqFiltroFilial.ParamByName(u"P_CDCLIENTE") = cns::Value(m_client);
    adqFiltroFilial.Open();
}

QString TfrmAtualizaFilLista::SelecionarTodasFilials()
{
    if (!adqFiltroFilial.Active())
        ObterListaFilial();
    QStringList codes;
    for (adqFiltroFilial.First(); !adqFiltroFilial.Eof(); adqFiltroFilial.Next())
        codes.append(adqFiltroFilial.FieldByName(u"CDFILIAL").AsString().trimmed());
    return Pesqlista::listOf(codes);
}

void TfrmAtualizaFilLista::rbtTodosClick()
{
    btnFilial->setEnabled(false);
    m_selection = SelecionarTodasFilials();
}

void TfrmAtualizaFilLista::rbtListaClick()
{
    btnFilial->setEnabled(true);
    m_selection.clear();
}

void TfrmAtualizaFilLista::btnFilialClick()
{
    m_selection.clear();
    if (!adqFiltroFilial.Active())
        ObterListaFilial();
    Pesqlista::PesquisaLista(adqFiltroFilial, QStringLiteral("CDFILIAL"), QStringLiteral("Filial"), m_selection);
}

bool TfrmAtualizaFilLista::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == rbtLista && event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F9) {
        HandlerGuard::run([this] { btnFilialClick(); });
        return true;
    }
    return TfrmRotiGeral::eventFilter(watched, event);
}
