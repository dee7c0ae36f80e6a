#pragma once

#include "CallOrigin.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace cns {

// The request line and header fields of an HTTP/1.x request, read strictly: whatever two readers
// could take in two ways (a repeated or doubtful Content-Length, one beside Transfer-Encoding, a
// folded line, blanks before a colon) is refused, so that a proxy in front of the server and the
// server itself always agree on where a request ends.
struct HttpRequestHead
{
    QByteArray method, path, version;
    qint64 length = -1; // Content-Length; -1 when absent
    bool keepAlive = true;
    bool expectContinue = false;
    bool chunked = false; // a Transfer-Encoding was given
    QByteArray authorization;
    QByteArray callId; // X-Cns-Chamada: the caller's name for this call, the same on each of its tries
    CallOrigin origin; // X-Cns-Operador and X-Cns-Filial: on whose behalf the call is made

    // Reads head (up to, not including, the blank line that ends it). On a fault returns false with
    // the status of the refusal and its text.
    static bool parse(QByteArrayView head, HttpRequestHead *out, int *status, QString *error);
};

} // namespace cns
