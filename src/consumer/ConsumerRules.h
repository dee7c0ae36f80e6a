#pragma once

#include "BadgeRule.h"

#include <QString>

class ConsumerRuleContext;
class TADOIBQuery;

// The field rules of the consumer record (Vd_*), run when the operator leaves a control and all
// together, in a fixed order, before the record is posted. Each raises the host's error with the
// text of its message key after bringing its tab forward and focusing its control.
class ConsumerRules
{
public:
    explicit ConsumerRules(ConsumerRuleContext &context) : m_ctx(context), m_badge(context) {}

    BadgeRule &badge() { return m_badge; }
    const BadgeRule &badge() const { return m_badge; }

    void Vd_Consumidor(bool required);
    void Vd_NmConsumidor(bool required);
    void Vd_TipoCons(bool required);
    void Vd_CentroCusto(bool required);
    void Vd_Vendedor();
    void Vd_CPF();
    void Vd_Email();
    // The birth date as typed (dd/mm/yyyy); writes it to the record when valid.
    void Vd_DtNasc(const QString &typed);
    void Vd_NomeSite();
    void Vd_Pais();
    void Vd_Estado();
    void Vd_Municipio();
    void Vd_Bairro();
    void vdConsVinculacao();

    // The consumer-type query of the first level that holds any type: the client's types enabled at
    // the processing branch, the client's types, the branch's types, all types.
    TADOIBQuery &tipoConsLevel(int *level = nullptr);
    // A new consumer without a site access code gets its badge as code and as site password.
    void siteAccessDefault();
    // The whole-record checks and the defaults at post; verifSaldo is the balance check box, ticked
    // for a new consumer.
    void beforePost(bool &verifSaldo);

    static bool emailOk(const QString &address);
    static bool cpfOk(const QString &digits);

private:
    QString adjusted(const QString &field, int width);
    void fillEmpty(const QString &field, const QString &value);

    ConsumerRuleContext &m_ctx;
    BadgeRule m_badge;
};
