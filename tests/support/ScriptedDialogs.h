#pragma once

#include "HostDialogs.h"

#include <QList>
#include <QQueue>
#include <QString>

// The host's dialogs for tests: answers come from queues the test fills, every message shown is
// recorded with its text and kind. A message with no queued answer gets the first button offered
// (OK for an information, Yes for a question); an input box with none is cancelled.
class ScriptedDialogs : public cns::HostDialogs
{
public:
    struct Shown
    {
        QString text;
        cns::MsgType type;
        cns::MsgButtons buttons;
        QString caption;
    };

    ScriptedDialogs() { cns::HostDialogs::install(this); }
    ~ScriptedDialogs() override { cns::HostDialogs::install(nullptr); }

    QList<Shown> shown;
    QQueue<int> answers;
    QQueue<QString> inputs;     // an input box answered with each text; a null QString cancels
    QQueue<QString> fileNames;
    QQueue<int> rowChoices;          // lookups: the row (0-based, in the rows' order) picked; -1 gives up
    QQueue<QList<int>> listChoices;  // lists: the rows ticked; an empty queue gives up
    QStringList lookupTitles;
    QStringList inputPrompts;

    int message(const QString &text, cns::MsgType type, cns::MsgButtons buttons, const QString &caption) override;
    bool inputBox(const QString &title, const QString &prompt, QString *value) override;
    QString openFileName(const QString &title, const QString &dir, const QString &filter) override;
    bool chooseRow(const QString &title, cns::DataSet &rows, const QStringList &fields) override;
    bool chooseRows(const QString &title, cns::DataSet &rows, const QString &keyField, QStringList *keys) override;

    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
};
