#pragma once

#include "ColumnReader.h"
#include "ConsistencyRun.h"
#include "DataSet.h"
#include "ImportLayout.h"
#include "ImportProgress.h"
#include "Row.h"
#include "RowBuilder.h"
#include "TADOIBQuery.h"

#include <QString>
#include <memory>
#include <vector>

class TMessages;
class TNetConnection;

namespace cns::import {

class ImportLookups;

// The consumer import without its window: layouts and their files, the load, the consistency run
// and the confirmation, as the import screen and the headless import both run them. Questions and
// messages go through the host's dialogs; progress through an ImportProgress.
//
// Choices made where the rules leave them open:
// - the value array is emptied at the start of each load, so no value of one load can reach
//   the rows of the next;
// - a delimited line with fewer fields than the layout needs gives empty texts to the columns
//   after its last field;
// - a mapped birth date that is blank in a line gives 01/01/1900, as an unmapped one does;
// - the branch's sign parameter (getBuscaParamValorNeg) is asked once per load: it depends only
//   on the processing branch;
// - the local badge pass compares rows of one client only; equal badges of different clients of
//   a branch are refused by the server when the import is confirmed;
// - the file's client list holds every distinct whole code once;
// - the branch badge check compares whole texts exactly, quote characters included.
class ImportEngine
{
public:
    ImportEngine(TNetConnection &net, const TMessages &messages);
    ~ImportEngine();
    ImportEngine(const ImportEngine &) = delete;
    ImportEngine &operator=(const ImportEngine &) = delete;

    // The packets of the screen.
    cns::DataSet cdsLayout, cdsArquivo, cdsDescLayout, cdsValLayout, cdsValLayoutCli, cdsDefLayout, cdsDefCliente,
        cdsCodExternoImp, cdsBuscaParamValorNeg, cdsCrachaFilial, cdsVrIdentificador, cdsConsumidor, cdsLogImp;
    TADOIBQuery qryCliente;

    // Module state of the import unit.
    bool boCarregou = false;
    bool boInclui_Log = false;
    bool boParaImp = false;
    QString stListaCliente;
    QString stP_CDCLIENTE;

    // The screen's choices.
    bool clientFromFile = false;      // rdbClienteTxt
    QString branchFilter;             // FiliProc() per branch, else "T"
    QString perBranchFlag;            // "S" or "N"
    QObject *busyOwner = nullptr;     // the window the busy indicator belongs to

    // The reference the log viewer is opened with (the import screen's); registers the log.
    void setReference(quintptr reference);

    // Server calls of the layout choice.
    void getLayoutImp(const QString &code, const QString &all);
    void getTabLayoutImp();
    QString getDefLayout();  // the branch's default layout code, or empty
    QString getDefCliente(); // the branch's default client as medCdCliente shows it, or empty
    bool getExistLayout(const QString &code, const QString &column);

    // Vd_Layout: the code brought to its width and validated; throws the screen's message.
    QString Vd_Layout(const QString &code, bool demanded);
    // Vd_CdCliente: the client's name; qryCliente stays on the client, whose code becomes the
    // screen's client. Throws the message (and the screen has no client then).
    QString Vd_CdCliente(const QString &registration, bool demanded);
    // The CDCLIENTE the client field named when it was last validated: not qryCliente's current
    // row, which the client lookup moves (also when the operator gives it up).
    QString screenClient() const { return m_screenClient; }

    // Drops what was loaded (a reset event).
    void reset();
    // Replaces the layout's file names (cns-import --file): the rows beyond the names given go.
    void replaceFiles(const QStringList &files);

    // The load. On a failure the rows made so far stay for a look (and a consistency run), the
    // counters say what the failed load read and that nothing is to be imported, the failure passes
    // on, and nothing can be confirmed until a load reads its files to the end: confirming part
    // of a file would inactivate every consumer that stood in the unread rest.
    void Carregar(ImportProgress &progress);
    bool loadFailed() const { return m_loadFailed; }
    int rowsLoaded() const { return int(m_rows.size()); }
    // The rows' keys (filled by the load) and pass orders (by the first consistency run).
    const ConsistencyRun::Prepared &prepared() const { return m_prepared; }
    int loadedCount() const { return m_loaded; } // what the last complete load read ("Reg. Carregados")
    int rowsToImport() const { return m_toImport; }
    // The file row names a file that is not there ("LayoutInvalido").
    bool fileMissing() const;

    // The consistency run; with showLog the log viewer opens afterwards.
    void ChamaGeraLog(ImportProgress &progress, bool showLog);
    void abreLog();

    // The confirmation, once the client and the layout were validated: what became of it.
    enum class Outcome { Imported, NotAsked, LogShown, Stopped };
    Outcome Confirmar(ImportProgress &progress);

    cns::Packet rowsPacket() const; // the rows with the invalid marks of the last run
    QString layoutField(QStringView field) const;

private:
    cns::Value call(const QString &method, const QList<cns::Value> &args);
    void loadInto(cns::DataSet &ds, const cns::Value &payload);
    void checkLayoutForLoad();
    // LayoutInvalido, with the file's name, when the file row names no file; why the file cannot be
    // read when it names something else.
    void refuseUnreadableFile();
    // Room for the rows of a file of fileBytes whose first lines took lineBytes.
    void reserveFor(qint64 fileBytes, qint64 lineBytes, size_t lines);
    void readFile(const QString &path, const ColumnReader &reader, const RowBuilder::Settings &settings, ImportProgress &progress);
    void publishRows();
    // getVrIdentificador's answer for every badge of the rows (getVrIdentificadorLista), by
    // registerKey.
    QHash<QString, qint64> registerCounts();
    static QString registerKey(const QString &badge, const QString &client, const QString &consumer);
    void clearRows();

    TNetConnection &m_net;
    const TMessages &m_messages;
    ImportLayout m_layout;
    ColumnReader::Values m_valueArray; // arFields' values of the line being read
    std::vector<cns::Row> m_rows;
    std::vector<bool> m_invalid;
    std::vector<bool> m_publishedMarks; // m_invalid as cdsConsumidor shows it
    ConsistencyRun::Prepared m_prepared; // of m_rows; emptied with them
    int m_loaded = 0;
    int m_toImport = 0;
    bool m_loadFailed = false;
    QString m_screenClient;
    QString m_loadedClient; // the screen's client the rows were built with
    quintptr m_reference = 0;
    std::unique_ptr<ImportLookups> m_lookups;
};

} // namespace cns::import
