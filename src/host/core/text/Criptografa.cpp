#include "Criptografa.h"

#include "Corvane.h"
#include "EErro.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>

namespace Criptografa {

QString CriptoPlus(const QString &text, const QByteArray &secret)
{
    if (secret.isEmpty())
        throw cns::EErro(QStringLiteral("A chave da instalação não está configurada; a senha não pode ser gravada."));
    const QByteArray mac = QMessageAuthenticationCode::hash(text.toUtf8(), secret, QCryptographicHash::Sha256);
    return QString::fromLatin1(mac.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals).left(40));
}

QString CriptoPlus(const QString &text)
{
    return CriptoPlus(text, Corvane::context().ChaveInstalacao());
}

} // namespace Criptografa
