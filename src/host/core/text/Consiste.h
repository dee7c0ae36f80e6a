#pragma once

#include "Value.h"

#include <QChar>
#include <QString>

// The host's text routines and the error path of the screens.
namespace Consiste {

bool EmptyString(QStringView s);  // empty or only blanks
QString AllTrim(QStringView s);   // blanks cut at both ends

// A code brought to its fixed width: blanks trimmed; a blank code stays empty; otherwise filled
// with "0" on the left up to the width. A longer code is left as it is, so that the field's size
// check refuses it visibly instead of it being cut into another code.
QString Ajusta(QStringView code, int width);

// The digits of a registration number; tipo (when given) receives "J" for 14 digits (CNPJ), "F"
// for 11 (CPF), "I" otherwise.
QString Ajusta_Inscricao(QStringView s, QString *tipo = nullptr);
QString TipoInscricao(QStringView s);
// Edit mask of a registration number of kind "J", "F" or "I" (no mask).
QString PictPess(QStringView tipo);

bool CPFOk(QStringView s);  // 11 digits (punctuation ignored), check digits right, not all equal
bool CNPJOk(QStringView s); // 14 digits, check digits right, not all equal
QString CPFCheckDigits(QStringView firstNine);
// The modulus 11 check digit of a text of decimal digits: weights 2 to 9 from the rightmost digit,
// starting again at 2 after 9; a remainder of 0 or 1 gives '0', otherwise 11 minus the remainder.
// A null QChar when the text holds anything but digits.
QChar DigitoModulo11(QStringView digits);
QString CNPJCheckDigits(QStringView firstTwelve);

// The key typed into a numeric cell, or a null QChar when it would give more than maxInt digits
// before the decimal separator or more than decimals after it. text is the cell's text, selStart
// and selLength the caret and selection that the key replaces. Control keys pass.
QChar MaxNumber(QChar key, QStringView text, int selStart, int selLength, int maxInt, int decimals);

template<typename T>
T iif(bool condition, const T &whenTrue, const T &whenFalse)
{
    return condition ? whenTrue : whenFalse;
}
inline QString iif(bool condition, const QString &whenTrue, const QString &whenFalse)
{
    return condition ? whenTrue : whenFalse;
}

// Shows text as an error; with abort (the usual call) throws the silent abort afterwards.
void MensErro(const QString &text, bool abort = true);
[[noreturn]] void MensErroAbort(const QString &text);

// Checks a server reply. An error reply raises the server's text (EErroServidor) when abort is
// true, or shows it and returns a null value when false. minElements > 0 also requires an array
// reply with at least that many elements. Otherwise returns the reply.
cns::Value CheckResultServ(const cns::Value &reply, bool abort = true, int minElements = 0);

} // namespace Consiste
