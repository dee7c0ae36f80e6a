#include "ColumnReadAhead.h"

#include "ImportLayout.h"
#include "ImportText.h"
#include "LineReader.h"

ColumnReadAhead::ColumnReadAhead(QIODevice &file, QString path, const ImportLayout &layout, const ColumnReader &reader,
                                 ColumnReader::Values values)
    : m_file(file), m_path(std::move(path)), m_layout(layout), m_reader(reader), m_values(std::move(values)),
      m_thread([this] { run(); })
{
}

ColumnReadAhead::~ColumnReadAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool ColumnReadAhead::next(std::vector<Line> *batch)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_batches.empty() || m_done; });
    if (!m_batches.empty()) {
        *batch = std::move(m_batches.front());
        m_batches.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return true;
    }
    if (m_error)
        std::rethrow_exception(m_error);
    return false;
}

bool ColumnReadAhead::hand(std::vector<Line> &&batch)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_batches.size() < kBatchesAhead || m_stop; });
    if (m_stop)
        return false;
    m_batches.push_back(std::move(batch));
    lock.unlock();
    m_changed.notify_all();
    return true;
}

void ColumnReadAhead::run()
{
    std::exception_ptr error;
    std::vector<Line> batch;
    try {
        const bool rules = !m_layout.rules.isEmpty();
        LineReader lines(m_file, m_path);
        QByteArray bytes;
        while (lines.next(&bytes)) {
            QString text = ImportText::decodeLine(bytes);
            if (lines.lineNumber() == 1 && text.startsWith(QChar(0xFEFF)))
                text.remove(0, 1);
            if (rules && !m_layout.ValidaLayout(text))
                continue;
            Line line;
            line.number = lines.lineNumber();
            line.bytes = bytes.size();
            m_reader.read(text, m_values, m_path, line.number, &line.client);
            line.values = m_values;
            batch.push_back(std::move(line));
            if (batch.size() == kBatchLines) {
                if (!hand(std::move(batch)))
                    return;
                batch = {};
                batch.reserve(kBatchLines);
            }
        }
    } catch (...) {
        error = std::current_exception();
    }
    if (!batch.empty() && !hand(std::move(batch)))
        return;
    {
        std::lock_guard lock(m_mutex);
        m_error = error;
        m_done = true;
    }
    m_changed.notify_all();
}
