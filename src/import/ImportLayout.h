#pragma once

#include <QList>
#include <QString>

namespace cns {
class DataSet;
}

namespace cns::import {

// A layout as the reading uses it, taken once per load from the packets the server filled
// (cdsLayout's current row, cdsDescLayout, cdsValLayout), so that the per-line work reads plain
// members instead of packet fields.
struct ImportLayout
{
    struct Column
    {
        QString name;     // NMCOLUNAIMP as stored
        int index = 0;    // ProcDados of the name
        int position = 0; // NRPOSICOLLAY; 0 when not given
        int size = 0;     // NRTAMCOLLAY
        int decimals = 0; // NRCASASDECIM
        QString constant; // DSDEFACOLLAY when not blank
        QChar type;       // IDTDADCOLLAY: 'D', 'N' or any other (text)
        QString left, right;
        bool valueColumn = false; // one of the eight "###0.00" amounts
        // Delimited files: whether reading this column uses its field up, so that the next column
        // reads the next field. Columns sharing a position read one field; the last of them uses it
        // up. A constant column reads nothing but still counts among the column descriptions.
        bool usesUpField = true;
    };
    struct ValueRule
    {
        int position = 1;
        int size = 0;
        QString values; // DSVALVALLAY: each value size characters and one separator
    };

    QString code, name, branch;
    bool delimited = false;
    QChar delimiter;
    QString inactivate;   // IDINACONSARQIMP
    QString stopOnErrors; // IDPARALISAIMPARQ
    bool removeLeadingZeros = false;
    QList<Column> columns;
    QList<ValueRule> rules;

    static ImportLayout fromPackets(const cns::DataSet &header, const cns::DataSet &columns, const cns::DataSet &rules);
    void setColumns(QList<Column> columns);

    // Line acceptance: every rule must find the line's field among its values (exact comparison
    // on the line as read). A layout without rules accepts every line.
    bool ValidaLayout(QStringView line) const;
};

} // namespace cns::import
