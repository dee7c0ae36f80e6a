#include "FileRowBuilder.h"

#include "ImportLayout.h"
#include "ImportText.h"
#include "LineReader.h"
#include "RowLookups.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QtConcurrent/QtConcurrentMap>
#include <mutex>

namespace cns::import {

namespace {

// Lookups of this thread that the caller had not answered yet: a row built on one is built again
// once the caller has answered it.
thread_local int t_unanswered = 0;

} // namespace

// The lookups as the pool's threads see them: the answers the caller gave so far, read without a
// lock while the batches are built (the caller adds answers only between two rounds), and the
// texts asked for that had none, answered for now with the text itself. A lookup that failed raises
// its failure again for every row that asks it, in that row's place. While the caller's thread
// builds alone, it answers at once.
class FileRowBuilder::KnownLookups final : public RowLookups
{
public:
    explicit KnownLookups(RowLookups &lookups) : m_lookups(lookups) {}

    Client resolveClient(const QString &v) override
    {
        return known(m_clients, v, Client{v, {}}, [&] { return m_lookups.resolveClient(v); });
    }
    QString translateType(const QString &t) override
    {
        return known(m_types, t, t, [&] { return m_lookups.translateType(t); });
    }

    // Caller's thread, while no batch is being built.
    void setAnswerAtOnce(bool atOnce) { m_atOnce = atOnce; }
    void answerAsked()
    {
        answer(m_clients, [&](const QString &v) { return m_lookups.resolveClient(v); });
        answer(m_types, [&](const QString &t) { return m_lookups.translateType(t); });
    }

private:
    template <class Answer>
    struct Known
    {
        QHash<QString, Answer> given;
        QHash<QString, std::exception_ptr> failed;
        QSet<QString> asked;
    };

    template <class Answer, class Ask>
    Answer known(Known<Answer> &k, const QString &text, Answer meanwhile, const Ask &ask)
    {
        if (const auto it = k.given.constFind(text); it != k.given.constEnd())
            return *it;
        if (const auto it = k.failed.constFind(text); it != k.failed.constEnd())
            std::rethrow_exception(*it);
        if (m_atOnce)
            return answerOne(k, text, ask);
        {
            std::lock_guard lock(m_mutex);
            k.asked.insert(text);
        }
        ++t_unanswered;
        return meanwhile;
    }
    template <class Answer, class Ask>
    static Answer answerOne(Known<Answer> &k, const QString &text, const Ask &ask)
    {
        try {
            return *k.given.insert(text, ask());
        } catch (...) {
            k.failed.insert(text, std::current_exception());
            throw;
        }
    }
    template <class Answer, class Ask>
    static void answer(Known<Answer> &k, const Ask &ask)
    {
        for (const QString &text : std::exchange(k.asked, {})) {
            try {
                answerOne(k, text, [&] { return ask(text); });
            } catch (...) {
                // Raised again by the row that asked, in its place.
            }
        }
    }

