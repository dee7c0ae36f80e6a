#include "ReportRenderer.h"

#include "EAbort.h"
#include "EErro.h"
#include "ReportQuery.h"
#include "ReportRows.h"

#include <QFile>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace cns::ui {

namespace {

using Line = ReportRows::Line;
using Kind = ReportRows::Kind;

const QString kFontFamily = QStringLiteral("DejaVu Sans");

// Where things stand on a page, in the device's units.
struct Metrics
{
    QRect page;
    int lineHeight = 0;
    int headerHeight = 0; // title, branch and operator lines, column titles and the rule below them
    int footerHeight = 0;
    int linesPerPage = 0;
    int padding = 0; // blank kept at each side of a cell, so that neighbours never touch
    QList<QRect> columns; // x and width of each column
};

// Walks the lines into pages. Counting and painting run the same walk, so the count is the pages painted.
class PageFlow
{
public:
    PageFlow(int linesPerPage, std::function<void()> newPage, std::function<void(const Line &, int slot)> put)
        : m_perPage(linesPerPage), m_newPage(std::move(newPage)), m_put(std::move(put))
    { }

    void add(const Line &line)
    {
        // A group header never ends a page: its first row goes with it.
        const bool full
            = m_slot >= m_perPage || (line.kind == Kind::GroupHeader && m_slot > 0 && m_slot >= m_perPage - 1);
        if (m_pages == 0 || full) {
            ++m_pages;
            m_slot = 0;
            m_newPage();
            // A group that goes on over a page says so again at the top.
            if (m_inGroup && line.kind != Kind::GroupHeader)
                m_put({Kind::GroupHeader, {}, m_groupText + QStringLiteral(" (continuação)")}, m_slot++);
        }
        if (line.kind == Kind::GroupHeader) {
            m_inGroup = true;
            m_groupText = line.text;
        } else if (line.kind == Kind::GroupFooter) {
            m_inGroup = false;
        }
        m_put(line, m_slot++);
    }
    // A report without rows still has its page.
    int finish()
    {
        if (m_pages == 0) {
            ++m_pages;
            m_newPage();
        }
        return m_pages;
    }

private:
    int m_perPage;
    std::function<void()> m_newPage;
    std::function<void(const Line &, int)> m_put;
    int m_pages = 0;
    int m_slot = 0;
    bool m_inGroup = false;
    QString m_groupText;
};

QFont font(double points, bool bold = false)
{
    QFont f(kFontFamily);
    f.setPointSizeF(points);
    f.setBold(bold);
    // No ligatures: a PDF's text is searched and copied, and "fi" must stay two letters.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

Metrics measure(const ReportDefinition &def, QPagedPaintDevice &device)
{
    Metrics m;
    m.page = QRect(0, 0, device.width(), device.height());
    const QFontMetrics body(font(8), &device);
    const QFontMetrics title(font(12, true), &device);
    m.lineHeight = body.height() * 13 / 10;
    m.headerHeight = title.height() * 14 / 10 + m.lineHeight * 3;
    m.footerHeight = m.lineHeight * 2;
    m.linesPerPage = std::max(1, (m.page.height() - m.headerHeight - m.footerHeight) / m.lineHeight);
    const double dotsPerMm = device.logicalDpiX() / 25.4;
    m.padding = int(dotsPerMm);
    double wanted = 0;
    for (const auto &c : def.columns)
        wanted += c.width * dotsPerMm;
    // Columns wider than the page are narrowed alike.
    const double scale = wanted > m.page.width() ? m.page.width() / wanted : 1.0;
    double x = 0;
    for (const auto &c : def.columns) {
        const double w = c.width * dotsPerMm * scale;
        m.columns.append(QRect(int(x), 0, int(w), m.lineHeight));
        x += w;
    }
    return m;
}

class PagePainter
{
public:
    PagePainter(const ReportDefinition &def, const ReportHeading &heading, QPagedPaintDevice &device, const Metrics &m,
                int pages)
        : m_def(def), m_heading(heading), m_device(device), m_m(m), m_pages(pages), m_painter(&device)
    {
        if (!m_painter.isActive())
            throw EErro(QStringLiteral("Não foi possível iniciar a impressão do relatório %1.").arg(def.name));
    }

    int page() const { return m_page; }

    void newPage()
    {
        if (m_page > 0 && !m_device.newPage())
            throw EErro(QStringLiteral("Não foi possível começar a página %1 do relatório.").arg(m_page + 1));
        ++m_page;
        header();
        footer();
    }

    void put(const Line &line, int slot)
    {
        const int y = m_m.headerHeight + slot * m_m.lineHeight;
        const bool strong = line.kind != Kind::Row;
        m_painter.setFont(font(8, strong));
        if (line.kind == Kind::Row || !line.cells.isEmpty())
            cells(line.cells, y);
        if (line.kind != Kind::Row) {
            m_painter.drawText(QRect(0, y, m_m.page.width(), m_m.lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                               line.text);
            if (line.kind != Kind::GroupHeader)
                m_painter.drawLine(0, y, m_m.page.width(), y);
        }
    }

private:
    void cells(const QStringList &texts, int y)
    {
        const QFontMetrics fm(m_painter.font(), &m_device);
        for (int c = 0; c < m_m.columns.size() && c < texts.size(); ++c) {
            const QRect r = m_m.columns.at(c).adjusted(m_m.padding, 0, -m_m.padding, 0).translated(0, y);
            m_painter.drawText(r, int(m_def.columns.at(c).align | Qt::AlignVCenter),
                               fm.elidedText(texts.at(c), Qt::ElideRight, r.width()));
        }
    }

    void header()
    {
        const int w = m_m.page.width();
        m_painter.setFont(font(12, true));
        const int titleHeight = QFontMetrics(m_painter.font(), &m_device).height() * 14 / 10;
        m_painter.drawText(QRect(0, 0, w, titleHeight), Qt::AlignLeft | Qt::AlignVCenter, m_def.title);
        m_painter.setFont(font(8));
        m_painter.drawText(QRect(0, 0, w, titleHeight), Qt::AlignRight | Qt::AlignVCenter,
                           m_heading.printedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm")));
        int y = titleHeight;
        m_painter.drawText(QRect(0, y, w, m_m.lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                           QStringLiteral("Filial: %1").arg(m_heading.branch));
        m_painter.drawText(QRect(0, y, w, m_m.lineHeight), Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("Operador: %1").arg(m_heading.operatorName));
        y += m_m.lineHeight * 3 / 2;
        m_painter.setFont(font(8, true));
        QStringList titles;
        for (const auto &c : m_def.columns)
            titles.append(c.title);
        cells(titles, y);
        y += m_m.lineHeight;
        m_painter.drawLine(0, y, w, y);
        m_painter.setFont(font(8));
    }

    void footer()
    {
        const int y = m_m.page.height() - m_m.lineHeight;
        m_painter.setFont(font(7));
        m_painter.drawLine(0, y, m_m.page.width(), y);
        m_painter.drawText(QRect(0, y, m_m.page.width(), m_m.lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                           m_heading.code + QStringLiteral(" - ") + m_def.name);
        m_painter.drawText(QRect(0, y, m_m.page.width(), m_m.lineHeight), Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("Página %1 de %2").arg(m_page).arg(m_pages));
    }

    const ReportDefinition &m_def;
    const ReportHeading &m_heading;
    QPagedPaintDevice &m_device;
    const Metrics &m_m;
    int m_pages;
    int m_page = 0;
    QPainter m_painter;
};

} // namespace

ReportRenderer::ReportRenderer(const ReportDefinition &definition, const ReportQuery &query, ReportHeading heading)
    : m_def(definition), m_query(query), m_heading(std::move(heading))
{ }

void ReportRenderer::setUpPage(QPagedPaintDevice &device) const
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                     m_def.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
}

int ReportRenderer::paint(QPagedPaintDevice &device, const Progress &progress) const
{
    const Metrics m = measure(m_def, device);
    const ReportRows rows(m_def);
    PageFlow counting(
        m.linesPerPage, [] {}, [](const Line &, int) {});
    rows.walk(m_query, [&counting](const Line &l) { counting.add(l); });
    const int pages = counting.finish();

    PagePainter painter(m_def, m_heading, device, m, pages);
    const auto newPage = [&] {
        if (progress && !progress(painter.page() + 1, pages))
            throw EAbort();
        painter.newPage();
    };
    PageFlow flow(m.linesPerPage, newPage, [&painter](const Line &l, int slot) { painter.put(l, slot); });
    rows.walk(m_query, [&flow](const Line &l) { flow.add(l); });
    flow.finish();
    return pages;
}

int ReportRenderer::writePdf(const QString &path, const Progress &progress) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EErro(QStringLiteral("Não foi possível gravar %1: %2").arg(path, file.errorString()));
    QPdfWriter pdf(&file);
    pdf.setResolution(300);
    pdf.setTitle(m_def.title);
    pdf.setCreator(QStringLiteral("Consumidor"));
    setUpPage(pdf);
    return paint(pdf, progress);
}

} // namespace cns::ui
