#pragma once

#include "HostDialogs.h"

#include <QHash>
#include <QString>
#include <QStringList>

// A screen's message table: lines KEY|Text. Keys match without regard to case; in the texts
// \r, \n and \t are control characters, \" a double quote and \\ a backslash; each %s is filled,
// in order, by the arguments of Msg. An unknown key gives the key itself between brackets, so a
// missing text shows up instead of an empty box.
class TMessages
{
public:
    TMessages() = default;
    explicit TMessages(QStringView lines) { load(lines); }

    void load(QStringView lines); // adds to (and overrides) what is loaded
    void add(const QString &key, const QString &text);
    bool contains(QStringView key) const;
    QStringList keys() const;

    QString Msg(QStringView key, const QStringList &args = {}) const;
    // Shows the text of key and returns the button pressed.
    int ShowMsg(QStringView key, cns::MsgType type, cns::MsgButtons buttons, const QStringList &args = {},
                const QString &caption = {}) const;

    static QString unescape(QStringView text);
    static QString fill(const QString &text, const QStringList &args);

private:
    QHash<QString, QString> m_texts; // by upper-case key
};
