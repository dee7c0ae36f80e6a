#pragma once

#include "ColumnReader.h"

#include "BatchHandoff.h"

#include <QString>
#include <thread>
#include <vector>

class QIODevice;
class ImportLayout;

// Reads the lines of one import file and takes their columns out on a thread of its own, a few
// batches ahead of the row building that the caller does with what it hands out: the two halves of
// a load run on two cores. The lines come in file order, with the value array as each line left
// it (a line writes every column of the layout over the array of the line before); the lines the
// layout's rules refuse are not handed out. What the reading raises (a line that is not text, a
// value that does not convert) is raised by next() after every line before it was handed out, so
// the rows read so far stay as when reading one line after the other.
//
// m_values is the value array as the file found it: each line starts from it, since every line
// writes all the layout's columns and the others never change within a file.
class ColumnReadAhead
{
public:
    struct Line
    {
        ColumnReader::Values values;
        QString client; // the client field as written (before its separators were removed)
        qint64 number = 0;
        qsizetype bytes = 0; // the line's size in the file, without its end
    };

    // file is open for reading and, like layout and reader, outlives this object.
    ColumnReadAhead(QIODevice &file, QString path, const ImportLayout &layout, const ColumnReader &reader,
                    ColumnReader::Values values);
    ~ColumnReadAhead(); // stops the reading where it stands
    ColumnReadAhead(const ColumnReadAhead &) = delete;
    ColumnReadAhead &operator=(const ColumnReadAhead &) = delete;

    // The next batch in place of the one *batch held, which goes back to the reading thread to be
    // filled again (its values are freed where they were made); false at the end of the file.
    // Raises what the reading raised, in its place.
    bool next(std::vector<Line> *batch) { return m_handoff.next(batch); }

private:
    static constexpr size_t kBatchLines = 256;
    static constexpr size_t kBatchesAhead = 8;

    void run();

    QIODevice &m_file;
    const QString m_path;
    const ImportLayout &m_layout;
    const ColumnReader &m_reader;
    ColumnReader::Values m_values;

    cns::BatchHandoff<std::vector<Line>> m_handoff{kBatchesAhead};
    std::thread m_thread;
};
