#include "Consiste.h"

#include "EAbort.h"
#include "EErro.h"
#include "HostDialogs.h"

#include <algorithm>

namespace Consiste {

bool EmptyString(QStringView s)
{
    return s.trimmed().isEmpty();
}

QString AllTrim(QStringView s)
{
    return s.trimmed().toString();
}

QString Ajusta(QStringView code, int width)
{
    const QStringView t = code.trimmed();
    if (t.isEmpty() || t.size() >= width)
        return t.toString();
    // Zeros and the code written into one text.
    QString out(width, u'0');
    std::copy(t.cbegin(), t.cend(), out.begin() + (width - t.size()));
    return out;
}

QString Ajusta_Inscricao(QStringView s, QString *tipo)
{
    QString digits;
    digits.reserve(s.size());
    for (const QChar c : s) {
        if (c.isDigit() && c.unicode() < 128)
            digits.append(c);
    }
    if (tipo)
        *tipo = TipoInscricao(digits);
    return digits;
}

QString TipoInscricao(QStringView s)
{
    qsizetype n = 0;
    for (const QChar c : s) {
        if (c.isDigit() && c.unicode() < 128)
            ++n;
    }
    if (n == 14)
        return QStringLiteral("J");
    if (n == 11)
        return QStringLiteral("F");
    return QStringLiteral("I");
}

QString PictPess(QStringView tipo)
{
    if (tipo == u"J")
        return QStringLiteral("99.999.999/9999-99");
    if (tipo == u"F")
        return QStringLiteral("999.999.999-99");
    return {};
}

namespace {

QString digitsOnly(QStringView s)
{
    return Ajusta_Inscricao(s);
}

bool allSame(const QString &d)
{
    for (const QChar c : d) {
        if (c != d.at(0))
            return false;
    }
    return true;
}

int mod11Digit(const QString &digits, const QList<int> &weights)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += digits.at(i).digitValue() * weights.at(i);
    const int r = sum % 11;
    return r < 2 ? 0 : 11 - r;
}

} // namespace

QChar DigitoModulo11(QStringView digits)
{
    int sum = 0;
    int weight = 2;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (!digits[i].isDigit() || digits[i].unicode() > 127)
            return QChar();
        sum += digits[i].digitValue() * weight;
        weight = weight == 9 ? 2 : weight + 1;
    }
    const int r = sum % 11;
    return QChar(u'0' + (r < 2 ? 0 : 11 - r));
}

QString CPFCheckDigits(QStringView firstNine)
{
    QString d = digitsOnly(firstNine);
    if (d.size() != 9)
        return {};
    const int d1 = mod11Digit(d, {10, 9, 8, 7, 6, 5, 4, 3, 2});
    d.append(QChar(u'0' + d1));
    const int d2 = mod11Digit(d, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2});
    return QString(QChar(u'0' + d1)) + QChar(u'0' + d2);
}

QString CNPJCheckDigits(QStringView firstTwelve)
{
    QString d = digitsOnly(firstTwelve);
    if (d.size() != 12)
        return {};
    const int d1 = mod11Digit(d, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
    d.append(QChar(u'0' + d1));
    const int d2 = mod11Digit(d, {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
    return QString(QChar(u'0' + d1)) + QChar(u'0' + d2);
}

bool CPFOk(QStringView s)
{
    const QString d = digitsOnly(s);
    if (d.size() != 11 || allSame(d))
        return false;
    return CPFCheckDigits(QStringView(d).left(9)) == QStringView(d).right(2);
}

bool CNPJOk(QStringView s)
{
    const QString d = digitsOnly(s);
    if (d.size() != 14 || allSame(d))
        return false;
    return CNPJCheckDigits(QStringView(d).left(12)) == QStringView(d).right(2);
}

QChar MaxNumber(QChar key, QStringView text, int selStart, int selLength, int maxInt, int decimals)
{
    if (key.unicode() < 32)
        return key; // backspace, enter, escape
    selStart = std::clamp(selStart, 0, int(text.size()));
    selLength = std::clamp(selLength, 0, int(text.size()) - selStart);
    const QString after = text.left(selStart).toString() + key + text.mid(selStart + selLength);
    const qsizetype sep = after.indexOf(u',');
    const QStringView intPart = sep < 0 ? QStringView(after) : QStringView(after).left(sep);
    const QStringView decPart = sep < 0 ? QStringView() : QStringView(after).mid(sep + 1);
    if (sep >= 0 && (decimals <= 0 || decPart.contains(u',')))
        return QChar();
    auto digitCount = [](QStringView v) {
        qsizetype n = 0;
        for (const QChar c : v) {
            if (c.isDigit())
                ++n;
        }
        return n;
    };
    if (digitCount(intPart) > maxInt || digitCount(decPart) > decimals)
        return QChar();
    return key;
}

void MensErro(const QString &text, bool abort)
{
    cns::HostDialogs::current().message(text, cns::MsgType::Error, cns::mbOK, QString());
    if (abort)
        throw cns::EAbort();
}

void MensErroAbort(const QString &text)
{
    MensErro(text, false);
    throw cns::EAbort();
}

cns::Value CheckResultServ(const cns::Value &reply, bool abort, int minElements)
{
    if (reply.isError()) {
        if (abort)
            throw cns::EErroServidor(reply.errorText());
        MensErro(reply.errorText(), false);
        return {};
    }
    if (minElements > 0) {
        if (reply.kind() != cns::Value::Kind::Array)
            throw cns::EErro(QStringLiteral("Resposta do servidor inesperada: esperada uma lista, veio %1.")
                                 .arg(cns::Value::kindName(reply.kind())));
        if (reply.toArray().size() < minElements)
            throw cns::EErro(QStringLiteral("Resposta do servidor com %1 elementos; esperados ao menos %2.")
                                 .arg(reply.toArray().size())
                                 .arg(minElements));
    }
    return reply;
}

} // namespace Consiste
