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
    m_handoff.stop();
    m_thread.join();
}

void ColumnReadAhead::run()
{
    std::exception_ptr error;
    std::vector<Line> batch;
    size_t used = 0; // lines of batch filled; the others are a handed-back batch's, to be overwritten
    try {
        if (!m_handoff.room(&batch))
            return;
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
                m_handoff.hand(std::move(batch));
                batch = {};
                used = 0;
                if (!m_handoff.room(&batch))
                    return;
            }
        }
    } catch (...) {
        error = std::current_exception();
    }
    batch.resize(used);
    if (!batch.empty())
        m_handoff.hand(std::move(batch));
    m_handoff.finish(error);
}
