#include "WidgetDialogs.h"

#include "ListDialog.h"
#include "LookupDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace cns::ui {

namespace {

struct ButtonSpec
{
    cns::MsgButton flag;
    const char *caption;
    QMessageBox::ButtonRole role;
    int result;
};

const ButtonSpec kButtons[] = {
    {cns::mbYes, "&Sim", QMessageBox::YesRole, cns::mrYes},
    {cns::mbNo, "&Não", QMessageBox::NoRole, cns::mrNo},
    {cns::mbOK, "OK", QMessageBox::AcceptRole, cns::mrOk},
    {cns::mbCancel, "Cancelar", QMessageBox::RejectRole, cns::mrCancel},
    {cns::mbAbort, "&Abortar", QMessageBox::RejectRole, cns::mrAbort},
    {cns::mbRetry, "&Repetir", QMessageBox::AcceptRole, cns::mrRetry},
    {cns::mbIgnore, "&Ignorar", QMessageBox::AcceptRole, cns::mrIgnore},
};

QMessageBox::Icon iconOf(cns::MsgType type)
{
    switch (type) {
    case cns::MsgType::Warning: return QMessageBox::Warning;
    case cns::MsgType::Error: return QMessageBox::Critical;
    case cns::MsgType::Information: return QMessageBox::Information;
    case cns::MsgType::Confirmation: return QMessageBox::Question;
    case cns::MsgType::Custom: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

QString defaultCaption(cns::MsgType type)
{
    switch (type) {
    case cns::MsgType::Warning: return QStringLiteral("Atenção");
    case cns::MsgType::Error: return QStringLiteral("Erro");
    case cns::MsgType::Information: return QStringLiteral("Informação");
    case cns::MsgType::Confirmation: return QStringLiteral("Confirmação");
    case cns::MsgType::Custom: break;
    }
    return QApplication::applicationDisplayName();
}

} // namespace

int WidgetDialogs::message(const QString &text, cns::MsgType type, cns::MsgButtons buttons, const QString &caption)
{
    QMessageBox box(iconOf(type), caption.isEmpty() ? defaultCaption(type) : caption, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QHash<QAbstractButton *, int> results;
    if (!buttons)
        buttons = cns::mbOK;
    for (const ButtonSpec &b : kButtons) {
        if (buttons.testFlag(b.flag))
            results.insert(box.addButton(QString::fromUtf8(b.caption), b.role), b.result);
    }
    box.exec();
    return results.value(box.clickedButton(), buttons.testFlag(cns::mbCancel) ? cns::mrCancel : cns::mrNo);
}

bool WidgetDialogs::inputBox(const QString &title, const QString &prompt, QString *value)
{
    QInputDialog dlg(QApplication::activeWindow());
    dlg.setWindowTitle(title);
    dlg.setLabelText(prompt);
    dlg.setTextValue(*value);
    dlg.setOkButtonText(QStringLiteral("OK"));
    dlg.setCancelButtonText(QStringLiteral("Cancelar"));
    if (dlg.exec() != QDialog::Accepted)
        return false;
    *value = dlg.textValue();
    return true;
}

namespace {

// The system's filters come as "Text (*.x)|*.x|..."; Qt wants "Text (*.x);;...".
QString qtFilters(const QString &filter)
{
    QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters.append(parts.at(i).contains(u'(') ? parts.at(i) : parts.at(i) + QStringLiteral(" (") + parts.at(i + 1) + u')');
    return filters.join(QStringLiteral(";;"));
}

} // namespace

QString WidgetDialogs::openFileName(const QString &title, const QString &dir, const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, dir, qtFilters(filter));
}

QString WidgetDialogs::saveFileName(const QString &title, const QString &dir, const QString &filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, dir, qtFilters(filter));
}

bool WidgetDialogs::chooseRow(const QString &title, cns::DataSet &rows, const QStringList &fields)
{
    return LookupDialog::choose(title, rows, fields);
}

bool WidgetDialogs::chooseRows(const QString &title, cns::DataSet &rows, const QString &keyField, QStringList *keys)
{
    return ListDialog::choose(title, rows, keyField, keys);
}

} // namespace cns::ui
