#pragma once

#include "ColumnReader.h"
#include "ConsistencyRun.h"
#include "Row.h"
#include "RowBuilder.h"

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <exception>
#include <memory>
#include <vector>

class QIODevice;

namespace cns::import {

class ImportLayout;
class LineReader;
class RowLookups;

// Reads one import file into rows on every core. The file's lines are taken many batches at a time;
// the batches are decoded, left out where the layout's rules refuse them, read into columns and
// built into rows on the threads of Qt's pool while the caller reads the lines after them, and
// handed out in file order. Each line starts from the value array the file was opened with: every
// line writes all the layout's columns, and the others never change within a file.
//
// The lookups of the row building use the caller's database connection, so they are answered on
// the caller's thread alone: the pool's threads read the answers given so far, and a row that
// needs one not given yet is built again once the caller has looked up what it asked (a file names
// few clients and types, so this happens in its first batches only).
//
// What the reading raises (a line that is not text, a value that does not convert) is raised by
// next() after every row before it was handed out, so the rows read so far stay as when reading
// one line after the other.
class FileRowBuilder
{
public:
    struct Batch
    {
        std::vector<cns::Row> rows;
        std::vector<bool> invalid; // per row: marked not to be imported
        std::vector<ConsistencyRun::Keys> keys;
        qint64 bytes = 0; // the file's bytes of these rows' lines, two for each line's end
        // The value array as the last of these rows left it (empty when there are none).
        ColumnReader::Values values;
    };

    // file is open for reading and, like layout, reader and lookups, outlives this object. The
    // rows hold path's file name without its folder; messages name the file as path does.
    FileRowBuilder(QIODevice &file, const QString &path, const ImportLayout &layout, const ColumnReader &reader,
                   ColumnReader::Values values, const RowBuilder::Settings &settings, RowLookups &lookups);
    ~FileRowBuilder(); // waits for the batches being built
    FileRowBuilder(const FileRowBuilder &) = delete;
    FileRowBuilder &operator=(const FileRowBuilder &) = delete;

    // The file's next rows, in order; false after the last. Raises what the reading raised, in
    // its place.
    bool next(Batch *batch);

private:
    static constexpr size_t kBatchLines = 256;
    static constexpr size_t kBatchesAtOnce = 64;

    // A batch of lines as the file holds them, and what building them gave.
    struct Piece
    {
        std::vector<QByteArray> lines;
        std::vector<qint64> numbers;
        bool last = false;            // nothing follows in the file
        std::exception_ptr readError; // what the reading raised after these lines
        Batch batch;
        std::exception_ptr error;     // what building raised: no line after it is read
        std::vector<size_t> lineOf;   // per row of the batch: its line
        std::vector<size_t> redo;     // the rows built on a lookup not answered yet
    };
    // One line's row.
    struct Built
    {
        ColumnReader::Values values;
        cns::Row row;
        bool invalid = false;
        ConsistencyRun::Keys keys;
    };
    class KnownLookups;

    void readPieces(std::vector<Piece> &pieces, size_t count);
    // False when the layout's rules leave the line out. Raises what the reading raises.
    bool buildLine(const Piece &piece, size_t line, Built &out) const;
    void build(Piece &piece) const;
    void rebuild(Piece &piece) const; // the rows to redo, once the lookups they asked are answered
    void startBuilding();
    bool advance();
    void answerLookups();

    const QString m_path, m_fileName;
    const ImportLayout &m_layout;
    const ColumnReader &m_reader;
    const ColumnReader::Values m_values;
    std::unique_ptr<KnownLookups> m_known;
    const RowBuilder m_builder;
    std::unique_ptr<LineReader> m_lineReader;

    std::vector<Piece> m_pieces;    // built, being handed out
    size_t m_next = 0;              // the next of them to hand out
    std::vector<Piece> m_following; // being built while the caller reads the lines after them
    QFuture<void> m_building;
    bool m_started = false;
    bool m_fileDone = false;
    std::exception_ptr m_pendingError; // raised by the next call to next()
    bool m_ended = false;
};

} // namespace cns::import
