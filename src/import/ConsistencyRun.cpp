#include "ConsistencyRun.h"

#include "Consiste.h"
#include "EErro.h"
#include "ImportLookups.h"
#include "ImportRecord.h"
#include "TMessages.h"
#include "Parallel.h"

#include <algorithm>

namespace cns::import {

ConsistencyRun::ConsistencyRun(Settings settings, const TMessages &messages, ImportLookups &lookups, RegisterCount registerCount)
    : m_settings(settings), m_lookups(lookups), m_registerCount(std::move(registerCount)),
      m_emptyClient(messages.Msg(u"VAZIO"))
{
    QList<cns::FieldDef> defs;
    for (const ImportRecord::FieldInfo &f : ImportRecord::logFields())
        defs.append(f.def);
    m_log.setFields(defs);
    for (const char16_t *key : {u"CdCliNull", u"CdCliNaoEncontrado", u"CliNaoAssociado", u"CdConsNull", u"NmConsNull", u"CdTipoCons",
                                u"CdCCusClie", u"CdTipoCons1", u"CdCCusClie1", u"CdIdJaCad_log", u"CpfInvalido", u"CrachaFilial",
                                u"Cod_Duplicado", u"Cracha_Duplicado"}) {
        const QString k = QString::fromUtf16(key);
        m_texts.append({k, messages.Msg(k)});
    }
}

qsizetype ConsistencyRun::textIndex(QStringView key) const
{
    for (qsizetype i = 0; i < m_texts.size(); ++i) {
        if (m_texts.at(i).first == key)
            return i;
    }
    // Every key this file logs is listed in the constructor.
    throw cns::EErro(QStringLiteral("Ocorrência sem texto na consistência da importação: %1.").arg(key));
}

ConsistencyRun::PassLog ConsistencyRun::newPassLog(size_t rows) const
{
    PassLog out;
    out.log.setFields(m_log.fields());
    out.invalid.assign(rows, false);
    out.lastLogged.resize(size_t(m_texts.size()));
    return out;
}

void ConsistencyRun::setBranchBadges(const cns::Packet &p)
{
    m_branchBadges.clear();
    const int badge = p.indexOf(u"CDIDCONSUMID"), client = p.indexOf(u"CDCLIENTE"), consumer = p.indexOf(u"CDCONSUMIDOR");
    if (badge < 0 || client < 0 || consumer < 0)
        return;
    for (qsizetype i = 0; i < p.rowCount(); ++i)
        m_branchBadges[p.value(i, badge).toString()].append({p.value(i, client).toString(), p.value(i, consumer).toString()});
}

std::vector<ConsistencyRun::Keys> ConsistencyRun::extract(const std::vector<cns::Row> &rows)
{
    using ImportRecord::rowField;
    static const int fields[] = {rowField(u"CDCLIENTE"),  rowField(u"CDCONSUMIDOR"), rowField(u"NMCONSUMIDOR"),
                                 rowField(u"CDIDCONSUMID"), rowField(u"CDEXCONSUMID"), rowField(u"CDTIPOCONS"),
                                 rowField(u"CDCCUSCLIE"), rowField(u"NRCPFRESPCON"), rowField(u"IDMOTIVO")};
    std::vector<Keys> keys(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        Keys &k = keys[r];
        QString *targets[] = {&k.client, &k.consumer, &k.name, &k.badge, &k.external, &k.type, &k.costCentre, &k.cpf, &k.motivo};
        cns::Row::Reader reader(rows[r]);
        for (int f = 0; !reader.atEnd(); ++f) {
            const auto *hit = std::find(std::begin(fields), std::end(fields), f);
            if (hit == std::end(fields)) {
                reader.skip();
                continue;
            }
            *targets[hit - std::begin(fields)] = reader.nextString();
        }
    }
    return keys;
}

void ConsistencyRun::prepareKeys(const std::vector<cns::Row> &rows, Prepared &prepared)
{
    if (prepared.keys.size() == rows.size())
        return;
    prepared.keys = extract(rows);
    prepared.byCode.clear();
}

bool ConsistencyRun::isWarning(QStringView key)
{
    return key == u"CdTipoCons1" || key == u"CdCCusClie1" || key == u"CpfInvalido";
}

void ConsistencyRun::Insere_Log(PassLog &out, int r, QStringView key)
{
    const Keys &k = (*m_keysOf)[size_t(r)];
    const qsizetype keyIndex = textIndex(key);
    cns::Row::Builder &b = out.builder;
    b.clear();
    for (const QString *s : {&k.client, &k.name, &k.consumer})
        b.addText(*s);
    b.addText(QStringView(m_texts.at(keyIndex).second).left(250));
    for (const QString *s : {&k.badge, &k.external, &k.type, &k.costCentre, &k.cpf})
        b.addText(*s);
    // A finding that reads as the key's finding before it (the blank lines of a file, every one
    // short of the same fields) shares that one's bytes: the log grows by its rows, not by their text.
    cns::Row &last = out.lastLogged[size_t(keyIndex)];
    cns::Row row = b.sameAs(last) ? last : b.takeExact();
    last = row;
    out.log.appendRow(std::move(row));
    out.boInclui_Log = true;
    if (!isWarning(key))
        out.boParaImp = true;
}

void ConsistencyRun::Gera_Log(PassLog &out, int r)
{
    const Keys &k = (*m_keysOf)[size_t(r)];
    if (k.client == m_emptyClient)
        Insere_Log(out, r, u"CdCliNull");
    else if (k.motivo == u"NAO_ENC")
        Insere_Log(out, r, u"CdCliNaoEncontrado");
    else if (k.motivo == u"CLI_FIL")
        Insere_Log(out, r, u"CliNaoAssociado");
    if (Consiste::EmptyString(k.consumer))
        Insere_Log(out, r, u"CdConsNull");
    if (Consiste::EmptyString(k.name))
        Insere_Log(out, r, u"NmConsNull");
    if (Consiste::EmptyString(k.type))
        Insere_Log(out, r, u"CdTipoCons");
    if (Consiste::EmptyString(k.costCentre))
        Insere_Log(out, r, u"CdCCusClie");
    if (!Consiste::EmptyString(k.type) && !m_lookups.typeExists(k.type))
        Insere_Log(out, r, u"CdTipoCons1");
    if (!Consiste::EmptyString(k.costCentre) && !m_lookups.costCentreExists(k.client, k.costCentre))
        Insere_Log(out, r, u"CdCCusClie1");
    // A blank badge has nothing in the register.
    if (m_settings.checkRegister && !Consiste::EmptyString(k.badge) && m_registerCount(k.badge, k.client, k.consumer) > 0)
        Insere_Log(out, r, u"CdIdJaCad_log");
    if (!Consiste::EmptyString(k.cpf) && (!Consiste::CPFOk(k.cpf) || k.cpf.size() != 11))
        Insere_Log(out, r, u"CpfInvalido");
}

void ConsistencyRun::Vd_CrachaFilial(PassLog &out, int r)
{
    if (!m_settings.checkRegister)
        return;
    const Keys &k = (*m_keysOf)[size_t(r)];
    const auto it = m_branchBadges.constFind(k.badge);
    if (it == m_branchBadges.constEnd())
        return;
    const bool other = std::any_of(it->cbegin(), it->cend(), [&k](const BranchBadge &b) {
        return b.client != k.client || b.consumer != k.consumer;
    });
    if (!other)
        return;
    Insere_Log(out, r, u"CrachaFilial");
    out.invalid[size_t(r)] = true;
}

namespace {

// text case-folded at the end of out, as QString::toCaseFolded() folds it; ASCII without a copy.
void appendFolded(const QString &text, QString &out)
{
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        out += text.toCaseFolded();
        return;
    }
    for (const QChar c : text)
        out += c >= u'A' && c <= u'Z' ? QChar(c.unicode() + (u'a' - u'A')) : c;
}

} // namespace

