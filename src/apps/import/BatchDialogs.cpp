#include "BatchDialogs.h"

#include "ImportMessages.h"

#include <cstdio>

using namespace cns::import;

int BatchDialogs::message(const QString &text, cns::MsgType type, cns::MsgButtons buttons, const QString &)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    if (!buttons.testFlag(cns::mbYes))
        return cns::mrOk;
    if (type == cns::MsgType::Confirmation && text == ImportMessages::table().Msg(u"Conf_Imp_Log"))
        return cns::mrNo;
    return m_confirm ? cns::mrYes : cns::mrNo;
}