    RowLookups &m_lookups;
    bool m_atOnce = false;
    std::mutex m_mutex; // the texts asked for, while a round runs
    Known<Client> m_clients;
    Known<QString> m_types;
};

FileRowBuilder::FileRowBuilder(QIODevice &file, const QString &path, const ImportLayout &layout, const ColumnReader &reader,
                               ColumnReader::Values values, const RowBuilder::Settings &settings, RowLookups &lookups)
    : m_path(path), m_fileName(QFileInfo(path).fileName()), m_layout(layout), m_reader(reader), m_values(std::move(values)),
      m_known(std::make_unique<KnownLookups>(lookups)), m_builder(settings, *m_known),
      m_lineReader(std::make_unique<LineReader>(file, path, !layout.delimited))
{
}

FileRowBuilder::~FileRowBuilder()
{
    m_building.waitForFinished();
}

void FileRowBuilder::readPieces(std::vector<Piece> &pieces, size_t count)
{
    pieces.resize(count);
    size_t used = 0;
    for (; used < count && !m_fileDone; ++used) {
        Piece &p = pieces[used];
        p.numbers.clear();
        p.last = false;
        p.readError = nullptr;
        p.lines.resize(kBatchLines);
        try {
            while (p.numbers.size() < kBatchLines) {
                if (!m_lineReader->next(&p.lines[p.numbers.size()])) {
                    p.last = true;
                    break;
                }
                p.numbers.push_back(m_lineReader->lineNumber());
            }
        } catch (...) {
            p.readError = std::current_exception();
            p.last = true;
        }
        m_fileDone = p.last;
    }
    pieces.resize(used);
}

bool FileRowBuilder::buildLine(const Piece &piece, size_t line, Built &out) const
{
    const qint64 number = piece.numbers[line];
    QString text = ImportText::decodeLine(piece.lines[line]);
    if (number == 1 && text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    if (!m_layout.rules.isEmpty() && !m_layout.ValidaLayout(text))
        return false;
    out.values = m_values;
    QString client;
    m_reader.read(text, out.values, m_path, number, &client);
    out.row = m_builder.build(out.values, m_fileName, number, client, &out.invalid, &out.keys);
    return true;
}

void FileRowBuilder::build(Piece &piece) const
{
    Batch &out = piece.batch;
    out = Batch();
    piece.error = nullptr;
    piece.lineOf.clear();
    piece.redo.clear();
    const size_t count = piece.numbers.size();
    out.rows.reserve(count);
    out.invalid.reserve(count);
    out.keys.reserve(count);
    Built built;
    try {
        for (size_t i = 0; i < count; ++i) {
            const int unanswered = t_unanswered;
            if (!buildLine(piece, i, built))
                continue;
            if (t_unanswered != unanswered)
                piece.redo.push_back(out.rows.size());
            piece.lineOf.push_back(i);
            // A row that reads as the one before it (the blank lines of a file) shares its bytes.
            if (!out.rows.empty() && out.rows.back() == built.row)
                out.rows.push_back(out.rows.back());
            else
                out.rows.push_back(std::move(built.row));
            out.invalid.push_back(built.invalid);
            out.keys.push_back(std::move(built.keys));
            out.bytes += piece.lines[i].size() + 2;
        }
        if (!out.rows.empty())
            out.values = std::move(built.values);
        piece.error = piece.readError;
    } catch (...) {
        // The load stops at this line: the value array after it is of no use.
        piece.error = std::current_exception();
    }
}

void FileRowBuilder::rebuild(Piece &piece) const
{
    Batch &out = piece.batch;
    std::vector<size_t> again;
    Built built;
    for (const size_t r : std::exchange(piece.redo, {})) {
        const size_t line = piece.lineOf[r];
        try {
            const int unanswered = t_unanswered;
            buildLine(piece, line, built);
            if (t_unanswered != unanswered)
                again.push_back(r);
        } catch (...) {
            // A lookup that failed: the batch ends before this row, as when reading line by line.
            piece.error = std::current_exception();
            for (size_t k = r; k < out.rows.size(); ++k)
                out.bytes -= piece.lines[piece.lineOf[k]].size() + 2;
            out.rows.resize(r);
            out.invalid.resize(r);
            out.keys.resize(r);
            piece.lineOf.resize(r);
            break;
        }
        out.rows[r] = std::move(built.row);
        out.invalid[r] = built.invalid;
        out.keys[r] = std::move(built.keys);
        if (r + 1 == out.rows.size())
            out.values = std::move(built.values);
    }
    piece.redo = std::move(again);
}

void FileRowBuilder::startBuilding()
{
    if (!m_following.empty())
        m_building = QtConcurrent::map(m_following, [this](Piece &p) { build(p); });
}

void FileRowBuilder::answerLookups()
{
    // Few rounds: each answers every text the last one asked for. No batch is being built
    // meanwhile, so the answers can change.
    for (;;) {
        bool waiting = false;
        for (const Piece &p : m_pieces)
            waiting = waiting || !p.redo.empty();
        if (!waiting)
            return;
        m_known->answerAsked();
        for (Piece &p : m_pieces)
            rebuild(p);
    }
}

bool FileRowBuilder::advance()
{
    if (!m_started) {
        // The first lines on the caller's thread alone, which answers their lookups at once: the
        // rows after them then seldom wait for one.
        m_started = true;
        readPieces(m_following, 1);
        m_known->setAnswerAtOnce(true);
        for (Piece &p : m_following)
            build(p);
        m_known->setAnswerAtOnce(false);
    }
    // The lines after the batches being built are read meanwhile, into the buffers of those handed
    // out.
    std::vector<Piece> after = std::move(m_pieces);
    if (m_fileDone)
        after.clear();
    else
        readPieces(after, kBatchesAtOnce);
    m_building.waitForFinished();
    m_pieces = std::move(m_following);
    m_next = 0;
    answerLookups();
    m_following = std::move(after);
    startBuilding();
    return !m_pieces.empty();
}

bool FileRowBuilder::next(Batch *batch)
{
    if (m_pendingError)
        std::rethrow_exception(std::exchange(m_pendingError, nullptr));
    if (m_ended || (m_next == m_pieces.size() && !advance()))
        return false;
    Piece &p = m_pieces[m_next++];
    if (p.error) {
        // Nothing after the line that raised is handed out.
        m_ended = true;
        if (p.batch.rows.empty())
            std::rethrow_exception(p.error);
        m_pendingError = p.error;
    }
    *batch = std::move(p.batch);
    return true;
}

} // namespace cns::import
