#pragma once
// DAO recordsets: table type (stored order, exact RecordCount, Index), dynaset (a table or a
// SELECT; RecordCount exact after MoveLast) and snapshot (read-only).
#include "db/DaoError.h"
#include "db/FieldType.h"
#include "db/RawRow.h"
#include "db/Variant.h"

#include <QString>
#include <QStringBuilder>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct sqlite3_stmt;

namespace dao {

class Database;
class Recordset;
struct TableDef;

class Field {
public:
    const QString& Name() const { return info_->Name; }
    FieldType Type() const { return info_->Type; }
    int Size() const { return info_->Size; }
    bool Required() const { return info_->Required; }
    const FieldInfo& Info() const { return *info_; }

    // The value of the current row (or of the row being added or edited).
    Variant Value() const;
    // Assigning converts to the field's type as Jet does: "0" into a number is 0, "abc" raises 3421,
    // a text longer than the field raises 3163, a number out of range 3349.
    void SetValue(const Variant& v);
    Field& operator=(const Variant& v) { SetValue(v); return *this; }
    // A text built of pieces ("a" + b + "c" where QStringBuilder is used) is made into one first.
    template <typename A, typename B>
    Field& operator=(const QStringBuilder<A, B>& v)
    {
        SetValue(Variant(QString(v)));
        return *this;
    }

private:
    friend class Recordset;
    Field(Recordset* rs, const FieldInfo* info, int column) : rs_(rs), info_(info), column_(column) {}
    Recordset* rs_;
    const FieldInfo* info_;
    int column_;
};

class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool BOF() const;
    bool EOF_() const;  // DAO's EOF; the name EOF is taken by the C library's macro
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    long RecordCount() const;

    Field& Fields(const QString& name);  // raises 3265 when there is no such field
    Field& Fields(const char* name);     // the same, for a name written in the code
    Field& Fields(int index);
    int FieldCount() const { return static_cast<int>(fields_.size()); }

    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();

    qint64 LastModified() const { return lastModified_; }
    qint64 Bookmark() const;
    void SetBookmark(qint64 bookmark);

    void SetIndex(const QString& indexName);  // table type only
    QString Index() const { return index_; }

    void Close();

private:
    friend class Database;
    friend class Field;
    enum class Mode { None, Adding, Editing };
    Recordset() = default;

    void openTable(const QString& name);
    void openQuery(struct TranslatedSql&& sql);
    void createFields();
    Field& field(int index);
    // Reads the rowids of the selection in order. With rowsSql ("SELECT rowid, * ..."), the first
    // rows are kept whole as well, so that a small selection needs no second read per row.
    void loadRowids(const QString& rowsSql = {});
    void requireRowids() const;  // lists the rows of a table opened without listing them
    // After rowids_ (and the first rows, in prefetched_) were read at `generation`: on the first row.
    void rowsRead(const std::pair<quint64, quint64>& generation);
    void setPosition(long pos);
    void loadRow() const;
    Variant currentValue(int column) const;
    const Variant& loadedValue(int column) const;  // of the loaded row, made when first asked for
    void assign(int column, const Variant& v);
    void requireCurrent() const;
    void requireUpdatable() const;
    // Raises 3022 when another row holds the values being written in a unique key, letter case
    // ignored as Jet ignores it (the index itself ignores it for ASCII letters only). `self`: the row
    // being edited, -1 when adding.
    void requireUniqueIgnoringCase(qint64 self) const;
    qint64 currentRowid() const;
    bool hasCurrent() const;
    DaoError noSuchField(const QString& name) const;  // 3265 naming the field and the table
    // Names written in the code, as asked before: the same text is asked again and again, row after
    // row, most often from the same place (kept with a copy of the text, which must match as well).
    struct AskedName {
        const char* at;
        std::string text;
        int field;
    };
    std::vector<AskedName> askedNames_;
    static constexpr size_t kAskedNames = 64;
    int fieldNamed(const char* name);  // raises 3265

    Database* db_ = nullptr;
    int type_ = 0;
    bool updatable_ = false;
    QString table_;                         // the base table of an updatable recordset
    std::shared_ptr<const TableDef> def_;   // fields of the base table (updatable recordsets)
    std::vector<FieldInfo> resultInfo_;     // fields of a read-only query result
    const FieldInfo& info(int column) const;
    QString where_;                         // the selection of a dynaset over one table
    std::vector<Variant> whereParams_;      // the values of its parameters
    std::vector<std::unique_ptr<Field>> fields_;  // made when first asked for

    // Updatable recordsets hold rowids and load the current row on demand; read-only query
    // results (joins, aggregates) are held whole.
    std::vector<qint64> rowids_;
    bool rowidsPending_ = false;
    std::vector<std::vector<Variant>> rows_;
    bool materialized_ = false;
    long pos_ = -1;        // -1 before the first row (BOF), size() after the last (EOF)
    bool onDeleted_ = false;  // the current row was deleted; MoveNext goes to the row after it

    // Rows read earlier stand for the stored rows while the table has not been written since.
    using Generation = std::pair<quint64, quint64>;  // the table's writes, the connection's other writes
    Generation generation() const;
    // Rows read ahead: the first rows of a selection as read with it, then, while the rows are read
    // one after the other, the next rows with each one that is not yet there.
    static constexpr size_t kPrefetchRows = 64;
    mutable std::vector<RawRow> prefetched_;  // rows from position prefetchBase_ on (rowid -1: not valid)
    mutable long prefetchBase_ = 0;
    mutable Generation prefetchedGeneration_;
    mutable long lastLoadedPos_ = -1;
    mutable QString batchSql_;   // the rows of up to kPrefetchRows rowids
    mutable QString rangeSql_;   // the rows of a range of rowids
    const RawRow* prefetchedRow(qint64 rowid, const Generation& now) const;
    void prefetchFrom(long first) const;
    // After this recordset's own write: rows read ahead stay valid, except the one written.
    void keepPrefetched(const Generation& before, qint64 writtenRowid);
    mutable qint64 loadedRowid_ = -1;
    mutable Generation loadedGeneration_;
    mutable RawRow loadedRaw_;              // the current row, when it was not among the first
    mutable const RawRow* currentRaw_ = nullptr;
    mutable std::vector<Variant> current_;  // the current row's values asked for so far
    mutable std::vector<bool> decoded_;
    std::vector<Variant> buffer_;           // the row being added or edited
    std::vector<bool> dirty_;
    Mode mode_ = Mode::None;
    qint64 lastModified_ = 0;
    QString index_;
    QString orderBy_;
    mutable QString selectRowSql_;          // built once per recordset
    // The statements this recordset writes with, prepared once and kept while the database keeps them.
    struct KeptStatement {
        QString sql;
        sqlite3_stmt* st = nullptr;
        quint64 epoch = 0;
    };
    sqlite3_stmt* statement(KeptStatement& kept);
    KeptStatement insert_;
    std::vector<std::pair<std::vector<size_t>, KeptStatement>> update_;  // by the fields an Edit changed
    std::vector<size_t> insertColumns_;     // the fields bound to the insert's parameters
    std::vector<Variant> defaults_;         // each field's value in a new record, made once
};

}  // namespace dao
