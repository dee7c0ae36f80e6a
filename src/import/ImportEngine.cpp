#include "ImportEngine.h"

#include "ColumnReader.h"
#include "Consiste.h"
#include "ConsistencyRun.h"
#include "Corvane.h"
#include "EErro.h"
#include "FileRowBuilder.h"
#include "ImportError.h"
#include "ImportLogRegistry.h"
#include "ImportLookups.h"
#include "ImportRecord.h"
#include "RowBuilder.h"
#include "Showavi.h"
#include "TMessages.h"
#include "TNetConnection.h"

#include <QFile>
#include <QFileInfo>

namespace cns::import {

namespace {

using cns::Value;

bool yes(const TMessages &m, QStringView key)
{
    return m.ShowMsg(key, cns::MsgType::Confirmation, cns::mbYes | cns::mbNo) == cns::mrYes;
}

QString text(const cns::DataSet &ds, QStringView field)
{
    if (!ds.Active() || ds.IsEmpty() || !ds.FindField(field))
        return {};
    return ds.FieldByName(field).AsString();
}

} // namespace

ImportEngine::ImportEngine(TNetConnection &net, const TMessages &messages)
    : cdsLayout(QStringLiteral("cdsLayout")), cdsArquivo(QStringLiteral("cdsArquivo")), cdsDescLayout(QStringLiteral("cdsDescLayout")),
      cdsValLayout(QStringLiteral("cdsValLayout")), cdsValLayoutCli(QStringLiteral("cdsValLayoutCli")),
      cdsDefLayout(QStringLiteral("cdsDefLayout")), cdsDefCliente(QStringLiteral("cdsDefCliente")),
      cdsCodExternoImp(QStringLiteral("cdsCodExternoImp")), cdsBuscaParamValorNeg(QStringLiteral("cdsBuscaParamValorNeg")),
      cdsCrachaFilial(QStringLiteral("cdsCrachaFilial")), cdsVrIdentificador(QStringLiteral("cdsVrIdentificador")),
      cdsConsumidor(QStringLiteral("cdsConsumidor")), cdsLogImp(QStringLiteral("cdsLogImp")), qryCliente(QStringLiteral("qryCliente")),
      m_net(net), m_messages(messages)
{
    ImportRecord::defineRows(cdsConsumidor);
    ImportRecord::defineLog(cdsLogImp);
    cdsLogImp.Open();
    const QString select = QStringLiteral("SELECT DISTINCT CL.CDCLIENTE, CL.NRINSJURCLIE, CL.IDTPIJURCLIE, CL.NMFANTCLIE FROM ");
    const QString where = QStringLiteral("(:P_TNRINSJURCLIE = 'T' OR CL.NRINSJURCLIE = :P_NRINSJURCLIE) "
                                         "AND (:P_TCDFILIAL = 'T' OR CF.CDFILIAL = :P_CDFILIAL) ORDER BY CL.NRINSJURCLIE");
    const QString ansi = select + QStringLiteral("CLIENTE CL LEFT JOIN CLIENFILIAL CF ON (CL.CDCLIENTE = CF.CDCLIENTE) WHERE ") + where;
    qryCliente.setSQL(ansi);
    qryCliente.setSQL(cns::SqlDialect::Text::Oracle,
                      select + QStringLiteral("CLIENTE CL, CLIENFILIAL CF WHERE CL.CDCLIENTE = CF.CDCLIENTE(+) AND ") + where);
    qryCliente.setSQL(cns::SqlDialect::Text::MSSQL, ansi);
    qryCliente.setSQL(cns::SqlDialect::Text::InterBase, ansi);
    qryCliente.AddField(QStringLiteral("CDCLIENTE"), cns::FieldType::String, 21).Visible = false;
    qryCliente.AddField(QStringLiteral("NRINSJURCLIE"), cns::FieldType::String, 20, QStringLiteral("Inscrição"));
    qryCliente.AddField(QStringLiteral("IDTPIJURCLIE"), cns::FieldType::String, 1).Visible = false;
    qryCliente.AddField(QStringLiteral("NMFANTCLIE"), cns::FieldType::String, 50, QStringLiteral("Nome"));
    const bool perBranch = Corvane::ModuFili();
    branchFilter = perBranch ? Corvane::FiliProc() : QStringLiteral("T");
    perBranchFlag = perBranch ? QStringLiteral("S") : QStringLiteral("N");
}

ImportEngine::~ImportEngine()
{
    if (m_reference)
        ImportLogRegistry::remove(m_reference);
}

void ImportEngine::setReference(quintptr reference)
{
    if (m_reference)
        ImportLogRegistry::remove(m_reference);
    m_reference = reference;
    ImportLogRegistry::add(reference, &cdsLogImp);
}

Value ImportEngine::call(const QString &method, const QList<Value> &args)
{
    Value reply;
    {
        const Showavi::Scope busy(busyOwner, 6);
        reply = m_net.Call(method, args);
    }
    return Consiste::CheckResultServ(reply, true, 0);
}

void ImportEngine::loadInto(cns::DataSet &ds, const Value &payload)
{
    if (payload.kind() != Value::Kind::Array || payload.toArray().isEmpty())
        throw cns::EErro(QStringLiteral("Resposta do servidor inesperada ao carregar %1.").arg(ds.Name()));
    ds.setData(payload.at(0).packetPtr());
    ds.First();
}

void ImportEngine::getLayoutImp(const QString &code, const QString &all)
{
    loadInto(cdsLayout, call(QStringLiteral("getLayoutImp"), {Value(code), Value(all), Value(branchFilter)}));
}

void ImportEngine::getTabLayoutImp()
{
    loadInto(cdsArquivo, call(QStringLiteral("getTabLayoutImp"), {Value(layoutField(u"CDLAYOUTIMP"))}));
}

QString ImportEngine::getDefLayout()
{
    loadInto(cdsDefLayout, call(QStringLiteral("getDefLayout"), {Value(Corvane::FiliProc())}));
    return text(cdsDefLayout, u"CDLAYOUTIMP");
}

QString ImportEngine::getDefCliente()
{
    loadInto(cdsDefCliente, call(QStringLiteral("getDefCliente"), {Value(Corvane::FiliProc())}));
    const QString client = text(cdsDefCliente, u"DSDEFACOLLAY");
    return client.size() <= 20 ? client : client.mid(1, 20);
}

bool ImportEngine::getExistLayout(const QString &code, const QString &column)
{
    const Value reply = call(QStringLiteral("getExistLayout"), {Value(code), Value(column)});
    return reply.kind() == Value::Kind::Array ? reply.at(0).toBool() : reply.toBool();
}

QString ImportEngine::layoutField(QStringView field) const
{
    return text(cdsLayout, field);
}

QString ImportEngine::Vd_Layout(const QString &code, bool demanded)
{
    if (Consiste::EmptyString(code)) {
        if (demanded)
            Consiste::MensErro(m_messages.Msg(u"LayoutDeve"));
        return {};
    }
    const QString adjusted = Consiste::Ajusta(code, 10);
    getLayoutImp(adjusted, QString());
    if (cdsLayout.IsEmpty())
        Consiste::MensErro(m_messages.Msg(u"LayoutNCad"));
    return adjusted;
}

QString ImportEngine::Vd_CdCliente(const QString &registration, bool demanded)
{
    m_screenClient.clear();
    if (Consiste::EmptyString(registration)) {
        if (demanded)
            Consiste::MensErro(m_messages.Msg(u"Clie_Inf"));
        return {};
    }
    const bool perBranch = branchFilter != u"T";
    qryCliente.Close();
    qryCliente.ParamByName(u"P_NRINSJURCLIE") = Value(registration);
    qryCliente.ParamByName(u"P_TNRINSJURCLIE") = Value(QString());
    qryCliente.ParamByName(u"P_CDFILIAL") = Value(perBranch ? branchFilter : QString());
    qryCliente.ParamByName(u"P_TCDFILIAL") = Value(perBranch ? QString() : QStringLiteral("T"));
    qryCliente.Open();
    if (qryCliente.IsEmpty())
        Consiste::MensErro(m_messages.Msg(u"Cod_NCad"));
    m_screenClient = qryCliente.FieldByName(u"CDCLIENTE").AsString();
    return qryCliente.FieldByName(u"NMFANTCLIE").AsString();
}

void ImportEngine::clearRows()
{
    m_rows = {};
    m_invalid = {};
    m_prepared = {};
}

void ImportEngine::reset()
{
    boCarregou = false;
    m_loadFailed = false;
    cdsArquivo.Close();
    clearRows();
    cdsConsumidor.Close();
}

void ImportEngine::replaceFiles(const QStringList &files)
{
    if (files.isEmpty() || !cdsArquivo.Active())
        return;
    cns::Packet p = cdsArquivo.Data();
    const int name = p.indexOf(u"NMARQLAYIMP");
    std::vector<cns::Row> rows;
    for (qsizetype i = 0; i < files.size(); ++i) {
        // A file beyond the layout's list reads as its last file does.
        QList<Value> values;
        const qsizetype from = qMin<qsizetype>(i, p.rowCount() - 1);
        for (int f = 0; f < p.fields().size(); ++f)
            values.append(f == name ? Value(files.at(i)) : (from >= 0 ? p.value(from, f) : Value()));
        cns::Row::Builder b;
        for (const Value &v : values)
            b.addValue(v);
        rows.push_back(b.take());
    }
    p.rows() = std::move(rows);
    cdsArquivo.setData(p);
    cdsArquivo.First();
}

void ImportEngine::checkLayoutForLoad()
{
    if (!clientFromFile && m_screenClient.isEmpty())
        Consiste::MensErro(m_messages.Msg(u"Clie_Inf"));
    loadInto(cdsValLayoutCli, call(QStringLiteral("getValLayoutCli"),
                                   {Value(text(cdsArquivo, u"CDLAYOUTIMP")), Value(text(cdsArquivo, u"NRSEQTABELAY"))}));
    if (clientFromFile && cdsValLayoutCli.IsEmpty())
        Consiste::MensErro(m_messages.Msg(u"Lay_Cli"));
    if (!clientFromFile && !cdsValLayoutCli.IsEmpty())
        Consiste::MensErro(m_messages.Msg(u"Lay_Cli_Esta"));
    if (Consiste::EmptyString(layoutField(u"CDFILIAL")))
        Consiste::MensErro(m_messages.Msg(u"FALTA_FILIAL"));
    cdsArquivo.First();
    refuseUnreadableFile();
}

void ImportEngine::refuseUnreadableFile()
{
    const QString path = text(cdsArquivo, u"NMARQLAYIMP");
    if (fileMissing())
        Consiste::MensErro(m_messages.Msg(u"LayoutInvalido") + QStringLiteral("\"%1\"").arg(path));
    if (const QString why = ImportError::unreadableFile(path); !why.isEmpty())
        Consiste::MensErro(why);
}

bool ImportEngine::fileMissing() const
{
    return !QFileInfo::exists(text(cdsArquivo, u"NMARQLAYIMP"));
}

void ImportEngine::reserveFor(qint64 fileBytes, qint64 lineBytes, size_t lines)
{
    // As many rows as the first lines' sizes tell, with a margin: the row, mark and key lists of a
    // large file then grow without being copied over and over.
    if (lineBytes <= 0)
        return;
    const size_t rows = m_rows.size() + size_t(double(fileBytes) / double(lineBytes) * double(lines) * 1.1) + 1;
    m_rows.reserve(rows);
    m_invalid.reserve(rows);
    m_prepared.keys.reserve(rows);
}

void ImportEngine::readFile(const QString &path, const ColumnReader &reader, const RowBuilder::Settings &settings,
                            ImportProgress &progress)
{
    if (const QString why = ImportError::unreadableFile(path); !why.isEmpty())
        throw cns::EErro(why);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw cns::EErro(ImportError::openFailed(path, file));
    progress.fileStarted(m_messages.Msg(u"LendoArq"), file.size());
    FileRowBuilder rows(file, path, m_layout, reader, m_valueArray, settings, *m_lookups);
    FileRowBuilder::Batch batch;
    bool reserved = false;
    while (rows.next(&batch)) {
        if (batch.rows.empty())
            continue;
        if (!reserved) {
            reserveFor(file.size(), batch.bytes, batch.rows.size());
            reserved = true;
        }
        std::move(batch.rows.begin(), batch.rows.end(), std::back_inserter(m_rows));
        m_invalid.insert(m_invalid.end(), batch.invalid.begin(), batch.invalid.end());
        std::move(batch.keys.begin(), batch.keys.end(), std::back_inserter(m_prepared.keys));
        m_valueArray = std::move(batch.values);
        progress.advance(batch.bytes);
    }
}

void ImportEngine::Carregar(ImportProgress &progress)
{
    checkLayoutForLoad();
    clearRows();
    publishRows();
    progress.showPanel(ImportProgress::Panel::Loading);
    try {
        const QString code = layoutField(u"CDLAYOUTIMP");
        loadInto(cdsDescLayout, call(QStringLiteral("getColLayoutImp"), {Value(code)}));
        cdsArquivo.First();
        loadInto(cdsValLayout, call(QStringLiteral("getValLayout"), {Value(text(cdsArquivo, u"CDLAYOUTIMP")),
                                                                       Value(text(cdsArquivo, u"NRSEQTABELAY"))}));
        loadInto(cdsCodExternoImp, call(QStringLiteral("getCodExternoImp"), {Value(Corvane::FiliProc())}));
        loadInto(cdsBuscaParamValorNeg, call(QStringLiteral("getBuscaParamValorNeg"), {Value(Corvane::FiliProc())}));
        m_layout = ImportLayout::fromPackets(cdsLayout, cdsDescLayout, cdsValLayout);

        m_lookups = std::make_unique<ImportLookups>(Corvane::FiliProc(), branchFilter);
        QHash<QString, QString> external;
        const cns::Packet codes = cdsCodExternoImp.Data();
        for (qsizetype i = codes.rowCount() - 1; i >= 0; --i) // the first row of a code wins
            external.insert(codes.value(i, u"CDEXCLIENTEIMP").toString(), codes.value(i, u"CDCLIENTE").toString());
        m_lookups->setExternalCodes(std::move(external));

        RowBuilder::Settings settings;
        settings.clientFromFile = clientFromFile;
        settings.screenClient = m_loadedClient = m_screenClient;
        settings.removeLeadingZeros = m_layout.removeLeadingZeros;
        settings.negativeDebitLimit = text(cdsBuscaParamValorNeg, u"IDIMPBLOLANCNEG") == u"S";
        settings.emptyClient = m_messages.Msg(u"VAZIO");
        ColumnReader reader(m_layout);
        m_valueArray = {};
        for (int r = 0; r < cdsArquivo.rowCount(); ++r) {
            cdsArquivo.setRecNo(r + 1);
            readFile(text(cdsArquivo, u"NMARQLAYIMP"), reader, settings, progress);
        }
    } catch (...) {
        progress.showPanel(ImportProgress::Panel::Hidden);
        publishRows();
        boCarregou = true;
        m_loadFailed = true;
        m_loaded = rowsLoaded();
        m_toImport = 0;
        throw;
    }
    progress.showPanel(ImportProgress::Panel::Hidden);
    publishRows();
    boCarregou = true;
    m_loadFailed = false;
    m_loaded = m_toImport = rowsLoaded();
}

void ImportEngine::publishRows()
{
    cdsConsumidor.setData(std::make_shared<const cns::Packet>(rowsPacket()));
    cdsConsumidor.First();
    m_publishedMarks = m_invalid;
}

cns::Packet ImportEngine::rowsPacket() const
{
    cns::Packet p(ImportRecord::rowFieldDefs());
    p.reserve(qsizetype(m_rows.size()));
    const int validField = ImportRecord::rowField(u"IDVALIDO");
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const cns::Row &row = m_rows[i];
        if (!m_invalid[i] || row.value(validField).toString() == u"N") {
            p.appendRow(row);
            continue;
        }
        cns::Row::Builder b(row.encoded().size() + 4);
        cns::Row::Reader r(row);
        for (int f = 0; !r.atEnd(); ++f) {
            if (f == validField) {
                r.skip();
                b.addText(u"N");
            } else {
                b.addValue(r.next());
            }
        }
        p.appendRow(b.take());
    }
    return p;
}

