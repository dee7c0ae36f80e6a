#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace cns {

// An error with a text for the operator (Portuguese). Server replies, SQL failures, bad packets and
// bad arguments all travel as EErro; the guard around a screen's handlers shows the text.
class EErro : public std::exception
{
public:
    explicit EErro(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// An error reply of the application server: its text, exactly as the server wrote it.
class EErroServidor : public EErro
{
public:
    using EErro::EErro;
};

} // namespace cns
