#pragma once

#include "RemoteMethod.h"
#include "Value.h"

#include <QList>
#include <QString>

namespace cns {

// What a call's arguments must be before its method runs: as many as the method declares, each of
// its declared kind, and no text among them (a text argument, or a text cell of a packet or of a
// change set, original values included) holding the NUL character. PostgreSQL refuses that
// character inside any statement while SQLite stores it, and a text cut at it reads differently
// on each: refusing it before any statement runs answers alike on both.
namespace ArgumentCheck {

// Why the arguments do not serve the method, naming the method and the argument (and the field and
// row inside a packet); empty when they do.
QString refusal(const QString &module, const RemoteMethod &method, const QList<Value> &args);

} // namespace ArgumentCheck

} // namespace cns
