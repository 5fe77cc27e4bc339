#pragma once
// Records added through recordsets to a file private to the run, written many to a statement.
//
// A statement costs SQLite about as much as the record it adds (and an AUTOINCREMENT table's numbering
// is read and written again by each one), so records added one after the other are kept and written
// together: when 256 wait, and before anything else reads or writes the file (any statement, a commit,
// the close). A record's number is known when it is added: the next after the largest the table has
// given (its own rows and its AUTOINCREMENT record), as SQLite would give it, and it is written with
// that number. Waiting records of several tables are written in the order their first one was added.
//
// Only a record SQLite cannot refuse waits: its table numbers its rows in a column of its own
// (INTEGER PRIMARY KEY), has no other autonumber, no unique index but that number's (a duplicate key
// must be refused when the record is added) and no trigger, CHECK or foreign key, and its required
// fields were checked when it was added. A failure to write (a full disk) is raised by whatever made
// the records go.
#include "db/FieldType.h"
#include "db/Variant.h"

#include <QString>
#include <memory>
#include <vector>

namespace dao {

class Database;
struct TableDef;

class PendingRecords {
public:
    explicit PendingRecords(Database& db);
    ~PendingRecords();
    PendingRecords(const PendingRecords&) = delete;
    PendingRecords& operator=(const PendingRecords&) = delete;

    // Keeps a record of `table` with `values` in the fields `columns` (the others take their
    // defaults) and gives its number; false when it is to be written at once.
    bool Add(const std::shared_ptr<const TableDef>& table, const std::vector<size_t>& columns,
             const std::vector<Variant>& values, qint64* rowid);
    bool empty() const { return waiting_ == 0; }
    // The waiting records (of one table, or all), now; through Database::WritePending, which keeps it
    // from itself.
    void Write(const TableDef* only = nullptr);
    void Forget();  // drops the waiting records and what is known of the tables (a rollback)

    static constexpr size_t kMaxWaiting = 256;

private:
    struct Table;
    Table& table(const std::shared_ptr<const TableDef>& def, const std::vector<size_t>& columns);
    qint64 nextNumber(const TableDef& def);
    bool refusesNothing(const TableDef& def);
    void write(Table& t);

    Database& db_;
    std::vector<std::unique_ptr<Table>> tables_;
    std::vector<Table*> order_;  // the tables with waiting records, by their first one
    size_t waiting_ = 0;
};

}  // namespace dao
