#include "ConsumerSaveRules.h"

#include "DbSession.h"
#include "EErro.h"

namespace cns {

ConsumerSaveRules::ConsumerSaveRules(DbSession &db, const ChangeSet &changes)
    : m_db(db), m_client(changes.indexOf(u"CDCLIENTE")), m_consumer(changes.indexOf(u"CDCONSUMIDOR")),
      m_name(changes.indexOf(u"NMCONSUMIDOR")), m_situation(changes.indexOf(u"IDSITCONSUMI")),
      m_type(changes.indexOf(u"CDTIPOCONS")), m_costCentre(changes.indexOf(u"CDCCUSCLIE")),
      m_fingerprints{changes.indexOf(u"DIGICONSUMIDOR"), changes.indexOf(u"DIGICONSUMIDOR2")}
{
}

QString ConsumerSaveRules::text(const Row &row, int field) const
{
    return field < 0 ? QString() : row.value(field).toString();
}

bool ConsumerSaveRules::writes(const ChangeSet::Change &c, int field) const
{
    if (c.op == ChangeSet::Op::Insert)
        return true;
    return field >= 0 && !(c.newRow.value(field) == c.oldRow.value(field));
}

bool ConsumerSaveRules::exists(const QString &sql, const QHash<QString, Value> &params) const
{
    return m_db.count(sql, params) > 0;
}

void ConsumerSaveRules::refuse(const Row &row, const QString &why) const
{
    const QString code = text(row, m_consumer).trimmed(), name = text(row, m_name).trimmed();
    const QString who = code.isEmpty() ? name : name.isEmpty() ? code : code + QStringLiteral(" - ") + name;
    throw EErro(QStringLiteral("Não foi possível gravar o consumidor %1. %2").arg(who, why));
}

void ConsumerSaveRules::check(const ChangeSet::Change &c) const
{
    if (c.op == ChangeSet::Op::Delete)
        return;
    keepKey(c);
    checkKey(c);
    checkName(c);
    checkSituation(c);
    checkType(c);
    checkCostCentre(c);
    checkFingerprints(c);
}

// A template cut to its column would never match the finger again: one that does not fit is refused.
void ConsumerSaveRules::checkFingerprints(const ChangeSet::Change &c) const
{
    constexpr int kMaxTemplate = 2000;
    for (int finger = 0; finger < 2; ++finger) {
        const int field = m_fingerprints[finger];
        const qsizetype size = text(c.newRow, field).size();
        if (writes(c, field) && size > kMaxTemplate)
            refuse(c.newRow, QStringLiteral("A Digital %1 tem %2 caracteres e o campo aceita no máximo %3.")
                                 .arg(finger + 1)
                                 .arg(size)
                                 .arg(kMaxTemplate));
    }
}

void ConsumerSaveRules::keepKey(const ChangeSet::Change &c) const
{
    if (c.op != ChangeSet::Op::Update || (!writes(c, m_client) && !writes(c, m_consumer)))
        return;
    refuse(c.oldRow, QStringLiteral("O cliente e o código de um consumidor gravado não podem ser alterados (%1/%2 para "
                                    "%3/%4). Inclua um novo consumidor no cliente desejado.")
                         .arg(text(c.oldRow, m_client).trimmed(), text(c.oldRow, m_consumer).trimmed(),
                              text(c.newRow, m_client).trimmed(), text(c.newRow, m_consumer).trimmed()));
}

void ConsumerSaveRules::checkKey(const ChangeSet::Change &c) const
{
    if (c.op != ChangeSet::Op::Insert)
        return;
    const QString client = text(c.newRow, m_client);
    if (client.trimmed().isEmpty())
        refuse(c.newRow, QStringLiteral("Cliente deve ser informado."));
    if (text(c.newRow, m_consumer).trimmed().isEmpty())
        refuse(c.newRow, QStringLiteral("Consumidor deve ser informado."));
    if (!exists(QStringLiteral("SELECT COUNT(*) FROM CLIENTE WHERE CDCLIENTE = :C"), {{QStringLiteral("C"), Value(client)}}))
        refuse(c.newRow, QStringLiteral("Cliente %1 não cadastrado.").arg(client.trimmed()));
}

void ConsumerSaveRules::checkName(const ChangeSet::Change &c) const
{
    if (writes(c, m_name) && text(c.newRow, m_name).trimmed().isEmpty())
        refuse(c.newRow, QStringLiteral("Nome deve ser informado."));
}

void ConsumerSaveRules::checkSituation(const ChangeSet::Change &c) const
{
    const QString situation = text(c.newRow, m_situation);
    if (writes(c, m_situation) && situation != u"1" && situation != u"2")
        refuse(c.newRow, QStringLiteral("A situação deve ser 1 (Ativo) ou 2 (Inativo); veio \"%1\".").arg(situation));
}

void ConsumerSaveRules::checkType(const ChangeSet::Change &c) const
{
    const QString type = text(c.newRow, m_type);
    if (!writes(c, m_type) || type.trimmed().isEmpty())
        return;
    if (!exists(QStringLiteral("SELECT COUNT(*) FROM TIPOCONS WHERE CDTIPOCONS = :T"), {{QStringLiteral("T"), Value(type)}}))
        refuse(c.newRow, QStringLiteral("Tipo de consumidor %1 não cadastrado.").arg(type.trimmed()));
}

void ConsumerSaveRules::checkCostCentre(const ChangeSet::Change &c) const
{
    const QString centre = text(c.newRow, m_costCentre);
    if (!writes(c, m_costCentre) || centre.trimmed().isEmpty())
        return;
    if (!exists(QStringLiteral("SELECT COUNT(*) FROM CCUSCLIE WHERE CDCLIENTE = :C AND CDCCUSCLIE = :K"),
                {{QStringLiteral("C"), Value(text(c.newRow, m_client))}, {QStringLiteral("K"), Value(centre)}}))
        refuse(c.newRow, QStringLiteral("Centro de custo %1 não cadastrado para o cliente deste consumidor.").arg(centre.trimmed()));
}

} // namespace cns
