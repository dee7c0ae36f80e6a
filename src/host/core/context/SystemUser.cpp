#include "SystemUser.h"

#include <pwd.h>
#include <unistd.h>

QString systemUserName()
{
    for (const char *name : {"USER", "LOGNAME"}) {
        const QString user = qEnvironmentVariable(name).trimmed();
        if (!user.isEmpty())
            return user;
    }
    if (const passwd *pw = getpwuid(getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return {};
}
