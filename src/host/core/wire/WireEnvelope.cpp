#include "WireEnvelope.h"

#include "EErro.h"
#include "JsonCodec.h"

#include <optional>

namespace cns::WireEnvelope {

QByteArray encodeRequest(const QString &module, const QString &method, const QList<Value> &args)
{
    QByteArray out;
    out.append("{\"module\":", 10);
    JsonCodec::writeString(module, out);
    out.append(",\"method\":", 10);
    JsonCodec::writeString(method, out);
    out.append(",\"args\":", 8);
    JsonCodec::encode(Value(args), out);
    out.append('}');
    return out;
}

Request decodeRequest(QByteArrayView json)
{
    const auto members = JsonCodec::decodeObject(json);
    Request r;
    bool hasModule = false, hasMethod = false, hasArgs = false;
    for (const auto &[key, value] : members) {
        // A member given twice could be read as either by a proxy or log in front of the server.
        if ((key == u"module" && hasModule) || (key == u"method" && hasMethod) || (key == u"args" && hasArgs))
            throw EErro(QStringLiteral("Requisição inválida: membro \"%1\" repetido.").arg(key));
        if (key == u"module" && value.kind() == Value::Kind::Text) {
            r.module = value.toString();
            hasModule = true;
        } else if (key == u"method" && value.kind() == Value::Kind::Text) {
            r.method = value.toString();
            hasMethod = true;
        } else if (key == u"args" && value.kind() == Value::Kind::Array) {
            r.args = value.toArray();
            hasArgs = true;
        } else {
            throw EErro(QStringLiteral("Requisição inválida: membro \"%1\" desconhecido ou do tipo errado.").arg(key));
        }
    }
    if (!hasModule || !hasMethod)
        throw EErro(QStringLiteral("Requisição inválida: faltam \"module\" e \"method\"."));
    if (!hasArgs)
        r.args.clear();
    return r;
}

QByteArray encodeReply(const Value &result)
{
    QByteArray out;
    if (result.isError()) {
        out.append("{\"ok\":false,\"error\":", 20);
        JsonCodec::writeString(result.errorText(), out);
        out.append('}');
        return out;
    }
    out.append("{\"ok\":true,\"result\":", 20);
    JsonCodec::encode(result, out);
    out.append('}');
    return out;
}

Value decodeReply(QByteArrayView json)
{
    const auto members = JsonCodec::decodeObject(json);
    std::optional<bool> ok;
    Value result, error;
    for (const auto &[key, value] : members) {
        if (key == u"ok" && value.kind() == Value::Kind::Bool)
            ok = value.toBool();
        else if (key == u"result")
            result = value;
        else if (key == u"error" && value.kind() == Value::Kind::Text)
            error = value;
    }
    if (!ok)
        throw EErro(QStringLiteral("Resposta do servidor inválida: falta \"ok\"."));
    if (!*ok)
        return Value::error(error.isNull() ? QStringLiteral("Erro no servidor de aplicação.") : error.toString());
    return result;
}

} // namespace cns::WireEnvelope
