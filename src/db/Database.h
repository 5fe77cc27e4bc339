#pragma once
// A DAO-shaped database over SQLite. The conversions are written against this API exactly as they
// would be against DAO: OpenDatabase, OpenRecordset, Execute, Relations, Idle.
//
// A file is recognised by its first bytes. SQLite files open directly; a Jet file (an operator's
// .mdb) cannot be opened here: it is first copied into our SQLite format by the Jet reader.
#include "db/DaoError.h"
#include "db/FieldType.h"
#include "db/Recordset.h"
#include "db/SqlTranslator.h"
#include "db/Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dao {

constexpr int dbOpenTable = 1;
constexpr int dbOpenDynaset = 2;
constexpr int dbOpenSnapshot = 4;
constexpr int dbFailOnError = 128;
constexpr int dbRefreshCache = 8;

struct TableDef {
    QString Name;
    std::vector<FieldInfo> Fields;
    QString RowidKey;  // the autonumber column that is SQLite's rowid, or empty
    // The unique keys that hold a text field (field indexes in key order): SQLite's indexes compare
    // texts through NOCASE, so the layer checks a text with letters beyond ASCII against them itself.
    std::vector<std::vector<int>> TextUniqueKeys;
    // Counts the writes to this table through recordsets; shared by every definition of the table
    // read from one connection, so that a row read earlier can be known to be still the same.
    std::shared_ptr<quint64> Writes;
    // Of those, the ones that changed or removed a record (an edit, a delete) rather than added one.
    std::shared_ptr<quint64> Changes;
    int fieldIndex(const QString& name) const;  // -1 when missing; names match without regard to case
};

struct IndexDef {
    QString Name;
    QStringList Columns;
    bool Unique = false;
    bool Primary = false;
};

class Database;
class KeyedRows;
class KeyIndex;
class PendingRecords;

// DAO's Relations collection: the relationships copied from the source file.
class Relations {
public:
    explicit Relations(Database& db) : db_(db) {}
    int Count() const;
    QString Name(int index) const;  // 0-based, as Relations(i).Name
    void Delete(const QString& name);

private:
    QStringList names() const;
    Database& db_;
};

