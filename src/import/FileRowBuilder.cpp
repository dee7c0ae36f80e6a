#include "FileRowBuilder.h"

#include "EErro.h"
#include "ImportLayout.h"
#include "ImportText.h"
#include "LineReader.h"
#include "RowLookups.h"

#include <QFileInfo>
#include <QHash>

// The lookups of the other thread: the answers it was given, and the caller's for the others.
class FileRowBuilder::RelayedLookups final : public RowLookups
{
public:
    RelayedLookups(FileRowBuilder &owner, RowLookups &lookups) : m_owner(owner), m_lookups(lookups) {}

    Client resolveClient(const QString &v) override
    {
        return answer(m_clients, v, [&] { return m_lookups.resolveClient(v); });
    }
    QString translateType(const QString &t) override
    {
        return answer(m_types, t, [&] { return m_lookups.translateType(t); });
    }

private:
    template <class Answer, class Ask>
    Answer answer(QHash<QString, Answer> &given, const QString &text, const Ask &ask)
    {
        if (const auto it = given.constFind(text); it != given.constEnd())
            return *it;
        Answer a;
        m_owner.onCallerThread([&] { a = ask(); });
        given.insert(text, a);
        return a;
    }

    FileRowBuilder &m_owner;
    RowLookups &m_lookups;
    QHash<QString, Client> m_clients;
    QHash<QString, QString> m_types;
};

FileRowBuilder::FileRowBuilder(QIODevice &file, const QString &path, const ImportLayout &layout, const ColumnReader &reader,
                               ColumnReader::Values values, const RowBuilder::Settings &settings, RowLookups &lookups)
    : m_path(path), m_fileName(QFileInfo(path).fileName()), m_layout(layout), m_reader(reader), m_values(std::move(values)),
      m_callerBuilder(settings, lookups), m_relayed(std::make_unique<RelayedLookups>(*this, lookups)),
      m_otherBuilder(settings, *m_relayed), m_lines(std::make_unique<LineReader>(file, path)), m_thread([this] { work(); })
{
}

FileRowBuilder::~FileRowBuilder()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void FileRowBuilder::work()
{
    Lines lines;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return roomLocked() || m_stop; });
            if (m_stop)
                return;
        }
        if (!take(lines))
            return;
        store(lines, build(lines, m_otherBuilder));
    }
}

bool FileRowBuilder::take(Lines &lines)
{
    std::lock_guard file(m_fileMutex);
    {
        std::lock_guard lock(m_mutex);
        if (m_fileDone || m_stop)
            return false;
        lines.seq = m_taken++;
    }
    lines.count = 0;
    lines.last = false;
    lines.error = nullptr;
    try {
        while (lines.count < kBatchLines) {
            if (lines.count == lines.bytes.size()) {
                lines.bytes.emplace_back();
                lines.numbers.emplace_back();
            }
            if (!m_lines->next(&lines.bytes[lines.count])) {
                lines.last = true;
                break;
            }
            lines.numbers[lines.count++] = m_lines->lineNumber();
        }
    } catch (...) {
        lines.error = std::current_exception();
        lines.last = true;
    }
    if (lines.last) {
        std::lock_guard lock(m_mutex);
        m_fileDone = true;
    }
    return true;
}

FileRowBuilder::Built FileRowBuilder::build(const Lines &lines, const RowBuilder &builder) const
{
    Built built;
    built.last = lines.last;
    Batch &out = built.batch;
    out.rows.reserve(lines.count);
    out.invalid.reserve(lines.count);
    out.keys.reserve(lines.count);
    const bool rules = !m_layout.rules.isEmpty();
    ColumnReader::Values values;
    try {
        for (size_t i = 0; i < lines.count; ++i) {
            const qint64 number = lines.numbers[i];
            QString text = ImportText::decodeLine(lines.bytes[i]);
            if (number == 1 && text.startsWith(QChar(0xFEFF)))
                text.remove(0, 1);
            if (rules && !m_layout.ValidaLayout(text))
                continue;
            values = m_values;
            QString client;
            m_reader.read(text, values, m_path, number, &client);
            bool invalid = false;
            ConsistencyRun::Keys keys;
            out.rows.push_back(builder.build(values, m_fileName, number, client, &invalid, &keys));
            out.invalid.push_back(invalid);
            out.keys.push_back(std::move(keys));
            out.bytes += lines.bytes[i].size() + 2;
        }
        if (!out.rows.empty())
            out.values = std::move(values);
        built.error = lines.error;
    } catch (...) {
        // The load stops at this line: the value array after it is of no use.
        built.error = std::current_exception();
        built.last = true;
    }
    return built;
}

void FileRowBuilder::store(const Lines &lines, Built &&built)
{
    {
        std::lock_guard lock(m_mutex);
        m_built.emplace(lines.seq, std::move(built));
    }
    m_changed.notify_all();
}

void FileRowBuilder::onCallerThread(const std::function<void()> &work)
{
    std::unique_lock lock(m_mutex);
    m_request = &work;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_request || m_stop; });
    if (m_request) {
        m_request = nullptr;
        throw cns::EErro(QStringLiteral("A leitura do arquivo \"%1\" foi interrompida.").arg(m_path));
    }
    if (m_requestError)
        std::rethrow_exception(std::exchange(m_requestError, nullptr));
}

void FileRowBuilder::serveLocked(std::unique_lock<std::mutex> &lock)
{
    const std::function<void()> *work = m_request;
    lock.unlock();
    std::exception_ptr error;
    try {
        (*work)();
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    m_requestError = error;
    m_request = nullptr;
    m_changed.notify_all();
}

bool FileRowBuilder::next(Batch *batch)
{
    if (m_pendingError)
        std::rethrow_exception(std::exchange(m_pendingError, nullptr));
    std::unique_lock lock(m_mutex);
    while (!m_ended) {
        if (const auto it = m_built.find(m_handed); it != m_built.end()) {
            Built built = std::move(it->second);
            m_built.erase(it);
            ++m_handed;
            lock.unlock();
            m_changed.notify_all();
            m_ended = built.last;
            if (built.error && built.batch.rows.empty())
                std::rethrow_exception(built.error);
            m_pendingError = built.error;
            *batch = std::move(built.batch);
            return true;
        }
        if (m_request) {
            serveLocked(lock);
        } else if (!m_fileDone && roomLocked()) {
            // The other thread is on the batch to hand out next: build the one after it meanwhile.
            lock.unlock();
            if (take(m_callerLines))
                store(m_callerLines, build(m_callerLines, m_callerBuilder));
            lock.lock();
        } else {
            m_changed.wait(lock);
        }
    }
    return false;
}
