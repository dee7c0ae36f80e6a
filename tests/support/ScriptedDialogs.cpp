#include "ScriptedDialogs.h"

#include "DataSet.h"

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

bool ScriptedDialogs::chooseRow(const QString &title, cns::DataSet &rows, const QStringList &)
{
    lookupTitles.append(title);
    const int row = rowChoices.isEmpty() ? -1 : rowChoices.dequeue();
    if (row < 0 || row >= rows.RecordCount())
        return false;
    rows.setRecNo(row + 1);
    return true;
}

bool ScriptedDialogs::chooseRows(const QString &title, cns::DataSet &rows, const QString &keyField, QStringList *keys)
{
    lookupTitles.append(title);
    if (listChoices.isEmpty())
        return false;
    keys->clear();
    for (int row : listChoices.dequeue()) {
        rows.setRecNo(row + 1);
        keys->append(rows.FieldByName(keyField).AsString());
    }
    return true;
}
