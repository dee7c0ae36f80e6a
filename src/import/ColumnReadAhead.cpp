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
    if (!batch->empty())
        m_spare.push_back(std::move(*batch));
    batch->clear();
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

std::vector<ColumnReadAhead::Line> ColumnReadAhead::spare()
{
    std::lock_guard lock(m_mutex);
    if (m_spare.empty())
        return {};
    std::vector<Line> b = std::move(m_spare.back());
    m_spare.pop_back();
    return b;
}

void ColumnReadAhead::run()
{
    std::exception_ptr error;
    std::vector<Line> batch = spare();
    size_t used = 0; // lines of batch filled; the others are a handed-back batch's, to be overwritten
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
            if (used == batch.size())
                batch.emplace_back();
            Line &line = batch[used];
            line.number = lines.lineNumber();
            line.bytes = bytes.size();
            // Every line writes all the layout's columns: the others keep what they held when the
            // file was opened.
            line.values = m_values;
            m_reader.read(text, line.values, m_path, line.number, &line.client);
            if (++used == kBatchLines) {
                if (!hand(std::move(batch)))
                    return;
                batch = spare();
                used = 0;
            }
        }
    } catch (...) {
        error = std::current_exception();
    }
    batch.resize(used);
    if (!batch.empty() && !hand(std::move(batch)))
        return;
    {
        std::lock_guard lock(m_mutex);
        m_error = error;
        m_done = true;
    }
    m_changed.notify_all();
}
