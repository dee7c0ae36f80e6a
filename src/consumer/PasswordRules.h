#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The password rules of the password dialog and of the site password's digest, kept apart from any
// window so that the consumer screen, the dialog and the tests share one version of them.
class PasswordRules
{
public:
    // Why a typed password is refused; None when it is accepted.
    enum class Refusal { None, PasswordEmpty, ConfirmationEmpty, NotDigits, Differs };

    // Checks in the dialog's order. Blanks only count as empty when nothing else is typed: a password
    // surrounded by blanks is kept with them, and it must then match its confirmation exactly.
    static Refusal check(const QString &password, const QString &confirmation, bool anyCharacters);
    // The message key of the dialog's table for a refusal.
    static QString messageKey(Refusal refusal);

    // MD5 of the text's Windows-1252 bytes as 32 lower-case hex digits; empty when the text holds a
    // character Windows-1252 has no byte for, as the web site could never check such a digest.
    static QString md5(const QString &text);
    // The digest the web site checks the site password against: the password between its two salts.
    static QString siteDigest(const QString &password);
    // The text as Windows-1252 bytes, or nothing when a character has no byte there.
    static std::optional<QByteArray> windows1252(const QString &text);
};
