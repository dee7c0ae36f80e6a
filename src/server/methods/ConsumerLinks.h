#pragma once

#include "Packet.h"

#include <QString>

namespace cns {

class DbSession;

// Links of a consumer to a main consumer of the same client (CDCONSVINCULO). Links are one level
// deep: a main consumer is an active consumer of the client, not the consumer itself, and not
// linked to another one; and a consumer that others are linked to is linked to no one.
namespace ConsumerLinks {

// The consumers of the client linked to the given one (CDCONSUMIDOR, NMCONSUMIDOR), in code order.
// A consumer linked to itself does not count: it must not keep itself from being deleted.
Packet linkedTo(DbSession &db, const QString &client, const QString &consumer);

// The consumers of the client that could be the main consumer of the given one (CDCONSUMIDOR,
// NMCONSUMIDOR), by name and code.
Packet mainCandidates(DbSession &db, const QString &client, const QString &consumer);

// The consumers of the client that could be linked to the main one given (IDMARCADO "N",
// CDCONSUMIDOR, NMCONSUMIDOR), by name and code: active, linked to no one, with no one linked to
// them, and not the main consumer itself; none when the main one cannot be a main consumer (absent,
// inactive or itself linked).
Packet dependantCandidates(DbSession &db, const QString &client, const QString &main);

// Whether others are linked to the consumer (a link to itself aside).
bool hasLinked(DbSession &db, const QString &client, const QString &consumer);

// Whether the code given (brought to its width first) is an acceptable main consumer.
bool acceptsMain(DbSession &db, const QString &client, const QString &consumer, const QString &main);

} // namespace ConsumerLinks

} // namespace cns