class Database {
public:
    // Path alone: shared, read-write. exclusive = DAO's Options True. connect = "MS Access;PWD=...".
    // Raises 3024 (no such file), 3343 (no database), 3031 (wrong or missing password),
    // 3051 (in use or no permission).
    static std::shared_ptr<Database> OpenDatabase(const QString& path, bool exclusive = false,
                                                  bool readOnly = false, const QString& connect = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Close();
    bool isOpen() const { return db_ != nullptr; }
    QString Name() const { return path_; }

    // A table name opens a table-type recordset by default; SELECT text a dynaset.
    std::unique_ptr<Recordset> OpenRecordset(const QString& source, int type = 0);

    // Jet SQL. Without dbFailOnError a statement that cannot change its rows changes nothing and
    // raises nothing; with it, every failure raises.
    void Execute(const QString& sql, int options = 0);
    long RecordsAffected() const { return recordsAffected_; }

    Relations& GetRelations() { return relations_; }

    // Not DAO: uses up `count` numbers of the table's autonumber as `count` records added and
    // deleted one by one would, in one statement. False (and nothing changed) when the table has
    // no number given yet, which only adding a record can start.
    bool SkipAutoNumbers(const QString& table, long count);

    // Not DAO: what the layer and its tools need.
    QStringList TableNames() const;  // user tables, in creation order
    bool HasTable(const QString& name) const;
    const TableDef& Table(const QString& name);  // raises 3078 when missing
    // The rows of a table, as a table-type recordset's RecordCount gives them, without listing them.
    qint64 RowCount(const QString& table);
    std::vector<IndexDef> Indexes(const QString& table);
    sqlite3* handle() const { return db_; }
    std::shared_ptr<const TableDef> TablePtr(const QString& name);
    // A prepared statement, reset and with its bindings cleared; statements are kept for reuse (at
    // most kStatementCacheSize of them) and must be reset before the next prepare.
    // `only`: the statement reads or writes that table alone, so only its records that wait are
    // written first (PendingRecords.h); otherwise all are.
    sqlite3_stmt* prepare(const QString& sql, const TableDef* only = nullptr);
    static constexpr int kStatementCacheSize = 256;
    // A statement from prepare() stays valid while this number is the same (it changes when the kept
    // statements are finalized); reused with `reuse`, it needs no look-up by its text.
    quint64 statementEpoch() const { return statementEpoch_; }
    void reuse(sqlite3_stmt* st, const TableDef* only = nullptr);

    // Not DAO: a record added through a recordset to a file private to this run may wait to be
    // written with others (PendingRecords.h). False when it is to be written now; else its number.
    bool DeferAdd(const std::shared_ptr<const TableDef>& table, const std::vector<size_t>& columns,
                  const std::vector<Variant>& values, qint64* rowid);
    // Writes the records that wait (of one table, or all): before a statement, a reading or a commit
    // (the layer does it; a reader of the file that goes past the layer's statements calls it first).
    void WritePending(const TableDef* only = nullptr);
    // Binds the values of a translated statement's parameters, ?1 first.
    static void bindParameters(sqlite3_stmt* st, const std::vector<Variant>& params);
    void invalidateSchema();
    [[noreturn]] void raiseLastError(const QString& sql);  // turns the connection's error into a DaoError

    // Statements run in one transaction that Idle(dbRefreshCache) and Close commit: every write is
    // visible at once through this connection, a conversion's rows reach the file together, and
    // the file is locked once per transaction instead of once per statement.
    // Marks the file as used by this run alone (the working copy, the new database): its lock is
    // then held from the first statement to the next Idle, which saves a lock and a journal check
    // per read. Files that other programs may use meanwhile (the database list) stay unmarked.
    // A private file also gets a larger page cache: the conversions look up rows all over it.
    void SetPrivateToThisRun();

    void beginWrite();
    void beginTransaction();
    void commitPending();

    // A transaction that holds the file's write lock from its first read: what is read in it cannot be
    // changed by another program before CommitTrans. Another writer waits (2 s) and then fails with
    // 3218. CommitTrans is Idle's commit; Rollback drops what was written since BeginTrans.
    void BeginTrans();
    void CommitTrans() { commitPending(); }
    void Rollback() noexcept;
    quint64 writeGeneration() const { return writeGeneration_; }  // changes with every write
    // Writes that are not a recordset's to one table (statements, relations, the schema).
    quint64 otherWrites() const { return otherWrites_; }
    void noteWrite() { ++writeGeneration_; }
    void noteWrite(const TableDef& table, bool added = false)
    {
        ++writeGeneration_;
        ++*table.Writes;
        if (!added)
            ++*table.Changes;
    }
    void noteOtherWrite()
    {
        ++writeGeneration_;
        ++otherWrites_;
    }

    // On a file private to this run: makes a selection by "column = literal" comparisons on rows read
    // in the order of its first column (KeyedRows.h); false when the statement is to be run instead.
    bool SelectKeyed(const std::shared_ptr<const TableDef>& table,
                     const std::vector<TranslatedSql::Equality>& equalities, const std::vector<Variant>& params,
                     std::vector<qint64>& rowids, std::vector<RawRow>& rows, size_t keep);

private:
    Database();
    void stopKeyedReads();  // before a write or a commit: no reading of KeyedRows runs on
    void requireOpen() const;
    std::vector<std::vector<int>> textUniqueKeys(const TableDef& def);
    bool inTransaction_ = false;
    bool private_ = false;
    quint64 writeGeneration_ = 0;
    quint64 otherWrites_ = 0;
    QHash<QString, std::shared_ptr<quint64>> tableWrites_;  // by upper-case table name
    sqlite3* db_ = nullptr;
    QString path_;
    bool readOnly_ = false;
    long recordsAffected_ = 0;
    Relations relations_;
    QHash<QString, std::shared_ptr<TableDef>> tables_;       // by upper-case name
    QHash<QString, sqlite3_stmt*> statements_;
    quint64 statementEpoch_ = 0;
    std::unique_ptr<KeyedRows> keyed_;  // made when first used
    std::unique_ptr<KeyIndex> keyIndex_;  // made when first used
    std::unique_ptr<PendingRecords> pending_;  // made when first used
    bool writingPending_ = false;
    QHash<QString, std::shared_ptr<quint64>> tableChanges_;  // by upper-case table name
};

// DBEngine.Idle: with one connection per database every write is already visible to later reads;
// kept so that the conversions read as they are meant.
void Idle(int what = dbRefreshCache);

}  // namespace dao