void ImportEngine::abreLog()
{
    Corvane::LoadBPL(QStringLiteral("Cns72500"), {Value(qint64(m_reference))});
}

QString ImportEngine::registerKey(const QString &badge, const QString &client, const QString &consumer)
{
    return badge + u'\x1f' + client + u'\x1f' + consumer;
}

QHash<QString, qint64> ImportEngine::registerCounts()
{
    ConsistencyRun::prepareKeys(m_rows, m_prepared);
    cns::Packet asked({{QStringLiteral("CDIDCONSUMID"), cns::FieldType::String, 21},
                       {QStringLiteral("CDCLIENTE"), cns::FieldType::String, 21},
                       {QStringLiteral("CDCONSUMIDOR"), cns::FieldType::String, 21}});
    QHash<QString, qint64> counts;
    QStringList order;
    for (const ConsistencyRun::Keys &k : m_prepared.keys) {
        if (Consiste::EmptyString(k.badge))
            continue; // the run asks nothing of a blank badge
        const QString key = registerKey(k.badge, k.client, k.consumer);
        if (counts.contains(key))
            continue;
        counts.insert(key, 0);
        order.append(key);
        cns::Row::Builder b(64);
        for (const QString *s : {&k.badge, &k.client, &k.consumer})
            b.addText(*s);
        asked.appendRow(b.take());
    }
    if (order.isEmpty())
        return counts;
    const Value reply = call(QStringLiteral("getVrIdentificadorLista"), {Value(std::move(asked))});
    if (reply.kind() != Value::Kind::Array || reply.toArray().isEmpty())
        throw cns::EErro(QStringLiteral("Resposta do servidor inesperada ao consultar os crachás."));
    // Only the badges the register holds for others come back; the others stay 0.
    const cns::Packet &answers = reply.at(0).toPacket();
    for (qsizetype i = 0; i < answers.rowCount(); ++i) {
        const qint64 line = answers.value(i, 0).toInt();
        if (line >= 0 && line < order.size())
            counts[order.at(line)] = answers.value(i, 1).toInt();
    }
    return counts;
}

