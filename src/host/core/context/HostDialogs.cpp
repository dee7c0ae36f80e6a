#include "HostDialogs.h"

#include <cstdio>

namespace cns {

namespace {

class StderrDialogs final : public HostDialogs
{
public:
    int message(const QString &text, MsgType, MsgButtons buttons, const QString &caption) override
    {
        std::fprintf(stderr, "%s%s\n", caption.isEmpty() ? "" : qPrintable(caption + QStringLiteral(": ")),
                     qPrintable(text));
        if (buttons.testFlag(mbNo))
            return mrNo;
        if (buttons.testFlag(mbCancel))
            return mrCancel;
        return mrOk;
    }
    bool inputBox(const QString &, const QString &, QString *) override { return false; }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool chooseRow(const QString &, DataSet &, const QStringList &) override { return false; }
    bool chooseRows(const QString &, DataSet &, const QString &, QStringList *) override { return false; }
};

StderrDialogs g_stderrDialogs;
HostDialogs *g_dialogs = nullptr;

} // namespace

HostDialogs &HostDialogs::current()
{
    return g_dialogs ? *g_dialogs : static_cast<HostDialogs &>(g_stderrDialogs);
}

void HostDialogs::install(HostDialogs *dialogs)
{
    g_dialogs = dialogs;
}

} // namespace cns
