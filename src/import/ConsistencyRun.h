#pragma once

#include "Packet.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <functional>
#include <vector>

class TMessages;

namespace cns::import {

class ImportLookups;

// The consistency run over the import rows: the code and badge duplicate passes with the row
// checks and the branch badge check, writing each finding as a log row in the log's order, marking
// the rows that must not be imported, and collecting the file's clients.
class ConsistencyRun
{
public:
    struct Settings
    {
        bool clientFromFile = false;
        bool checkRegister = false; // the layout's IDINACONSARQIMP is "N"
    };
    // A badge in use at the branch (cdsCrachaFilial).
    struct BranchBadge
    {
        QString client, consumer;
    };
    // How many identifiers the register holds for a badge of another consumer (getVrIdentificador).
    using RegisterCount = std::function<qint64(const QString &badge, const QString &client, const QString &consumer)>;

    ConsistencyRun(Settings settings, const TMessages &messages, ImportLookups &lookups, RegisterCount registerCount);

    void setBranchBadges(const cns::Packet &cdsCrachaFilial);

    // Findings that only warn; every other finding is blocking.
    static bool isWarning(QStringView key);

    // What a row is checked by.
    struct Keys
    {
        QString client, consumer, name, badge, external, type, costCentre, cpf, motivo;
    };
    // The rows' keys and the two passes' orders: they depend on the rows only, so that a run over
    // the same rows again (the confirmation's) takes them from the run before.
    struct Prepared
    {
        std::vector<Keys> keys;
        std::vector<int> byCode, byBadge;
    };

    // rows: the import rows in load order; invalid: their marks (kept from earlier runs, as the
    // rows keep theirs until the next load). Fills the log rows. prepared: what of it does not hold
    // as many rows as rows is made, the rest used as it is (the caller empties it whenever the rows
    // change; the load fills the keys as it builds the rows).
    void run(const std::vector<cns::Row> &rows, std::vector<bool> &invalid, Prepared &prepared);

    // The order of a duplicate pass: the rows' indexes by client, then by second (the code or the
    // badge), both without regard to case, as the index it stands for; equal keys in load order.
    static std::vector<int> order(const std::vector<Keys> &keys, QString Keys::*second);

    const cns::Packet &log() const { return m_log; }
    cns::Packet takeLog() { return std::exchange(m_log, cns::Packet(m_log.fields())); }
    bool boInclui_Log = false;
    bool boParaImp = false;
    QString stListaCliente;
    int toImport = 0;

    // The keys of rows as the run reads them from the packed rows.
    static std::vector<Keys> extract(const std::vector<cns::Row> &rows);
    // prepared's keys made from rows unless it holds them already (the load makes them).
    static void prepareKeys(const std::vector<cns::Row> &rows, Prepared &prepared);

private:
    // What one pass writes: the two passes run side by side, each into its own, and the run puts
    // them together in the log's order (the code pass's findings first).
    struct PassLog
    {
        cns::Packet log;
        std::vector<char> invalid; // the rows the pass marks
        bool boInclui_Log = false, boParaImp = false;
        int itcont = 1;
        std::vector<cns::Row> lastLogged; // by finding (index of m_texts): the pass's last log row of it
        cns::Row::Builder builder{128};
    };
    void Gera_Log(PassLog &out, int r);
    void Insere_Log(PassLog &out, int r, QStringView key);
    void Vd_CrachaFilial(PassLog &out, int r);
    // One step of a duplicate pass: row r against the row before it in the pass's order.
    void compare(PassLog &out, int prev, int r, bool equal, QStringView key);
    void codePass(PassLog &out, const std::vector<int> &idx);
    void badgePass(PassLog &out, const std::vector<int> &idx);
    qsizetype textIndex(QStringView key) const; // where a finding's key and text stand in m_texts
    PassLog newPassLog(size_t rows) const;

    Settings m_settings;
    ImportLookups &m_lookups;
    RegisterCount m_registerCount;
    QString m_emptyClient;
    QHash<QString, QList<BranchBadge>> m_branchBadges;
    const std::vector<Keys> *m_keysOf = nullptr; // the run's keys (of its Prepared)
    QSet<QString> m_listed;
    QList<QPair<QString, QString>> m_texts; // the findings' keys and message texts, read once
    cns::Packet m_log;
};

} // namespace cns::import
