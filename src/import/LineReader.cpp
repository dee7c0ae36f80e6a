#include "LineReader.h"

#include "EErro.h"
#include "ImportError.h"

#include <QBuffer>
#include <QIODevice>

namespace cns::import {

namespace {
constexpr qint64 kChunk = 256 * 1024;
}

LineReader::LineReader(QIODevice &device, QString fileName) : m_device(device), m_fileName(std::move(fileName)) {}

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

bool LineReader::next(QByteArray *line)
{
    line->resize(0); // keeps its room for the next line
    bool any = false;
    for (;;) {
        if (m_pos >= m_buffer.size() && !fill()) {
            if (any)
                ++m_lineNumber;
            return any;
        }
        const char *data = m_buffer.constData();
        const qsizetype end = m_buffer.size();
        qsizetype i = m_pos, run = m_pos; // run: the start of the bytes not yet appended
        for (; i < end; ++i) {
            const char c = data[i];
            if (c != '\n' && c != '\r' && c != '\0')
                continue;
            line->append(data + run, i - run);
            run = i + 1;
            if (c == '\n')
                break;
            if (c == '\0') {
                ++m_lineNumber;
                refuse(line->size() + 1, QStringLiteral("o arquivo contém caracteres binários (não é um arquivo texto)."));
            }
        }
        if (i == end)
            line->append(data + run, end - run);
        any = true;
        if (line->size() > kMaxLineBytes) {
            ++m_lineNumber;
            refuse(kMaxLineBytes + 1, QStringLiteral("linha com mais de %1 caracteres (o arquivo não parece um arquivo de consumidores).")
                                          .arg(kMaxLineBytes));
        }
        m_pos = i;
        if (i < end) {
            ++m_pos; // the line feed
            ++m_lineNumber;
            return true;
        }
    }
}

QList<QByteArray> LineReader::split(const QByteArray &bytes, const QString &fileName)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    LineReader reader(buffer, fileName);
    QList<QByteArray> lines;
    QByteArray line;
    while (reader.next(&line))
        lines.append(line);
    return lines;
}

} // namespace cns::import
