#pragma once

#include <QString>

namespace cns::import {

// What the row building asks of the host's data: the client a file's client text names, and the
// branch's consumer type for a file's type code.
class RowLookups
{
public:
    struct Client
    {
        QString code;   // the client found, or the text looked up when none was
        QString motivo; // empty when found; "NAO_ENC" or "CLI_FIL" otherwise
    };

    virtual ~RowLookups() = default;
    virtual Client resolveClient(const QString &v) = 0;
    virtual QString translateType(const QString &t) = 0;
};

} // namespace cns::import
