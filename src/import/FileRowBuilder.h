#pragma once

#include "ColumnReader.h"
#include "ConsistencyRun.h"
#include "Row.h"
#include "RowBuilder.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QIODevice;
class ImportLayout;
class LineReader;
class RowLookups;

// Reads one import file into rows on two cores. The caller's thread and a thread of this object's
// each take the file's next lines as they become free, and decode them, leave out the lines the
// layout's rules refuse, read their columns and build their rows; the caller receives the rows in
// file order. Each line starts from the value array the file was opened with: every line writes
// all the layout's columns, and the others never change within a file.
//
// The lookups of the row building are answered on the caller's thread, which owns the database
// connection they use: the other thread keeps the answers it was given and asks the caller for the
// texts it has not seen yet, which the caller answers whenever it waits or finishes a batch.
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
    ~FileRowBuilder(); // stops the other thread where it stands
    FileRowBuilder(const FileRowBuilder &) = delete;
    FileRowBuilder &operator=(const FileRowBuilder &) = delete;

    // The file's next rows, in order; false after the last. Raises what the reading raised, in
    // its place. Caller's thread only.
    bool next(Batch *batch);

private:
    static constexpr size_t kBatchLines = 256;
    static constexpr size_t kBatchesAhead = 8;

    // Lines as the file holds them, taken by one thread at a time.
    struct Lines
    {
        std::vector<QByteArray> bytes; // reused from take to take: no allocation per line
        std::vector<qint64> numbers;
        size_t count = 0;
        size_t seq = 0;
        bool last = false;           // nothing follows in the file
        std::exception_ptr error;    // what the reading raised after these lines
    };
    struct Built
    {
        Batch batch;
        std::exception_ptr error;
        bool last = false;
    };
    class RelayedLookups;

    void work();
    bool take(Lines &lines);
    Built build(const Lines &lines, const RowBuilder &builder) const;
    void store(const Lines &lines, Built &&built);
    bool roomLocked() const { return m_taken - m_handed < kBatchesAhead; }
    void onCallerThread(const std::function<void()> &work);
    void serveLocked(std::unique_lock<std::mutex> &lock);

    const QString m_path, m_fileName;
    const ImportLayout &m_layout;
    const ColumnReader &m_reader;
    const ColumnReader::Values m_values;
    const RowBuilder m_callerBuilder;
    std::unique_ptr<RelayedLookups> m_relayed;
    const RowBuilder m_otherBuilder;

    std::mutex m_fileMutex; // the file and its line count
    std::unique_ptr<LineReader> m_lines;

    std::mutex m_mutex; // all below
    std::condition_variable m_changed;
    std::map<size_t, Built> m_built; // by sequence, until handed out
    size_t m_taken = 0;              // batches taken from the file
    size_t m_handed = 0;             // batches handed out
    bool m_fileDone = false;
    bool m_stop = false;
    const std::function<void()> *m_request = nullptr; // what the other thread waits to have done here
    std::exception_ptr m_requestError;

    Lines m_callerLines;               // caller's thread only
    std::exception_ptr m_pendingError; // raised by the next call to next()
    bool m_ended = false;

    std::thread m_thread;
};
