#pragma once

#include <QStringList>
#include <QToolButton>
#include <functional>

namespace cns {
class DataSet;
}

namespace cns::ui {

// A lookup button: before the lookup opens, BeforePesq sets its source up (and may cancel by
// setting its flag); when a row was picked, AfterPesq copies it. Both run inside the handler guard.
class TBtnPesquisa : public QToolButton
{
    Q_OBJECT

public:
    explicit TBtnPesquisa(QWidget *parent = nullptr);

    cns::DataSet *Source = nullptr;
    QString Title;
    QString EmptyText;
    QStringList Fields;
    std::function<void(bool &cancel)> BeforePesq;
    std::function<void()> AfterPesq;

    // What a click does; true when a row was picked.
    bool Pesquisar();
};

} // namespace cns::ui
