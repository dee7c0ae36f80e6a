#pragma once

#include <QString>

class QWidget;

// Opens the import screen modally and returns when it closes. owner: the window that owns it (the
// consumer screen, or the host's main window); consumerClient: the text of the consumer screen's
// client field, which the import screen takes when the branch has no default client.
void abreImportacao(QWidget *owner, const QString &consumerClient = {});
