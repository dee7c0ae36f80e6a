// Feeds arbitrary bytes to the import's readers: the first bytes describe a layout (delimited or
// fixed, up to eight columns with any target, position, size, type and decimals, one value rule),
// the rest is the file. Refusals (EErro) are the readers' answer to bad input; anything else, a
// crash or a sanitizer finding, is a fault.
#include "ColumnReader.h"
#include "EErro.h"
#include "ImportLayout.h"
#include "ImportText.h"
#include "LineReader.h"

#include <cstddef>
#include <cstdint>

using namespace cns::import;

namespace {

class Input
{
public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    QByteArray rest() const { return QByteArray(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(m_size - m_pos)); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

ImportLayout layoutFrom(Input &in)
{
    ImportLayout l;
    const uint8_t mode = in.byte();
    l.delimited = mode & 1;
    l.delimiter = QChar(char16_t(";,|\t"[(mode >> 1) & 3]));
    QList<ImportLayout::Column> columns;
    const int n = 1 + in.byte() % 8;
    for (int i = 0; i < n; ++i) {
        ImportLayout::Column c;
        c.index = in.byte() % ImportColumns::kCount;
        c.name = ImportColumns::arFields()[size_t(c.index)];
        c.position = int(in.byte()) - 8; // also zero and negative positions
        c.size = int(in.byte()) - 8;
        const uint8_t kind = in.byte();
        c.type = QChar(char16_t("DNT"[kind % 3]));
        c.decimals = (kind >> 2) % 5;
        c.valueColumn = ImportColumns::isValueColumn(c.name);
        if (kind & 0x80)
            c.constant = QStringLiteral("12/03/2001");
        columns.append(c);
    }
    l.setColumns(columns);
    if (mode & 0x10)
        l.rules.append({int(in.byte()) - 4, int(in.byte() % 6), QStringLiteral("01;AB;  ")});
    return l;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    const ImportLayout layout = layoutFrom(in);
    ColumnReader reader(layout);
    ColumnReader::Values values;
    QList<QByteArray> lines;
    try {
        lines = LineReader::split(in.rest(), QStringLiteral("fuzz.txt"), !layout.delimited);
    } catch (const cns::EErro &) {
        return 0;
    }
    qint64 number = 0;
    for (const QByteArray &bytes : std::as_const(lines)) {
        const QString line = ImportText::decodeLine(bytes);
        ++number;
        ImportText::RemoveCaracteres(line);
        if (!layout.rules.isEmpty() && !layout.ValidaLayout(line))
            continue;
        try {
            QString client;
            reader.read(line, values, QStringLiteral("fuzz.txt"), number, &client);
        } catch (const cns::EErro &) {
        }
    }
    return 0;
}
