#pragma once

#include "HostDialogs.h"

// The host's dialogs of the headless import: messages go to the standard error, and the import's
// questions get the answers the command line gave, so that the run follows the screen's path
// without a window. The question whether to look at the log first is answered No: the log is
// written to its file instead.
class BatchDialogs : public cns::HostDialogs
{
public:
    explicit BatchDialogs(bool confirm) : m_confirm(confirm) {}

    int message(const QString &text, cns::MsgType type, cns::MsgButtons buttons, const QString &caption) override;
    bool inputBox(const QString &, const QString &, QString *) override { return false; }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool chooseRow(const QString &, cns::DataSet &, const QStringList &) override { return false; }
    bool chooseRows(const QString &, cns::DataSet &, const QString &, QStringList *) override { return false; }

private:
    bool m_confirm;
};
