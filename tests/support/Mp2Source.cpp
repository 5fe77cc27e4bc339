#include "support/Mp2Source.h"

#include "jet/CopySource.h"
#include "jet/JetWriter.h"

#include <QFileInfo>

namespace testsupport {

void WriteMp2Source(const QString& path, const QMap<QString, std::vector<Mp2Row>>& rows)
{
    if (!QFileInfo(dao::JetReaderPath()).isExecutable()) {
        CreateMp2WorkingCopy(path);
        for (auto it = rows.begin(); it != rows.end(); ++it)
            InsertMp2Rows(path, it.key(), it.value());
        return;
    }
    jetwriter::JetFile mdb;
    for (const QString& name : Mp2TableNames()) {
        jetwriter::Table table;
        table.name = name;
        for (const auto& c : Mp2Columns(name))
            table.columns.push_back({c.name, c.type, c.size > 0 ? c.size : 50});
        for (const Mp2Row& row : rows.value(name)) {
            std::vector<dao::Variant> values(table.columns.size());
            for (const auto& cell : row)
                for (size_t i = 0; i < table.columns.size(); ++i)
                    if (table.columns[i].name.compare(cell.first, Qt::CaseInsensitive) == 0)
                        values[i] = cell.second;
            table.rows.push_back(values);
        }
        mdb.tables.push_back(table);
    }
    jetwriter::writeJet4(mdb, path);
}

}  // namespace testsupport
