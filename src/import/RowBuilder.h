#pragma once

#include "ColumnReader.h"
#include "ConsistencyRun.h"
#include "Row.h"

#include <QString>

namespace cns::import {

class RowLookups;

// Builds one import row from the value array of an accepted line: the client (the screen's, or
// resolved from the file through the four lookups), codes at their widths, the consumer type of
// the branch, flags with their defaults, and the sign rule of the debit limit.
class RowBuilder
{
public:
    struct Settings
    {
        bool clientFromFile = false;
        QString screenClient;        // the CDCLIENTE chosen on the screen (screen-client mode)
        bool removeLeadingZeros = false;
        bool negativeDebitLimit = false; // the branch's IDIMPBLOLANCNEG is "S"
        QString emptyClient;         // the text of VAZIO
    };

    RowBuilder(Settings settings, RowLookups &lookups) : m_settings(std::move(settings)), m_lookups(lookups) {}

    // fileName: the file being read, without its folder. Raises EErro (file, line, column) when a
    // numeric or date field holds what does not convert.
    // clientAsWritten: the file's client field with its separators, tried when the code without
    // them is not found (external codes such as "USH-RP" keep their dash).
    // invalid, when given, tells whether the row is marked not to be imported (IDVALIDO "N"); keys,
    // when given, receives what the consistency run reads of the row, as it reads it.
    cns::Row build(const ColumnReader::Values &values, const QString &fileName, qint64 lineNumber,
                   const QString &clientAsWritten = {}, bool *invalid = nullptr, ConsistencyRun::Keys *keys = nullptr) const;

    // The value array's entries read as the row building reads them.
    static QString textOf(const cns::Value &v);
    static std::optional<double> numberOf(const cns::Value &v);

private:
    const Settings m_settings;
    RowLookups &m_lookups;
};

} // namespace cns::import
