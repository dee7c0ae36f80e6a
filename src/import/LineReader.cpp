#include "LineReader.h"

#include "EErro.h"
#include "ImportError.h"

#include <QBuffer>
#include <QIODevice>

namespace cns::import {

namespace {
constexpr qint64 kChunk = 256 * 1024;
}

LineReader::LineReader(QIODevice &device, QString fileName, bool nulIsPadding)
    : m_device(device), m_fileName(std::move(fileName)), m_nulIsPadding(nulIsPadding)
{
}

void LineReader::chooseLineEnd()
{
    m_lineEndChosen = true;
    if (m_buffer.isEmpty())
        fill();
    m_crEndsLines = !m_buffer.contains('\n') && m_buffer.contains('\r');
}

bool LineReader::fill()
{
    if (m_eof)
        return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + kChunk);
    const qint64 got = m_device.read(m_buffer.data() + old, kChunk);
    if (got < 0)
        throw cns::EErro(ImportError::fileText(m_fileName, m_lineNumber + 1, QStringLiteral("erro de leitura (%1).").arg(m_device.errorString())));
    m_buffer.resize(old + got);
    if (got == 0)
        m_eof = true;
    return got > 0;
}

void LineReader::refuse(qsizetype column, const QString &why) const
{
    throw cns::EErro(ImportError::columnText(m_fileName, m_lineNumber, QString::number(column), why));
}

void LineReader::endLine(const QByteArray &line)
{
    ++m_lineNumber;
    if (m_controls >= 2 && m_controls * 32 >= line.size())
        refuseBinary(m_firstControl);
}

void LineReader::refuseBinary(qsizetype column) const
{
    refuse(column, QStringLiteral("o arquivo contém caracteres binários (não é um arquivo texto)."));
}

bool LineReader::next(QByteArray *line)
{
    if (!m_lineEndChosen)
        chooseLineEnd();
    line->resize(0); // keeps its room for the next line
    m_controls = 0;
    bool any = false;
    for (;;) {
        if (m_pos >= m_buffer.size() && !fill()) {
            if (any)
                endLine(*line);
            return any;
        }
        if (std::exchange(m_afterCr, false) && m_buffer.at(m_pos) == '\n') {
            ++m_pos;
            continue;
        }
        const char *data = m_buffer.constData();
        const qsizetype end = m_buffer.size();
        qsizetype i = m_pos, run = m_pos; // run: the start of the bytes not yet appended
        bool ended = false;
        for (; i < end; ++i) {
            const auto c = static_cast<unsigned char>(data[i]);
            if (c >= 0x20)
                continue;
            if (c == '\n' || (c == '\r' && m_crEndsLines)) {
                line->append(data + run, i - run);
                m_afterCr = c == '\r';
                ended = true;
                break;
            }
            if (c == '\r') {
                line->append(data + run, i - run);
                run = i + 1;
            } else if (c == 0) {
                line->append(data + run, i - run);
                run = i + 1;
                if (!m_nulIsPadding) {
                    ++m_lineNumber;
                    refuseBinary(line->size() + 1);
                }
                line->append(' ');
            } else if (m_nulIsPadding && c != '\t' && c != '\f' && c != 0x1a && m_controls++ == 0) {
                m_firstControl = line->size() + (i - run) + 1;
            }
        }
        if (!ended)
            line->append(data + run, end - run);
        any = true;
        if (line->size() > kMaxLineBytes) {
            ++m_lineNumber;
            refuse(kMaxLineBytes + 1, QStringLiteral("linha com mais de %1 caracteres (o arquivo não parece um arquivo de consumidores).")
                                          .arg(kMaxLineBytes));
        }
        m_pos = ended ? i + 1 : i; // past the line's end
        if (ended) {
            endLine(*line);
            return true;
        }
    }
}

QList<QByteArray> LineReader::split(const QByteArray &bytes, const QString &fileName, bool nulIsPadding)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer, fileName, nulIsPadding);
    QList<QByteArray> lines;
    QByteArray line;
    while (reader.next(&line))
        lines.append(line);
    return lines;
}

} // namespace cns::import