std::vector<int> ConsistencyRun::order(const std::vector<Keys> &keys, QString Keys::*second)
{
    // The index's case-insensitive order: by client, then by the second field, both compared
    // case-folded, rows of equal keys in load order. The clients are few: each distinct one gets
    // the rank of its folded text once, and the folded second fields sit in one text.
    QHash<QString, int> slotOf; // client as written -> its folded text's slot
    std::vector<QString> folded;
    std::vector<int> clientSlot(keys.size());
    QString texts;
    std::vector<qsizetype> start(keys.size() + 1);
    for (size_t i = 0; i < keys.size(); ++i) {
        auto it = slotOf.constFind(keys[i].client);
        if (it == slotOf.constEnd()) {
            it = slotOf.insert(keys[i].client, int(folded.size()));
            folded.push_back(keys[i].client.toCaseFolded());
        }
        clientSlot[i] = *it;
        start[i] = texts.size();
        appendFolded(keys[i].*second, texts);
    }
    start[keys.size()] = texts.size();
    // Clients whose folded texts are equal share a rank.
    std::vector<int> bySlot(folded.size()), rankOfSlot(folded.size());
    for (size_t i = 0; i < bySlot.size(); ++i)
        bySlot[i] = int(i);
    std::sort(bySlot.begin(), bySlot.end(), [&folded](int a, int b) { return folded[size_t(a)] < folded[size_t(b)]; });
    for (size_t i = 0, rank = 0; i < bySlot.size(); ++i) {
        if (i > 0 && folded[size_t(bySlot[i])] != folded[size_t(bySlot[i - 1])])
            ++rank;
        rankOfSlot[size_t(bySlot[i])] = int(rank);
    }
    std::vector<int> rank(keys.size()), idx(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        rank[i] = rankOfSlot[size_t(clientSlot[i])];
        idx[i] = int(i);
    }
    const QStringView all(texts);
    std::stable_sort(idx.begin(), idx.end(), [&](int a, int b) {
        if (rank[size_t(a)] != rank[size_t(b)])
            return rank[size_t(a)] < rank[size_t(b)];
        const QStringView x = all.sliced(start[size_t(a)], start[size_t(a) + 1] - start[size_t(a)]);
        const QStringView y = all.sliced(start[size_t(b)], start[size_t(b) + 1] - start[size_t(b)]);
        return x.compare(y) < 0;
    });
    return idx;
}

