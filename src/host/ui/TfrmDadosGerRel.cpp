#include "TfrmDadosGerRel.h"

#include "HandlerGuard.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace cns::ui {

TfrmDadosGerRel::TfrmDadosGerRel(QWidget *parent) : TfrmBase(parent)
{
    actPreview = addToolAction(QStringLiteral("sbtPreview"), QStringLiteral("Visualizar"));
    actPrint = addToolAction(QStringLiteral("sbtPrint"), QStringLiteral("Imprimir"));
    actSalvarComo = addToolAction(QStringLiteral("sbtSalvarComo"), QStringLiteral("Salvar como"));
    actReportEdit = addToolAction(QStringLiteral("sbtReportEdit"), QStringLiteral("Editar relatório"));
    connect(actPreview, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtPreviewClick(); }));
    connect(actPrint, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtPrintClick(); }));
    connect(actSalvarComo, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtSalvarComoClick(); }));
    connect(actReportEdit, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtReportEditClick(); }));
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Relatório:"), this));
    cbbReportNames = new QComboBox(this);
    cbbReportNames->setObjectName(QStringLiteral("cbbReportNames"));
    row->addWidget(cbbReportNames, 1);
    lblCodRel = new QLabel(this);
    lblCodRel->setObjectName(QStringLiteral("lblCodRel"));
    row->addWidget(lblCodRel);
    body()->addLayout(row);
}

} // namespace cns::ui
