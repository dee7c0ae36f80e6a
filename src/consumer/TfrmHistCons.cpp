#include "TfrmHistCons.h"

#include "Consiste.h"
#include "DBGrid.h"
#include "GridPrinter.h"
#include "HandlerGuard.h"
#include "HostDialogs.h"
#include "Showavi.h"
#include "TNetConnection.h"

#include <QAction>
#include <QLabel>
#include <QVBoxLayout>

using cns::Value;
using namespace cns::ui;

namespace Cli_cns72212 {
TfrmHistCons *frmHistCons = nullptr;
} // namespace Cli_cns72212

TfrmHistCons::TfrmHistCons(TNetConnection &net, const QString &client, const QString &consumer, const QString &name,
                           QWidget *parent)
    : TfrmBase(parent), cdsHistCons(QStringLiteral("cdsHistCons")), m_net(net), m_client(client), m_consumer(consumer)
{
    setObjectName(QStringLiteral("frmHistCons"));
    setWindowTitle(QStringLiteral("Histórico do Consumidor"));
    setScreenCode(QStringLiteral("Cns72212"));
    msgPadrao.load(u"SEM_HIST|Nenhuma alteração registrada para este consumidor.");
    actExportar = addToolAction(QStringLiteral("sbtExportar"), QStringLiteral("Exportar"), QStringLiteral("Exportar para CSV"));
    actImprimir = addToolAction(QStringLiteral("sbtImprimir"), QStringLiteral("Imprimir"));
    lblConsumidor = new QLabel(consumer + QStringLiteral(" - ") + name, this);
    lblConsumidor->setObjectName(QStringLiteral("lblConsumidor"));
    body()->addWidget(lblConsumidor);
    dbgHistCons = new DBGrid(this);
    dbgHistCons->setObjectName(QStringLiteral("dbgHistCons"));
    dbgHistCons->setReadOnly(true);
    body()->addWidget(dbgHistCons, 1);
    connect(actExportar, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtExportarClick(); }));
    connect(actImprimir, &QAction::triggered, this, HandlerGuard::guarded([this] { sbtImprimirClick(); }));
    resize(1100, 500);
    created();
}

void TfrmHistCons::FormCreate()
{
    cns::Packet rows;
    {
        const Showavi::Scope busy(this, 6);
        rows = Consiste::CheckResultServ(m_net.Call(QStringLiteral("getHistCons"), {Value(m_client), Value(m_consumer)}), true, 1)
                   .at(0)
                   .toPacket();
    }
    // The server keeps its time in UTC; the operator reads the time of his desk.
    const int when = rows.indexOf(u"DTHRHISTCONS");
    cns::Packet shown(rows.fields());
    for (qsizetype i = 0; i < rows.rowCount(); ++i) {
        QList<Value> row;
        for (int c = 0; c < rows.fields().size(); ++c) {
            const Value v = rows.value(i, c);
            if (c == when && !v.isNull()) {
                const QDateTime utc = v.toDateTime();
                row.append(Value(QDateTime(utc.date(), utc.time(), Qt::UTC).toLocalTime()));
            } else {
                row.append(v);
            }
        }
        shown.addRow(row);
    }
    cdsHistCons.setData(std::move(shown));
    defineFields();
    dtsHistCons.setDataSet(&cdsHistCons);
    dbgHistCons->setDataSource(&dtsHistCons);
    dbgHistCons->setColumns({{QStringLiteral("DTHRHISTCONS"), 140},
                             {QStringLiteral("CDOPERADOR"), 100},
                             {QStringLiteral("CDFILIAL"), 50},
                             {QStringLiteral("NMMETODO"), 130},
                             {QStringLiteral("NMTABELA"), 110},
                             {QStringLiteral("CDITEMHIST"), 50},
                             {QStringLiteral("NMCAMPO"), 130},
                             {QStringLiteral("DSVALORANT"), 160},
                             {QStringLiteral("DSVALORNOVO"), 160}});
    const bool any = !cdsHistCons.IsEmpty();
    actExportar->setEnabled(any);
    actImprimir->setEnabled(any);
    if (!any)
        lblConsumidor->setText(lblConsumidor->text() + QStringLiteral("  (") + msgPadrao.Msg(u"SEM_HIST") + u')');
    m_loaded = true;
}

void TfrmHistCons::defineFields()
{
    const std::pair<const char16_t *, const char *> labels[] = {
        {u"DTHRHISTCONS", "Data/Hora"},  {u"CDOPERADOR", "Operador"}, {u"CDFILIAL", "Filial"},
        {u"NMMETODO", "Operação"},       {u"NMTABELA", "Tabela"},     {u"CDITEMHIST", "Item"},
        {u"NMCAMPO", "Campo"},           {u"DSVALORANT", "Valor Anterior"}, {u"DSVALORNOVO", "Valor Novo"}};
    for (const auto &[field, label] : labels)
        cdsHistCons.FieldByName(field).DisplayLabel = QString::fromUtf8(label);
    cdsHistCons.FieldByName(u"DTHRHISTCONS").DisplayFormat = QStringLiteral("dd/mm/yyyy hh:nn:ss");
}

void TfrmHistCons::sbtExportarClick()
{
    QString path = cns::HostDialogs::current().saveFileName(QStringLiteral("Exportar histórico"), QString(),
                                                           QStringLiteral("Arquivos CSV(*.csv)|*.csv"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    GridPrinter::saveCsv(*dbgHistCons, path);
}

void TfrmHistCons::sbtImprimirClick()
{
    GridPrinter::preview(*dbgHistCons, windowTitle() + QStringLiteral(" - ") + lblConsumidor->text());
}
