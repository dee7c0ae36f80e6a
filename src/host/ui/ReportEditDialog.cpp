#include "ReportEditDialog.h"

#include "EErro.h"
#include "HandlerGuard.h"
#include "NumberFormat.h"
#include "ReportCatalog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace cns::ui {

namespace {

enum ColumnCell { Field, Title, Width, Align, Format, CellCount };

QString alignText(Qt::Alignment a)
{
    if (a & Qt::AlignRight)
        return QStringLiteral("direita");
    if (a & Qt::AlignHCenter)
        return QStringLiteral("centro");
    return QStringLiteral("esquerda");
}

Qt::Alignment alignOf(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t.startsWith(u'd'))
        return Qt::AlignRight;
    if (t.startsWith(u'c'))
        return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

} // namespace

ReportEditDialog::ReportEditDialog(const ReportDefinition &definition, QWidget *parent)
    : QDialog(parent), m_original(definition)
{
    setObjectName(QStringLiteral("frmReportEdit"));
    setWindowTitle(QStringLiteral("Editar relatório - %1").arg(definition.name));
    const TMessages &msg = ReportCatalog::messages();
    auto *form = new QFormLayout;
    edtTitulo = new QLineEdit(definition.title, this);
    edtTitulo->setObjectName(QStringLiteral("edtTitulo"));
    edtTitulo->setToolTip(msg.Msg(u"NovoPrompt"));
    form->addRow(msg.Msg(u"NovoCaption"), edtTitulo);

    grdColunas = new QTableWidget(0, CellCount, this);
    grdColunas->setObjectName(QStringLiteral("grdColunas"));
    grdColunas->setHorizontalHeaderLabels({QStringLiteral("Campo"), QStringLiteral("Título"),
                                           QStringLiteral("Largura (mm)"), QStringLiteral("Alinhamento"),
                                           QStringLiteral("Formato")});
    grdColunas->horizontalHeader()->setStretchLastSection(true);
    fillColumns();
    auto *columnButtons = new QHBoxLayout;
    auto *add = new QPushButton(QStringLiteral("Incluir coluna"), this);
    add->setObjectName(QStringLiteral("btnIncluiColuna"));
    auto *remove = new QPushButton(QStringLiteral("Excluir coluna"), this);
    remove->setObjectName(QStringLiteral("btnExcluiColuna"));
    connect(add, &QPushButton::clicked, this, HandlerGuard::guarded([this] { addColumn(); }));
    connect(remove, &QPushButton::clicked, this, HandlerGuard::guarded([this] { removeColumn(); }));
    columnButtons->addWidget(add);
    columnButtons->addWidget(remove);
    columnButtons->addStretch();

    memSQL = new QPlainTextEdit(definition.sql[0], this);
    memSQL->setObjectName(QStringLiteral("memSQL"));
    memSQL->setLineWrapMode(QPlainTextEdit::NoWrap);

    btnBotoes = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnBotoes->setObjectName(QStringLiteral("btnBotoes"));
    btnBotoes->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Gravar"));
    btnBotoes->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(btnBotoes, &QDialogButtonBox::accepted, this, &ReportEditDialog::accept);
    connect(btnBotoes, &QDialogButtonBox::rejected, this, &ReportEditDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(grdColunas, 1);
    layout->addLayout(columnButtons);
    layout->addWidget(memSQL, 1);
    layout->addWidget(btnBotoes);
    resize(760, 560);
}

void ReportEditDialog::fillColumns()
{
    grdColunas->setRowCount(int(m_original.columns.size()));
    for (int r = 0; r < m_original.columns.size(); ++r) {
        const auto &c = m_original.columns.at(r);
        const QStringList cells = {c.field, c.title, NumberFormat::plain(c.width), alignText(c.align), c.format};
        for (int i = 0; i < CellCount; ++i)
            grdColunas->setItem(r, i, new QTableWidgetItem(cells.at(i)));
    }
}

void ReportEditDialog::addColumn()
{
    const int r = grdColunas->rowCount();
    grdColunas->insertRow(r);
    const QStringList cells = {QString(), QString(), QStringLiteral("30"), alignText(Qt::AlignLeft), QString()};
    for (int i = 0; i < CellCount; ++i)
        grdColunas->setItem(r, i, new QTableWidgetItem(cells.at(i)));
    grdColunas->setCurrentCell(r, Field);
}

void ReportEditDialog::removeColumn()
{
    if (grdColunas->currentRow() >= 0)
        grdColunas->removeRow(grdColunas->currentRow());
}

ReportDefinition ReportEditDialog::definition() const
{
    ReportDefinition d = m_original;
    d.title = edtTitulo->text().trimmed();
    if (d.title.isEmpty())
        throw EErro(ReportCatalog::messages().Msg(u"NovoPrompt"));
    d.sql[0] = memSQL->toPlainText();
    if (d.sql[0].trimmed().isEmpty())
        throw EErro(QStringLiteral("A consulta do relatório deve ser informada."));
    const auto cell = [this](int r, int c) {
        const QTableWidgetItem *item = grdColunas->item(r, c);
        return item ? item->text().trimmed() : QString();
    };
    // A column left without its field is dropped: that is how a column is taken out in the grid too.
    QMap<QString, QMap<QString, QString>> coded;
    for (const auto &c : m_original.columns)
        coded.insert(c.field, c.values);
    d.columns.clear();
    for (int r = 0; r < grdColunas->rowCount(); ++r) {
        const QString field = cell(r, Field).toUpper();
        if (field.isEmpty())
            continue;
        const std::optional<double> width = NumberFormat::parse(cell(r, Width));
        if (!width || *width <= 0)
            throw EErro(QStringLiteral("A largura da coluna %1 deve ser um número maior que zero; veio \"%2\".")
                            .arg(field, cell(r, Width)));
        d.columns.append({field, cell(r, Title), *width, alignOf(cell(r, Align)), cell(r, Format), coded.value(field)});
    }
    if (d.columns.isEmpty())
        throw EErro(QStringLiteral("O relatório deve ter ao menos uma coluna."));
    return d;
}

void ReportEditDialog::accept()
{
    if (HandlerGuard::run([this] { (void)definition(); }))
        QDialog::accept();
}

} // namespace cns::ui
