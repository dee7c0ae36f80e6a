#pragma once

#include <QByteArray>
#include <QString>

namespace Criptografa {

// The stored form of a password: HMAC-SHA-256 of the text keyed with the installation's secret,
// base64url without padding, cut to 40 characters. The same text gives the same form on every
// workstation of the installation; the form never gives back the text. The secret comes from the
// host's context; CriptoPlus raises EErro when the installation has none.
QString CriptoPlus(const QString &text);
QString CriptoPlus(const QString &text, const QByteArray &secret);

} // namespace Criptografa
