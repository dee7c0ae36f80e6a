#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

namespace cns::import {

// Reads an import file line by line at byte level: a line feed ends a line, a carriage return is
// dropped wherever it stands, the last line ends at the end of the file even without a line feed,
// and a line feed at the very end makes no further empty line. A file that holds a NUL byte is not
// text, and a line beyond kMaxLineBytes means a file that is not line-structured: both are refused
// with the file, line and column, instead of filling memory or reaching the server.
class LineReader
{
public:
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;

    LineReader(QIODevice &device, QString fileName);

    // The next line, false at the end of the file. Raises EErro on a read error or a refused line.
    bool next(QByteArray *line);
    qint64 lineNumber() const { return m_lineNumber; }

    // For readers over a buffer (the fuzz target and tests): every line of the bytes.
    static QList<QByteArray> split(const QByteArray &bytes, const QString &fileName = {});

private:
    bool fill();
    [[noreturn]] void refuse(qsizetype column, const QString &why) const;

    QIODevice &m_device;
    QString m_fileName;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_lineNumber = 0;
    bool m_eof = false;
};

} // namespace cns::import
