#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

namespace cns {

class DataSet;

// Message kinds and buttons, numbered as the screens pass them (ShowMsg(key, 3, Yes|No) == 6).
enum class MsgType : int { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Custom = 4 };

enum MsgButton : int {
    mbYes = 0x01,
    mbNo = 0x02,
    mbOK = 0x04,
    mbCancel = 0x08,
    mbAbort = 0x10,
    mbRetry = 0x20,
    mbIgnore = 0x40,
};
Q_DECLARE_FLAGS(MsgButtons, MsgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgButtons)

// The button pressed.
enum MsgResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

// The dialogs of the host: messages, the input box, the file dialog. The host installs its windowed
// implementation; tests install one that answers from a queue and records what was shown. Without
// any, messages go to the standard error and the safe answer (No, Cancel) is returned.
class HostDialogs
{
public:
    virtual ~HostDialogs() = default;
    virtual int message(const QString &text, MsgType type, MsgButtons buttons, const QString &caption) = 0;
    // True when the operator confirmed; value holds the default on entry and the answer on return.
    virtual bool inputBox(const QString &title, const QString &prompt, QString *value) = 0;
    // Empty when the operator cancelled.
    virtual QString openFileName(const QString &title, const QString &dir, const QString &filter) = 0;
    // A file to write (it may not exist yet); by default asked as openFileName asks.
    virtual QString saveFileName(const QString &title, const QString &dir, const QString &filter)
    {
        return openFileName(title, dir, filter);
    }
    // A lookup: the operator picks one of the rows (the DataSet's cursor is left on it: true) or
    // gives up (false). fields: the columns shown, empty for every visible field.
    virtual bool chooseRow(const QString &title, DataSet &rows, const QStringList &fields) = 0;
    // A list: the operator ticks rows; keys receives the key field's text of each ticked row, in the
    // rows' order. False when the operator gave up.
    virtual bool chooseRows(const QString &title, DataSet &rows, const QString &keyField, QStringList *keys) = 0;

    static HostDialogs &current();
    static void install(HostDialogs *dialogs); // null: back to the standard error
};

} // namespace cns