void ImportEngine::ChamaGeraLog(ImportProgress &progress, bool showLog)
{
    cdsLogImp.EmptyDataSet();
    progress.showPanel(ImportProgress::Panel::Checking);
    try {
        loadInto(cdsCrachaFilial, call(QStringLiteral("getCrachaFilial"), {Value(branchFilter)}));
        if (!m_lookups)
            m_lookups = std::make_unique<ImportLookups>(Corvane::FiliProc(), branchFilter);
        ConsistencyRun::Settings settings;
        settings.clientFromFile = clientFromFile;
        settings.checkRegister = layoutField(u"IDINACONSARQIMP") == u"N";
        // The register's answers for every badge of the rows come in one call; a badge the run asks
        // about beyond them (none, as the rows stand) gets its own.
        const QHash<QString, qint64> held = settings.checkRegister ? registerCounts() : QHash<QString, qint64>();
        ConsistencyRun run(settings, m_messages, *m_lookups,
                           [this, &held](const QString &badge, const QString &client, const QString &consumer) -> qint64 {
                               if (const auto it = held.constFind(registerKey(badge, client, consumer)); it != held.constEnd())
                                   return *it;
                               loadInto(cdsVrIdentificador, call(QStringLiteral("getVrIdentificador"),
                                                                 {Value(badge), Value(client), Value(consumer)}));
                               return cdsVrIdentificador.IsEmpty() ? 0 : cdsVrIdentificador.FieldByName(u"NRREGISTROS").AsInteger();
                           });
        run.setBranchBadges(cdsCrachaFilial.Data());
        run.run(m_rows, m_invalid, m_prepared);
        boInclui_Log = boInclui_Log || run.boInclui_Log;
        boParaImp = boParaImp || run.boParaImp;
        stListaCliente = run.stListaCliente;
        m_toImport = run.toImport;
        cdsLogImp.setData(run.takeLog());
        cdsLogImp.First();
        // A run that marks no other rows (the confirmation's, after the log's) leaves the grid as it is.
        if (m_invalid != m_publishedMarks)
            publishRows();
        // The client whose consumers the rows are, whatever the field says since the load.
        stP_CDCLIENTE = clientFromFile ? stListaCliente : m_loadedClient;
        if (showLog)
            abreLog();
    } catch (...) {
        progress.showPanel(ImportProgress::Panel::Hidden);
        m_messages.ShowMsg(u"LogFalhou", cns::MsgType::Information, cns::mbOK);
        throw;
    }
    progress.showPanel(ImportProgress::Panel::Hidden);
}

