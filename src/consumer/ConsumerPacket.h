#pragma once

#include <QString>
#include <functional>

class TMessages;
namespace cns {
class DataSet;
}

// Defines a consumer packet (cdsConsumidor, and its chunk twin cdsConsTemp): the 73 fields in the
// record's order with labels and formats, the texts shown for the coded fields, and the values a new
// consumer starts with.
namespace ConsumerPacket {

struct Context
{
    const TMessages *messages = nullptr;
    std::function<bool()> clientHasCheckDigit; // the current client's badges end with a check digit
    std::function<QString()> clientCode;       // the current client
    std::function<QString()> branchOnInsert;   // the processing branch when working per branch, else empty
};

void define(cns::DataSet &ds, const Context &context);

// The badge as the badge field shows it: without its check digit while browsing a client whose badges
// carry one.
QString badgeText(const QString &stored, bool browsing, bool checkDigit);

} // namespace ConsumerPacket