void ConsistencyRun::compare(PassLog &out, int prev, int r, bool equal, QStringView key)
{
    if (!equal) {
        out.itcont = 1;
        return;
    }
    // The first duplicate of a group also reports the row before it.
    if (out.itcont == 1)
        Insere_Log(out, prev, key);
    ++out.itcont;
    Insere_Log(out, r, key);
    out.invalid[size_t(r)] = out.invalid[size_t(prev)] = true;
}

void ConsistencyRun::codePass(PassLog &out, const std::vector<int> &idx)
{
    int prev = -1;
    for (const int r : idx) {
        Gera_Log(out, r);
        const Keys &k = (*m_keysOf)[size_t(r)];
        if (prev < 0) {
            stListaCliente = k.client + u'_';
            m_listed.insert(k.client);
            prev = r;
            continue;
        }
        const Keys &p = (*m_keysOf)[size_t(prev)];
        compare(out, prev, r, k.client == p.client && k.consumer == p.consumer, u"Cod_Duplicado");
        // Every distinct whole code once (a code that is part of a longer one is still listed).
        if (m_settings.clientFromFile && k.client != p.client && !m_listed.contains(k.client)) {
            stListaCliente += k.client + u'_';
            m_listed.insert(k.client);
        }
        prev = r;
    }
}

void ConsistencyRun::badgePass(PassLog &out, const std::vector<int> &idx)
{
    int prev = -1;
    for (const int r : idx) {
        const Keys &k = (*m_keysOf)[size_t(r)];
        // Badges are compared within one client: a clash across clients of a branch is the server's
        // to refuse when the import is confirmed.
        if (prev >= 0 && !Consiste::EmptyString(k.badge)) {
            const Keys &p = (*m_keysOf)[size_t(prev)];
            compare(out, prev, r, k.client == p.client && k.badge == p.badge, u"Cracha_Duplicado");
        }
        prev = r;
        Vd_CrachaFilial(out, r);
    }
}

void ConsistencyRun::run(const std::vector<cns::Row> &rows, std::vector<bool> &invalid, Prepared &prepared)
{
    m_log.rows().clear();
    stListaCliente.clear();
    m_listed.clear();
    prepareKeys(rows, prepared);
    if (prepared.byCode.size() != rows.size()) {
        // The two orders are independent: the badge one is sorted on another thread.
        cns::Parallel::bothAtOnce([&prepared] { prepared.byCode = order(prepared.keys, &Keys::consumer); },
                        [&prepared] { prepared.byBadge = order(prepared.keys, &Keys::badge); });
    }
    m_keysOf = &prepared.keys;
    // The badge pass asks nothing of the lookups or the server: it runs on another thread while
    // the code pass, which does, runs here.
    PassLog code = newPassLog(rows.size()), badge = newPassLog(rows.size());
    cns::Parallel::bothAtOnce([&] { codePass(code, prepared.byCode); }, [&] { badgePass(badge, prepared.byBadge); });
    m_log.rows().reserve(code.log.rows().size() + badge.log.rows().size());
    for (PassLog *pass : {&code, &badge}) {
        for (cns::Row &row : pass->log.rows())
            m_log.appendRow(std::move(row));
        pass->log.rows() = {};
        for (size_t r = 0; r < rows.size(); ++r) {
            if (pass->invalid[r])
                invalid[r] = true;
        }
        boInclui_Log = boInclui_Log || pass->boInclui_Log;
        boParaImp = boParaImp || pass->boParaImp;
    }
    toImport = int(std::count(invalid.cbegin(), invalid.cend(), false));
}

} // namespace cns::import
