#pragma once

#include "Value.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace cns {

// The request and reply of POST /call:
//   {"module": "Cns72200.rdmConsumidor", "method": "getCliente", "args": [...]}
//   {"ok": true, "result": <value>}  or  {"ok": false, "error": "<text>"}
namespace WireEnvelope {

struct Request
{
    QString module;
    QString method;
    QList<Value> args;
};

QByteArray encodeRequest(const QString &module, const QString &method, const QList<Value> &args);
Request decodeRequest(QByteArrayView json); // raises EErro naming what is missing or malformed

QByteArray encodeReply(const Value &result); // an error value gives the error reply
Value decodeReply(QByteArrayView json);      // an error reply gives an error value

} // namespace WireEnvelope

} // namespace cns
