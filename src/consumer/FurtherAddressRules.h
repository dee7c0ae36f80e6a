#pragma once

#include <QString>

class ConsumerRuleContext;
namespace cns {
class DataSet;
class Field;
} // namespace cns

// The checks of a further address of the consumer (a row of cdsEndeCons): each code is brought to
// its width, looked up in the location hierarchy and its name written into the row. Leaving a code
// column runs its check without demanding a value; a post runs all four, each demanding one. A
// failure brings "Outros Endereços" forward, puts the focus on the cell and aborts.
class FurtherAddressRules
{
public:
    FurtherAddressRules(ConsumerRuleContext &context, cns::DataSet &addresses) : m_ctx(context), m_rows(addresses) {}

    void Vd_Pais_OutrEnde(bool required);
    void Vd_Estado_OutrEnde(bool required);
    void Vd_Municipio_OutrEnde(bool required);
    void Vd_Bairro_OutrEnde(bool required);
    // The check of a code column left while the row is edited (nothing demanded).
    void columnLeft(const QString &field);
    // Before the row is posted: its keys are the current consumer's, the street is demanded, then
    // the four location checks demand their values, in the hierarchy's order.
    void beforePost();

private:
    cns::Field &field(QStringView name) const;
    bool editing() const;
    bool missing(QStringView name, bool required, const QString &key) const;
    QString adjusted(QStringView name, int width) const;
    [[noreturn]] void fail(const QString &field, const QString &key) const;

    ConsumerRuleContext &m_ctx;
    cns::DataSet &m_rows;
};
