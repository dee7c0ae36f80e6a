#include "ScriptedDialogs.h"

int ScriptedDialogs::message(const QString &text, cns::MsgType type, cns::MsgButtons buttons, const QString &caption)
{
    shown.append({text, type, buttons, caption});
    if (!answers.isEmpty())
        return answers.dequeue();
    if (buttons.testFlag(cns::mbYes))
        return cns::mrYes;
    return cns::mrOk;
}

bool ScriptedDialogs::inputBox(const QString &, const QString &prompt, QString *value)
{
    inputPrompts.append(prompt);
    if (inputs.isEmpty())
        return false;
    const QString answer = inputs.dequeue();
    if (answer.isNull())
        return false;
    *value = answer;
    return true;
}

QString ScriptedDialogs::openFileName(const QString &, const QString &, const QString &)
{
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out.append(s.text);
    return out;
}
