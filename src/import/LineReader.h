#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

namespace cns::import {

// Reads an import file line by line at byte level: a line feed ends a line, a carriage return is
// dropped wherever it stands, the last line ends at the end of the file even without a line feed,
// and a line feed at the very end makes no further empty line. A file whose first 256 KiB hold
// carriage returns and no line feed ends its lines with carriage returns (as old systems write
// them; read the other way, its lines would run together into one and its consumers vanish).
//
// A file that holds a NUL byte is not text, and a line beyond kMaxLineBytes means a file that is not
// line-structured: both are refused with the file, line and column, instead of filling memory or
// reaching the server. A fixed-position file may be padded with NULs: there a NUL reads as a blank
// (which the fixed reading trims), and a line is taken for binary when at least two of its bytes,
// and one in 32, are other control characters (not tab, form feed or the old end-of-file mark).
class LineReader
{
public:
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;

    // nulIsPadding: the file is read by fixed positions.
    LineReader(QIODevice &device, QString fileName, bool nulIsPadding = false);

    // The next line, false at the end of the file. Raises EErro on a read error or a refused line.
    bool next(QByteArray *line);
    qint64 lineNumber() const { return m_lineNumber; }

    // For readers over a buffer (the fuzz target and tests): every line of the bytes.
    static QList<QByteArray> split(const QByteArray &bytes, const QString &fileName = {}, bool nulIsPadding = false);

private:
    bool fill();
    void chooseLineEnd();
    void endLine(const QByteArray &line); // counts it; refuses a padded file's binary line
    [[noreturn]] void refuse(qsizetype column, const QString &why) const;
    [[noreturn]] void refuseBinary(qsizetype column) const;

    QIODevice &m_device;
    QString m_fileName;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_lineNumber = 0;
    bool m_eof = false;
    const bool m_nulIsPadding;
    bool m_lineEndChosen = false;
    bool m_crEndsLines = false;
    bool m_afterCr = false;     // the last line ended with a carriage return: a line feed after it belongs to it
    qsizetype m_controls = 0;   // other control characters of the line being read (padded files)
    qsizetype m_firstControl = 0;
};

} // namespace cns::import
