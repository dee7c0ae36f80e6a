#pragma once

#include "HostDialogs.h"

namespace cns::ui {

// The host's dialogs in windows: message boxes with the system's button captions in Portuguese,
// the input box and the file dialog.
class WidgetDialogs : public cns::HostDialogs
{
public:
    int message(const QString &text, cns::MsgType type, cns::MsgButtons buttons, const QString &caption) override;
    bool inputBox(const QString &title, const QString &prompt, QString *value) override;
    QString openFileName(const QString &title, const QString &dir, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &dir, const QString &filter) override;
    bool chooseRow(const QString &title, cns::DataSet &rows, const QStringList &fields) override;
    bool chooseRows(const QString &title, cns::DataSet &rows, const QString &keyField, QStringList *keys) override;
};

} // namespace cns::ui