ImportEngine::Outcome ImportEngine::Confirmar(ImportProgress &progress)
{
    refuseUnreadableFile();
    if (!boCarregou)
        Consiste::MensErro(m_messages.Msg(u"NAO_CARREGOU"));
    if (m_loadFailed)
        Consiste::MensErro(m_messages.Msg(u"CARGA_INCOMPLETA"));
    const QString code = layoutField(u"CDLAYOUTIMP");
    if (!getExistLayout(code, QStringLiteral("CDCONSUMIDOR")))
        Consiste::MensErro(m_messages.Msg(u"NAO_CDCONSUMIDOR"));
    if (!yes(m_messages, layoutField(u"IDINACONSARQIMP") == u"N" ? u"Conf_Inativa" : u"Conf_Imp"))
        return Outcome::NotAsked;
    boInclui_Log = false;
    boParaImp = false;
    ChamaGeraLog(progress, false);
    if (boInclui_Log && yes(m_messages, u"Conf_Imp_Log")) {
        abreLog();
        return Outcome::LogShown;
    }
    if (boParaImp && layoutField(u"IDPARALISAIMPARQ") != u"N") {
        m_messages.ShowMsg(u"ImpCanc", cns::MsgType::Information, cns::mbOK);
        return Outcome::Stopped;
    }
    progress.showPanel(ImportProgress::Panel::Importing);
    try {
        QList<Value> args{Value(rowsPacket()), Value(code), Value(text(cdsArquivo, u"NMARQLAYIMP")), Value(stP_CDCLIENTE)};
        for (const char16_t *key : {u"CdCliNull", u"CdConNull", u"NmConNull", u"CdTpConNull", u"CdCCusClieNull", u"IdVerSaldCon",
                                    u"CdIdCad", u"IDCONS_CAD", u"IDTRABCONS_CAD"})
            args.append(Value(m_messages.Msg(QStringView(key))));
        args << Value(layoutField(u"CDFILIAL")) << Value(perBranchFlag) << Value(text(cdsArquivo, u"NRSEQTABELAY"));
        call(QStringLiteral("setConsumidor"), args);
        m_messages.ShowMsg(u"ImpSuces", cns::MsgType::Information, cns::mbOK);
        progress.showPanel(ImportProgress::Panel::Hidden);
        for (const char *table : {"CONSUMIDOR", "CCUSCLIE", "TIPOCONS"})
            Corvane::AtualizaLocalCache({QString::fromLatin1(table)});
        clearRows();
        publishRows();
    } catch (...) {
        clearRows();
        publishRows();
        progress.showPanel(ImportProgress::Panel::Hidden);
        m_messages.ShowMsg(u"ImpFalhou", cns::MsgType::Information, cns::mbOK);
        throw;
    }
    return Outcome::Imported;
}

} // namespace cns::import
