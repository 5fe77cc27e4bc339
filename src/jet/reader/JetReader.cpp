#include "jet/reader/JetReader.h"

#include "jet/CopyPlan.h"

#include "db/FieldType.h"
#include "db/JetDate.h"
#include "jet/JetHeader.h"
#include "db/PasswordVerifier.h"
#include "jet/JetText.h"
#include "jet/reader/Mdb.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <vector>

namespace jetreader {

const LookupColumn kLookupColumns[] = {
    {"EQUIP", "EQNUM"},    {"TASKEQ", "EQNUM"},   {"TSKMETER", "EQNUM"}, {"METER", "EQNUM"},
    {"MTRHIST", "EQNUM"},  {"WOC", "EQNUM"},      {"WOEQLIST", "EQNUM"}, {"WOE", "EQNUM"},
    {"WOP", "EQNUM"},      {"WO", "WONUM"},       {"WOE", "WONUM"},      {"WOC", "WONUM"},
    {"WOP", "WONUM"},      {"TASK", "TASKNUM"},   {"TSKINSTR", "TASKNUM"}, {"INSTR", "INSTRCODE"},
    {"INVY", "ITEMNUM"},   {"INVVEND", "ITEMNUM"}, {"INVCOST", "ITEMNUM"}, {"INVTYPE", "TYPE"},
    {"VENDOR", "VENDORID"}, {"VENDCOMM", "VENDORID"}, {"MANUFACT", "MANUFACTID"},
};
const int kLookupColumnCount = static_cast<int>(sizeof kLookupColumns / sizeof kLookupColumns[0]);

namespace {

using dao::DaoError;
using dao::FieldInfo;
using dao::FieldType;

constexpr quint16 kDeletedRow = 0x8000;   // deleted, or the moved copy of a row (reached through its pointer)
constexpr quint16 kOverflowRow = 0x4000;  // the row holds only a pointer to where its data moved
constexpr quint16 kOffsetMask = 0x1FFF;
constexpr int kMaxOverflowHops = 8;
constexpr qint64 kProgressEvery = 2000;

quint16 le16(const unsigned char* p) { return static_cast<quint16>(p[0] | (p[1] << 8)); }
quint32 le32(const unsigned char* p)
{
    return static_cast<quint32>(p[0]) | (static_cast<quint32>(p[1]) << 8) | (static_cast<quint32>(p[2]) << 16) |
           (static_cast<quint32>(p[3]) << 24);
}

// Access allows no control characters in the name of a table or column; a damaged catalog can hold
// any, a NUL among them, which would cut short the statements and messages that carry the name.
bool hasControlCharacters(const QString& name)
{
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

// A name as a message may show it: control characters become '?'.
QString shown(QString name)
{
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    return name;
}

// The source's indexes that the copy makes again from their definitions: primary keys and unique
// indexes. Relationship stubs and indexes that allow duplicates are left out.
bool builtInCopy(const MdbIndex* idx)
{
    const bool primary = idx->index_type == 1;
    return idx->index_type != 2 && (primary || (idx->flags & 0x01)) && idx->num_keys != 0;
}

// A GUID as Access shows it, {8-4-4-4-12} in upper-case hex: the first three groups are stored
// little-endian, the last eight bytes as they stand. (libmdb's text of it lacks the fourth dash.)
constexpr int kGuidLength = 38;
void guidText(const unsigned char* p, char (&out)[kGuidLength + 1])
{
    std::snprintf(out, sizeof out, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned{le32(p)},
                  unsigned{le16(p + 4)}, unsigned{le16(p + 6)}, p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
}

// Thrown inside a table copy when a required column meets a Null: the table is made again with
// that column optional (Access lets a Required rule be set without checking the rows already there).
struct RequiredColumnHasNull {
    int column;
};

struct Column {
    MdbColumn* mdb = nullptr;
    int position = 0;  // among the table's columns, as a row's fields come
    QString table;
    FieldInfo info;
};

struct MdbCloser {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct TableCloser {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableCloser>;

class Statement {
public:
    Statement() = default;
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt** out() { return &st_; }
    void finalize()
    {
        sqlite3_finalize(st_);
        st_ = nullptr;
    }
    sqlite3_stmt* get() const { return st_; }

private:
    sqlite3_stmt* st_ = nullptr;
};

// The values of decoded rows, each as it is to be bound to the INSERT's parameters.
class RowBatch {
public:
    void null() { values_.push_back({Value::Null, 0, 0, 0, 0}); }
    void integer(qint64 v) { values_.push_back({Value::Integer, v, 0, 0, 0}); }
    void real(double v) { values_.push_back({Value::Real, 0, v, 0, 0}); }
    void text(const char* p, std::size_t n) { bytes(Value::Text, p, n); }
    void blob(const void* p, std::size_t n) { bytes(Value::Blob, p, n); }
    // A Jet 4 text decoded straight into the batch as UTF-8; false, with nothing added, for a text
    // that only the QString path decodes.
    bool jet4Text(const unsigned char* p, std::size_t n)
    {
        const std::size_t offset = bytes_.size();
        if (!jetreader::appendJet4TextAsUtf8(bytes_, p, n))
            return false;
        values_.push_back({Value::Text, 0, 0, offset, bytes_.size() - offset});
        return true;
    }
    void endRow() { rowEnds_.push_back(values_.size()); }

    std::size_t rows() const { return rowEnds_.size(); }
    std::size_t columns(std::size_t row) const { return rowEnds_[row] - (row == 0 ? 0 : rowEnds_[row - 1]); }
    std::size_t size() const { return bytes_.size() + values_.size() * sizeof(Value); }
    void clear()
    {
        values_.clear();
        rowEnds_.clear();
        bytes_.clear();
    }
    // Binds the values of row `row` to parameters firstParameter, firstParameter + 1, ...
    void bind(sqlite3_stmt* st, std::size_t row, int firstParameter = 1) const
    {
        const std::size_t first = row == 0 ? 0 : rowEnds_[row - 1];
        for (std::size_t i = first; i < rowEnds_[row]; ++i) {
            const Value& v = values_[i];
            const int index = static_cast<int>(i - first) + firstParameter;
            switch (v.kind) {
            case Value::Null: sqlite3_bind_null(st, index); break;
            case Value::Integer: sqlite3_bind_int64(st, index, v.integer); break;
            case Value::Real: sqlite3_bind_double(st, index, v.real); break;
            case Value::Text:
                sqlite3_bind_text(st, index, bytes_.data() + v.offset, static_cast<int>(v.size), SQLITE_STATIC);
                break;
            case Value::Blob:
                sqlite3_bind_blob(st, index, bytes_.data() + v.offset, static_cast<int>(v.size), SQLITE_STATIC);
                break;
            }
        }
    }

private:
    struct Value {
        enum Kind { Null, Integer, Real, Text, Blob } kind;
        qint64 integer;
        double real;
        std::size_t offset;
        std::size_t size;
    };
    void bytes(Value::Kind kind, const void* p, std::size_t n)
    {
        values_.push_back({kind, 0, 0, bytes_.size(), n});
        bytes_.append(static_cast<const char*>(p), n);
    }
    std::vector<Value> values_;
    std::vector<std::size_t> rowEnds_;
    std::string bytes_;
};

// What made the writing of a row fail: SQLite's extended result code and message.
struct WriteFailure {
    int code = SQLITE_OK;
    QString message;
    explicit operator bool() const { return code != SQLITE_OK; }
};

// Thrown into the scan of a table to end it when the writer has failed.
struct WriterStopped {};

// Writes decoded rows with one prepared INSERT on a thread of its own, so that the pages of a table are
// decoded while the rows before them are written. The rows are written in the order they are given,
// so the copy is the same as when one thread does both. Before the rows, the writer does the work left
// of the table before (its indexes), so that it too is done while this table's pages are decoded.
// While the writer runs, the connection is its alone: the decoding thread does not touch it until
// finish() returns.
constexpr int kRowsPerInsert = 64;
constexpr int kMaxParameters = 32766;  // SQLite's SQLITE_MAX_VARIABLE_NUMBER since 3.32

class RowWriter {
public:
    // `insert` adds one row; `insertMany`, when given, adds `many` rows at once (a statement costs
    // SQLite as much again as a row does, so most rows go in statements of many).
    RowWriter(sqlite3_stmt* insert, sqlite3_stmt* insertMany = nullptr, int many = 1,
              std::vector<std::function<void()>> before = {})
        : insert_(insert), insertMany_(insertMany), many_(insertMany ? many : 1), before_(std::move(before)),
          thread_([this] { run(); })
    {
    }
    ~RowWriter()
    {
        {
            std::lock_guard lock(mutex_);
            abandoned_ = true;
            ended_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    // The batch the next row's values go into.
    RowBatch& batch() { return *filling_; }

    // The row is complete; a full batch goes to the writer. Throws WriterStopped when the writer failed.
    void endRow()
    {
        filling_->endRow();
        if (failed_.load(std::memory_order_acquire))
            throw WriterStopped{};
        if ((filling_->rows() >= kBatchRows || filling_->size() >= kBatchBytes) && !send())
            throw WriterStopped{};
    }

    // Writes the rows given, ends the thread and returns its failure, if any; raises what the work done
    // before the rows raised.
    WriteFailure finish()
    {
        if (filling_->rows() > 0)
            send();  // when the writer failed, these rows are not written either
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
        }
        changed_.notify_all();
        thread_.join();
        if (beforeFailed_)
            std::rethrow_exception(beforeFailed_);
        return failure_;
    }

private:
    static constexpr std::size_t kBatchRows = 256;
    static constexpr std::size_t kBatchBytes = 1 << 20;
    // What may wait for the writer: enough for a table's rows to be decoded while the writer builds the
    // indexes of the table before, little enough for the memory to stay small.
    static constexpr std::size_t kQueued = 1024;
    static constexpr std::size_t kQueuedBytes = std::size_t(48) << 20;

    // Hands the batch being filled to the writer; false when the writer failed.
    bool send()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return (queue_.size() < kQueued && queuedBytes_ < kQueuedBytes) || failed_.load(); });
        if (failed_.load())
            return false;
        queuedBytes_ += filling_->size();
        queue_.push_back(std::move(filling_));
        if (spare_.empty()) {
            filling_ = std::make_unique<RowBatch>();
        } else {
            filling_ = std::move(spare_.back());
            spare_.pop_back();
        }
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    void run()
    {
        try {
            for (const auto& work : before_)
                work();
        } catch (...) {
            std::lock_guard lock(mutex_);
            beforeFailed_ = std::current_exception();
            failed_.store(true, std::memory_order_release);
            changed_.notify_all();
            return;
        }
        for (;;) {
            std::unique_ptr<RowBatch> batch;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return !queue_.empty() || ended_; });
                if (abandoned_ || queue_.empty())
                    return;
                batch = std::move(queue_.front());
                queue_.pop_front();
                queuedBytes_ -= batch->size();
            }
            for (std::size_t row = 0; row < batch->rows();) {
                const bool many = insertMany_ && batch->rows() - row >= static_cast<std::size_t>(many_);
                sqlite3_stmt* st = many ? insertMany_ : insert_;
                const std::size_t rows = many ? static_cast<std::size_t>(many_) : 1;
                for (std::size_t k = 0; k < rows; ++k)
                    batch->bind(st, row + k, static_cast<int>(k * batch->columns(row + k)) + 1);
                if (sqlite3_step(st) != SQLITE_DONE) {
                    sqlite3* db = sqlite3_db_handle(st);
                    std::lock_guard lock(mutex_);
                    failure_.code = sqlite3_extended_errcode(db);
                    failure_.message = QString::fromUtf8(sqlite3_errmsg(db));
                    failed_.store(true, std::memory_order_release);
                    changed_.notify_all();
                    return;
                }
                sqlite3_reset(st);
                sqlite3_clear_bindings(st);
                row += rows;
            }
            batch->clear();
            {
                std::lock_guard lock(mutex_);
                spare_.push_back(std::move(batch));
            }
            changed_.notify_all();
        }
    }

    sqlite3_stmt* insert_;
    sqlite3_stmt* insertMany_;
    int many_;
    std::vector<std::function<void()>> before_;
    std::exception_ptr beforeFailed_;
    std::unique_ptr<RowBatch> filling_ = std::make_unique<RowBatch>();
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<RowBatch>> queue_;
    std::size_t queuedBytes_ = 0;
    std::vector<std::unique_ptr<RowBatch>> spare_;
    bool ended_ = false;      // no more batches come
    bool abandoned_ = false;  // ... and those queued are not to be written
    WriteFailure failure_;
    std::atomic<bool> failed_{false};
    std::thread thread_;  // last: it starts once everything above is ready
};

class JetCopier {
public:
    JetCopier(const QString& source, const QString& dest, const ProgressFn& progress, const dao::CopyPlan& plan)
        : source_(source), dest_(dest), progress_(progress), plan_(plan) {}
    ~JetCopier()
    {
        if (db_)
            sqlite3_close_v2(db_);
    }
    void run();
    const QStringList& warnings() const { return warnings_; }

private:
    [[noreturn]] void corrupt(const QString& detail) const { throw dao::CorruptDatabase(source_, detail); }
    [[noreturn]] void sqliteFailed(const QString& what) const;
    [[noreturn]] void sqliteFailed(const QString& what, const WriteFailure& failure) const;
    void exec(const QString& sql);

    std::vector<Column> readColumns(MdbTableDef* t, const QString& table);
    std::vector<Column> plannedColumns(MdbTableDef* t, const QString& table, const std::vector<Column>& all) const;
    void copyTable(MdbCatalogEntry* entry, const QString& name);
    void copyRelationships(MdbCatalogEntry* entry);
    void createUniqueIndexes(MdbTableDef* t, const QString& name, const std::vector<Column>& columns);
    void createLookupIndexes(const QString& name, const std::vector<Column>& columns);
    void noteUnreachableIndexes(MdbTableDef* t, const QString& name, qint64 rows, bool rowsCopied, bool indexesBuilt);
    QString newIndexName(const QString& wanted);
    TablePtr openTable(MdbCatalogEntry* entry, const QString& name);
    struct CatalogTable {
        MdbCatalogEntry* entry;
        QString name;
        bool system;
    };
    std::vector<CatalogTable> liveTables();

    template <typename OnRow>
    qint64 scanRows(MdbTableDef* t, const QString& name, OnRow&& onRow);
    template <typename OnRow>
    void emitRow(MdbTableDef* t, const QString& name, int start, int size, OnRow& onRow);
    template <typename OnRow>
    void followOverflow(MdbTableDef* t, const QString& name, quint32 pgRow, OnRow& onRow);
    void rowBounds(const QString& name, quint32 page, int row, int* start, int* end, quint16* flags) const;

    // Decodes a field's stored bytes into the value the copy stores (Null when the row has no such
    // column yet, `present` false).
    void decodeField(RowBatch& out, const Column& c, const MdbField& f, bool present);
    QByteArray readLongValue(const unsigned char* header, int size, const QString& table, const QString& column);
    // A page of long values, read through libmdb once and kept: the values of rows copied one after
    // the other lie together, a few to a page. Null when the page cannot be read.
    const unsigned char* longValuePage(quint32 page);
    QString decodeText(const unsigned char* p, std::size_t n);
    void outText(RowBatch& out, const unsigned char* p, std::size_t n);  // as UTF-8, the copy's encoding
    // Copies the rows of `t` with `insert`: `decode` gives a row's values on this thread while a
    // RowWriter writes the rows before it. `failed` turns the writer's failure into an exception.
    template <typename Decode, typename Failed>
    qint64 copyRows(MdbTableDef* t, const QString& name, sqlite3_stmt* insert, Decode&& decode, Failed&& failed,
                    sqlite3_stmt* insertMany = nullptr, int many = 1);

    QString source_;
    QString dest_;
    ProgressFn progress_;
    dao::CopyPlan plan_;
    dao::JetHeader header_;
    quint32 pageCount_ = 0;
    int pageSize_ = 0;
    bool jet3_ = false;
    std::unique_ptr<MdbHandle, MdbCloser> mdb_;
    std::unique_ptr<CodePageText> codePage_;
    struct KeptPage {
        quint32 page = 0;  // 0: none (page 0 holds no long value)
        std::vector<unsigned char> bytes;
    };
    KeptPage longValuePages_[8];  // by page number modulo 8
    sqlite3* db_ = nullptr;
    QStringList tableNames_;             // as created in the copy
    QSet<QString> indexNames_;           // upper-case: names taken in the file (tables and indexes share them)
    std::vector<MdbField> fields_;
    QStringList warnings_;               // damage that cost no data, one sentence each for the import log
    // What is left to do of the tables copied (their indexes): done by the next table's writer while
    // that table's pages are decoded, or at the end.
    std::vector<std::function<void()>> leftOver_;
};

void JetCopier::sqliteFailed(const QString& what, const WriteFailure& failure) const
{
    if ((failure.code & 0xFF) == SQLITE_FULL)
        throw dao::JetError::DiskFull();
    throw dao::JetError::Engine(
        QString("writing the working copy '%1' failed while %2: %3").arg(dest_, what, failure.message));
}

void JetCopier::sqliteFailed(const QString& what) const
{
    const int code = db_ ? sqlite3_errcode(db_) : SQLITE_CANTOPEN;
    if (code == SQLITE_FULL)
        throw dao::JetError::DiskFull();
    const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString("cannot open");
    throw dao::JetError::Engine(QString("writing the working copy '%1' failed while %2: %3").arg(dest_, what, message));
}

void JetCopier::exec(const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        sqlite3_free(err);
        sqliteFailed(sql.left(80));
    }
}

void JetCopier::run()
{
    header_ = dao::ReadJetHeader(source_);
    const qint64 fileSize = QFileInfo(source_).size();
    dao::CheckJetFile(source_, header_, fileSize);
    pageSize_ = header_.PageSize;
    pageCount_ = static_cast<quint32>(fileSize / pageSize_);
    jet3_ = header_.Format == dao::DbFileFormat::Jet3;
    if (jet3_)
        codePage_ = std::make_unique<CodePageText>(header_.CodePage);

    // libmdb reads these at open time; the copy must not depend on the caller's environment.
    setenv("MDBICONV", "UTF-8", 1);
    unsetenv("MDB_JET3_CHARSET");
    unsetenv("MDBOPTS");
    unsetenv("MDBPATH");
    const QByteArray path = QFileInfo(source_).absoluteFilePath().toLocal8Bit();
    mdb_.reset(mdb_open(path.constData(), MDB_NOFLAGS));
    if (!mdb_)
        corrupt("the database engine cannot open it");
    if (mdb_->fmt->pg_size != pageSize_ || static_cast<int>(mdb_->f->jet_version) != (jet3_ ? 0 : 1))
        corrupt("its header contradicts itself");

    // The catalog is read once: reading it again frees the entries that open tables point to.
    if (!mdb_read_catalog(mdb_.get(), MDB_TABLE))
        corrupt("its catalog of tables cannot be read");
    std::vector<std::pair<MdbCatalogEntry*, QString>> userTables;
    MdbCatalogEntry* relationships = nullptr;
    // Access keeps table names unique and never empty; a damaged catalog need not. The copy makes
    // its own MSysRelationships and MSysPassword (Access keeps names beginning with MSys for its own
    // tables), so no user table may take those names.
    QSet<QString> tableNames;
    const QStringList copyOwnTables{"MSysRelationships", "MSysPassword"};
    for (const CatalogTable& table : liveTables()) {
        if (!table.system) {
            if (copyOwnTables.contains(table.name, Qt::CaseInsensitive))
                corrupt(QString("its catalog lists '%1', a name Access keeps for its own tables, as a user table")
                            .arg(table.name));
            if (hasControlCharacters(table.name))
                corrupt(QString("its catalog names a table '%1' with characters Access never allows in a name")
                            .arg(shown(table.name)));
            if (table.name.trimmed().isEmpty() || tableNames.contains(table.name.toUpper()))
                corrupt(QString("its catalog names the table '%1' twice or not at all").arg(table.name));
            // SQLite refuses such names for anything but its own tables.
            if (table.name.startsWith("sqlite_", Qt::CaseInsensitive))
                throw dao::JetError::Engine(QString("the table '%1' of '%2' cannot be copied: the working copy keeps "
                                                    "names that begin with 'sqlite_' for itself; rename the table "
                                                    "in Access, then import again")
                                                .arg(table.name, source_));
            tableNames.insert(table.name.toUpper());
            userTables.emplace_back(table.entry, table.name);
        } else if (table.name.compare("MSysRelationships", Qt::CaseInsensitive) == 0) {
            relationships = table.entry;
        }
    }

    // Tables and indexes share one set of names in SQLite: an index named after table "A" and its
    // index "B" must not take the name of a table "A_B".
    indexNames_ = tableNames;
    for (const QString& own : copyOwnTables)
        indexNames_.insert(own.toUpper());

    if (QFileInfo::exists(dest_))
        throw dao::JetError::Engine(QString("the working copy '%1' already exists").arg(dest_));
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);  // no lock around every allocation; before SQLite's first use
    if (sqlite3_open_v2(QFile::encodeName(dest_).constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        sqliteFailed("creating it");
    sqlite3_extended_result_codes(db_, 1);
    exec("PRAGMA journal_mode=OFF");
    exec("PRAGMA synchronous=OFF");
    exec("PRAGMA threads=2");  // the indexes made after the rows sort on the second core too
    exec("BEGIN");

    for (const auto& [entry, name] : userTables)
        if (plan_.holds(name))
            copyTable(entry, name);

    exec("CREATE TABLE MSysRelationships (szRelationship VARCHAR(64) COLLATE NOCASE, grbit INT, ccolumn INT, "
         "icolumn INT, szObject VARCHAR(64) COLLATE NOCASE, szColumn VARCHAR(64) COLLATE NOCASE, "
         "szReferencedObject VARCHAR(64) COLLATE NOCASE, szReferencedColumn VARCHAR(64) COLLATE NOCASE)");
    if (relationships) {
        if (progress_)
            progress_("MSysRelationships", 0);
        copyRelationships(relationships);
    }

    for (const auto& work : std::exchange(leftOver_, {}))
        work();
    dao::StorePasswordVerifier(db_, header_.Password);
    exec("COMMIT");
    if (sqlite3_close(db_) != SQLITE_OK)
        sqliteFailed("closing it");
    db_ = nullptr;
}

// The tables of the file, read from the catalog's own rows. libmdb's catalog takes deleted catalog
// rows (tables deleted in Access) for live ones and silently stops at a damaged catalog page, so the
// catalog table is scanned here like any other table, row count checked, and libmdb's entries are
// used only to open the tables found.
std::vector<JetCopier::CatalogTable> JetCopier::liveTables()
{
    MdbCatalogEntry* catalog = nullptr;
    for (unsigned i = 0; i < mdb_->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
        if (e->table_pg == 2)
            catalog = e;
    }
    if (!catalog)
        corrupt("its catalog of tables cannot be read");
    const QString name = "MSysObjects";
    TablePtr t = openTable(catalog, name);
    const std::vector<Column> columns = readColumns(t.get(), name);
    int id = -1, objectName = -1, type = -1, flags = -1;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const QString& c = columns[i].info.Name;
        if (c == "Id" && columns[i].mdb->col_type == MDB_LONGINT)
            id = static_cast<int>(i);
        else if (c == "Name" && columns[i].mdb->col_type == MDB_TEXT)
            objectName = static_cast<int>(i);
        else if (c == "Type" && columns[i].mdb->col_type == MDB_INT)
            type = static_cast<int>(i);
        else if (c == "Flags" && columns[i].mdb->col_type == MDB_LONGINT)
            flags = static_cast<int>(i);
    }
    if (id < 0 || objectName < 0 || type < 0 || flags < 0)
        corrupt("its catalog of tables is damaged");

    struct Found {
        quint32 page;
        QString name;
        bool system;
    };
    std::vector<Found> found;
    const auto present = [](const MdbField& f, int rowColumns, const Column& c) {
        return !f.is_null && c.mdb->col_num < rowColumns && f.siz > 0;
    };
    const qint64 rows = scanRows(t.get(), name, [&](const MdbField* fields, int rowColumns) {
        if (!present(fields[id], rowColumns, columns[id]) || !present(fields[type], rowColumns, columns[type]) ||
            !present(fields[objectName], rowColumns, columns[objectName]) || fields[id].siz < 4 ||
            fields[type].siz < 2)
            return;
        const unsigned char* pg = mdb_->pg_buf;
        if ((le16(pg + fields[type].start) & 0x7F) != MDB_TABLE)
            return;
        const quint32 objectFlags =
            present(fields[flags], rowColumns, columns[flags]) && fields[flags].siz >= 4 ? le32(pg + fields[flags].start) : 0;
        found.push_back({le32(pg + fields[id].start) & 0x00FFFFFF,
                         decodeText(pg + fields[objectName].start, static_cast<std::size_t>(fields[objectName].siz)),
                         (objectFlags & 0x80000002u) != 0});
    });
    noteUnreachableIndexes(t.get(), name, rows, false, false);

    std::vector<CatalogTable> tables;
    for (const Found& f : found) {
        MdbCatalogEntry* entry = nullptr;
        for (unsigned i = 0; i < mdb_->num_catalog && !entry; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
            if (e->object_type == MDB_TABLE && e->table_pg == f.page)
                entry = e;
        }
        if (!entry)
            corrupt(QString("the catalog entry of table '%1' cannot be read").arg(f.name));
        tables.push_back({entry, f.name, f.system});
    }
    return tables;
}

TablePtr JetCopier::openTable(MdbCatalogEntry* entry, const QString& name)
{
    if (entry->table_pg == 0 || entry->table_pg >= pageCount_)
        corrupt(QString("the catalog places table '%1' at page %2, beyond the end of the file")
                    .arg(name)
                    .arg(entry->table_pg));
    TablePtr t(mdb_read_table(entry));
    if (!t)
        corrupt(QString("the definition of table '%1' is damaged").arg(name));
    if (!mdb_read_columns(t.get()) || t->num_cols == 0 || !t->columns || t->columns->len != t->num_cols)
        corrupt(QString("the columns of table '%1' cannot be read").arg(name));
    // The index reader parses whatever page is current, so it runs right after the columns.
    mdb_read_indices(t.get());
    return t;
}

std::vector<Column> JetCopier::readColumns(MdbTableDef* t, const QString& table)
{
    std::vector<Column> columns;
    columns.reserve(t->num_cols);
    QSet<QString> names;  // a damaged definition can repeat a name; SQLite compares them without case
    for (unsigned i = 0; i < t->num_cols; ++i) {
        auto* mc = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
        Column c;
        c.mdb = mc;
        c.position = static_cast<int>(i);
        c.table = table;
        FieldInfo& f = c.info;
        f.Name = QString::fromUtf8(mc->name);
        if (hasControlCharacters(f.Name))
            corrupt(QString("the definition of table '%1' names a column '%2' with characters Access never allows "
                            "in a name")
                        .arg(table, shown(f.Name)));
        if (f.Name.trimmed().isEmpty() || names.contains(f.Name.toUpper()))
            corrupt(QString("the definition of table '%1' names the column '%2' twice or not at all").arg(table, f.Name));
        names.insert(f.Name.toUpper());
        switch (mc->col_type) {
        case MDB_BOOL: f.Type = FieldType::Boolean; break;
        case MDB_BYTE: f.Type = FieldType::Byte; break;
        case MDB_INT: f.Type = FieldType::Integer; break;
        case MDB_LONGINT:
            f.Type = FieldType::Long;
            f.AutoNumber = mc->is_long_auto != 0;
            break;
        case MDB_MONEY: f.Type = FieldType::Currency; break;
        case MDB_FLOAT: f.Type = FieldType::Single; break;
        case MDB_DOUBLE: f.Type = FieldType::Double; break;
        case MDB_DATETIME: f.Type = FieldType::Date; break;
        case MDB_TEXT:
            f.Type = FieldType::Text;
            f.Size = jet3_ ? mc->col_size : mc->col_size / 2;  // Jet 4 sizes count bytes of UCS-2
            if (f.Size <= 0)
                f.Size = 255;
            break;
        case MDB_MEMO: f.Type = FieldType::Memo; break;
        case MDB_REPID:  // a GUID (replication ID): kept as its text form {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
            f.Type = FieldType::Text;
            f.Size = 38;
            break;
        case MDB_NUMERIC:
            f.Type = FieldType::Decimal;
            f.Precision = mc->col_scale;  // libmdb keeps precision and scale in each other's fields
            f.Scale = mc->col_prec;
            if (f.Precision < 1 || f.Precision > 28 || f.Scale < 0 || f.Scale > f.Precision)
                corrupt(QString("column '%1.%2' declares an impossible decimal size").arg(table, f.Name));
            break;
        default: f.Type = FieldType::Binary; break;  // Binary, OLE and anything newer: the stored bytes
        }
        if (f.Type != FieldType::Boolean && !f.AutoNumber) {
            const char* required = mdb_col_get_prop(mc, "Required");
            f.Required = required && g_ascii_strcasecmp(required, "yes") == 0;
        }
        columns.push_back(std::move(c));
    }
    return columns;
}

std::vector<Column> JetCopier::plannedColumns(MdbTableDef* t, const QString& table, const std::vector<Column>& all) const
{
    if (plan_.whole())
        return all;
    std::vector<bool> kept(all.size(), false);
    for (std::size_t i = 0; i < all.size(); ++i)
        kept[i] = plan_.names(table, all[i].info.Name);
    // The keys that the copy's unique indexes are made of.
    for (unsigned i = 0; t->indices && i < t->indices->len; ++i) {
        const auto* idx = static_cast<const MdbIndex*>(g_ptr_array_index(t->indices, i));
        if (!builtInCopy(idx))
            continue;
        for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
            const int col = idx->key_col_num[k];
            if (col >= 1 && col <= static_cast<int>(all.size()))
                kept[static_cast<std::size_t>(col - 1)] = true;
        }
    }
    if (!all.empty() && std::find(kept.begin(), kept.end(), true) == kept.end())
        kept[0] = true;  // the rows are counted: they need a column to be rows of
    std::vector<Column> columns;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (kept[i])
            columns.push_back(all[i]);
    return columns;
}

void JetCopier::copyTable(MdbCatalogEntry* entry, const QString& name)
{
    if (progress_)
        progress_(name, 0);
    TablePtr t = openTable(entry, name);
    const std::vector<Column> all = readColumns(t.get(), name);
    std::vector<Column> columns = plannedColumns(t.get(), name, all);
    const QString quoted = dao::quoteIdentifier(name);

    qint64 rows = 0;
    for (;;) {
        QStringList defs, params;
        for (const Column& c : columns) {
            defs << dao::quoteIdentifier(c.info.Name) + ' ' + dao::declaredColumn(c.info);
            params << "?";
        }
        exec(QString("CREATE TABLE %1 (%2)").arg(quoted, defs.join(", ")));
        Statement insert, insertMany;
        const QString row = '(' + params.join(',') + ')';
        const QByteArray sql = QString("INSERT INTO %1 VALUES %2").arg(quoted, row).toUtf8();
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, insert.out(), nullptr) != SQLITE_OK)
            sqliteFailed(QString("preparing the rows of '%1'").arg(name));
        // Rows go in statements of many, within SQLite's limit of parameters per statement.
        const int many = std::max(1, std::min(kRowsPerInsert, kMaxParameters / std::max(1, static_cast<int>(columns.size()))));
        if (many > 1) {
            const QByteArray manySql =
                QString("INSERT INTO %1 VALUES %2").arg(quoted, QStringList(many, row).join(',')).toUtf8();
            if (sqlite3_prepare_v2(db_, manySql.constData(), -1, insertMany.out(), nullptr) != SQLITE_OK)
                sqliteFailed(QString("preparing the rows of '%1'").arg(name));
        }
        try {
            rows = copyRows(
                t.get(), name, insert.get(),
                [&](const MdbField* fields, int rowColumns, RowBatch& out) {
                    for (std::size_t i = 0; i < columns.size(); ++i) {
                        // A column added after the row was written is not in the row: it is Null.
                        const bool present = columns[i].mdb->col_num < rowColumns;
                        decodeField(out, columns[i], fields[columns[i].position], present);
                    }
                },
                [&](const WriteFailure& failure) {
                    if (failure.code == SQLITE_CONSTRAINT_NOTNULL) {
                        // "NOT NULL constraint failed: Table.Column"
                        for (std::size_t i = 0; i < columns.size(); ++i)
                            if (columns[i].info.Required && failure.message.endsWith('.' + columns[i].info.Name))
                                throw RequiredColumnHasNull{static_cast<int>(i)};
                    }
                    sqliteFailed(QString("adding a row to '%1'").arg(name), failure);
                },
                insertMany.get(), many);
        } catch (const RequiredColumnHasNull& e) {
            // Each round clears one Required flag, so this ends after at most one round per column.
            insert.finalize();
            insertMany.finalize();
            exec("DROP TABLE " + quoted);
            std::fprintf(stderr, "note: column '%s.%s' is required but holds Nulls; copied as optional\n",
                         name.toUtf8().constData(), columns[e.column].info.Name.toUtf8().constData());
            columns[e.column].info.Required = false;
            continue;
        }
        break;
    }
    createUniqueIndexes(t.get(), name, all);
    createLookupIndexes(name, columns);
    noteUnreachableIndexes(t.get(), name, rows, true, true);
    tableNames_ << name;
}

void JetCopier::copyRelationships(MdbCatalogEntry* entry)
{
    const QString name = "MSysRelationships";
    TablePtr t = openTable(entry, name);
    std::vector<Column> columns = readColumns(t.get(), name);
    static const char* const wanted[] = {"szRelationship", "grbit",    "ccolumn",            "icolumn",
                                         "szObject",       "szColumn", "szReferencedObject", "szReferencedColumn"};
    std::vector<int> source(8, -1);
    for (int k = 0; k < 8; ++k)
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i].info.Name.compare(wanted[k], Qt::CaseInsensitive) == 0)
                source[k] = static_cast<int>(i);
    Statement insert;
    if (sqlite3_prepare_v2(db_, "INSERT INTO MSysRelationships VALUES (?,?,?,?,?,?,?,?)", -1, insert.out(),
                           nullptr) != SQLITE_OK)
        sqliteFailed("preparing the relationships");
    const qint64 rows = copyRows(
        t.get(), name, insert.get(),
        [&](const MdbField* fields, int rowColumns, RowBatch& out) {
            for (int k = 0; k < 8; ++k) {
                if (source[k] < 0) {
                    out.null();
                    continue;
                }
                const Column& c = columns[source[k]];
                decodeField(out, c, fields[source[k]], c.mdb->col_num < rowColumns);
            }
        },
        [&](const WriteFailure& failure) { sqliteFailed("adding a relationship", failure); });
    noteUnreachableIndexes(t.get(), name, rows, true, false);
}

void JetCopier::createUniqueIndexes(MdbTableDef* t, const QString& name, const std::vector<Column>& columns)
{
    if (!t->indices)
        return;
    for (unsigned i = 0; i < t->indices->len; ++i) {
        auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(t->indices, i));
        if (!builtInCopy(idx))
            continue;
        if (idx->num_keys > MDB_MAX_IDX_COLS)
            corrupt(QString("index '%1' of table '%2' is damaged").arg(QString::fromUtf8(idx->name), name));
        QStringList keys;
        for (unsigned k = 0; k < idx->num_keys; ++k) {
            const int col = idx->key_col_num[k];
            if (col < 1 || col > static_cast<int>(columns.size()))
                corrupt(QString("index '%1' of table '%2' is damaged").arg(QString::fromUtf8(idx->name), name));
            keys << dao::quoteIdentifier(columns[col - 1].info.Name) +
                        (idx->key_col_order[k] == MDB_DESC ? " DESC" : "");
        }
        const QString indexName = newIndexName(name + '_' + QString::fromUtf8(idx->name));
        if (progress_)
            progress_(name, -1);
        const QString sql = QString("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                                .arg(dao::quoteIdentifier(indexName), dao::quoteIdentifier(name), keys.join(", "));
        const QString index = QString::fromUtf8(idx->name);
        leftOver_.push_back([this, sql, name, index] {
            if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                if ((sqlite3_extended_errcode(db_) & 0xFF) == SQLITE_CONSTRAINT)
                    corrupt(QString("the rows of table '%1' break its unique index '%2'").arg(name, index));
                sqliteFailed(QString("indexing '%1'").arg(name));
            }
        });
    }
}

// The copy never reads an index's pages: it makes primary keys and unique indexes again from their
// definitions. So an index whose first page lies beyond the end of the file (Access leaves such files;
// "Compact and Repair" mends them) costs no data: it becomes a warning for the import log, not a
// refusal. What the rows need (table definitions, data pages, moved rows, long values) is checked where
// it is read, so a file that lost any of it is still refused.
void JetCopier::noteUnreachableIndexes(MdbTableDef* t, const QString& name, qint64 rows, bool rowsCopied,
                                       bool indexesBuilt)
{
    for (unsigned i = 0; t->indices && i < t->indices->len; ++i) {
        const auto* idx = static_cast<const MdbIndex*>(g_ptr_array_index(t->indices, i));
        if (idx->index_type == 2 || idx->first_pg < pageCount_)
            continue;
        QString outcome;
        if (rows == 0)
            outcome = "The table holds no rows";
        else if (rows == 1)
            outcome = QString("The table's one row was %1").arg(rowsCopied ? "copied" : "read");
        else
            outcome = QString("All %1 rows of the table were %2").arg(rows).arg(rowsCopied ? "copied" : "read");
        outcome += indexesBuilt && builtInCopy(idx) ? ", and the index was built again from its definition."
                                                    : "; the import does not use this index.";
        warnings_ << QString("Warning: the index '%1' of table '%2' in '%3' cannot be read: its first page (page %4) "
                             "lies beyond the end of the file. %5 The file is damaged; \"Compact and Repair\" in "
                             "Access would mend it.")
                         .arg(shown(QString::fromUtf8(idx->name)), shown(name), source_,
                              QString::number(idx->first_pg), outcome);
    }
}

// An index name of the copy: taken by no table or index of the file (SQLite compares names without
// case), and never beginning with "sqlite_", which SQLite keeps for itself (a table named "sqlite"
// with a primary key would give "sqlite_PrimaryKey").
QString JetCopier::newIndexName(const QString& wanted)
{
    const QString base = wanted.startsWith("sqlite_", Qt::CaseInsensitive) ? "index_" + wanted : wanted;
    QString name = base;
    for (int n = 2; indexNames_.contains(name.toUpper()); ++n)
        name = base + QString::number(n);
    indexNames_.insert(name.toUpper());
    return name;
}

void JetCopier::createLookupIndexes(const QString& name, const std::vector<Column>& columns)
{
    for (int i = 0; i < kLookupColumnCount; ++i) {
        if (name.compare(QString::fromLatin1(kLookupColumns[i].table), Qt::CaseInsensitive) != 0)
            continue;
        // The column's name as the source spells it, when the copy has the column.
        const QString column = QString::fromLatin1(kLookupColumns[i].column);
        const auto c = std::find_if(columns.begin(), columns.end(),
                                    [&](const Column& k) { return k.info.Name.compare(column, Qt::CaseInsensitive) == 0; });
        if (c == columns.end())
            continue;
        if (progress_)
            progress_(name, -1);  // indexing a large table takes a while
        const QString indexName =
            newIndexName(QString("lookup_%1_%2").arg(QString::fromLatin1(kLookupColumns[i].table), column));
        const QString sql = QString("CREATE INDEX %1 ON %2 (%3)")
                                .arg(dao::quoteIdentifier(indexName), dao::quoteIdentifier(name),
                                     dao::quoteIdentifier(c->info.Name));
        leftOver_.push_back([this, sql] { exec(sql); });
    }
}

void JetCopier::rowBounds(const QString& name, quint32 page, int row, int* start, int* end, quint16* flags) const
{
    const unsigned char* pg = mdb_->pg_buf;
    const int rco = mdb_->fmt->row_count_offset;
    const int rows = le16(pg + rco);
    const int firstData = rco + 2 + 2 * rows;
    if (row >= rows || firstData > pageSize_)
        corrupt(QString("page %1 of table '%2' is damaged (its row list is impossible)").arg(page).arg(name));
    const quint16 raw = le16(pg + rco + 2 + 2 * row);
    *flags = raw & ~kOffsetMask;
    *start = raw & kOffsetMask;
    *end = row == 0 ? pageSize_ : (le16(pg + rco + 2 * row) & kOffsetMask);
    if ((raw & kDeletedRow) == 0 && (*start < firstData || *start >= *end || *end > pageSize_))
        corrupt(QString("row %1 on page %2 of table '%3' is damaged").arg(row).arg(page).arg(name));
}

template <typename Decode, typename Failed>
qint64 JetCopier::copyRows(MdbTableDef* t, const QString& name, sqlite3_stmt* insert, Decode&& decode, Failed&& failed,
                           sqlite3_stmt* insertMany, int many)
{
    RowWriter writer(insert, insertMany, many, std::exchange(leftOver_, {}));
    qint64 rows = 0;
    try {
        rows = scanRows(t, name, [&](const MdbField* fields, int rowColumns) {
            decode(fields, rowColumns, writer.batch());
            writer.endRow();
        });
    } catch (const WriterStopped&) {
    } catch (...) {
        // The rows before a damaged one are written first: a failure among them came first.
        if (const WriteFailure failure = writer.finish())
            failed(failure);
        throw;
    }
    if (const WriteFailure failure = writer.finish())
        failed(failure);
    return rows;
}

template <typename OnRow>
qint64 JetCopier::scanRows(MdbTableDef* t, const QString& name, OnRow&& onRow)
{
    MdbHandle* mdb = mdb_.get();
    const quint32 owner = static_cast<quint32>(t->entry->table_pg);
    fields_.assign(t->num_cols, MdbField{});
    qint64 rowsRead = 0;
    bool bruteForce = !t->usage_map || t->map_sz < 1;
    quint32 page = 0;
    for (;;) {
        quint32 next = 0;
        if (!bruteForce) {
            const gint32 found = mdb_map_find_next(mdb, t->usage_map, static_cast<unsigned>(t->map_sz), page);
            if (found < 0) {
                if (page != 0)
                    corrupt(QString("the page map of table '%1' is damaged").arg(name));
                bruteForce = true;  // a map kind libmdb does not know: look at every page
                continue;
            }
            if (found == 0)
                break;
            next = static_cast<quint32>(found);
            if (next <= page)
                corrupt(QString("the page map of table '%1' is damaged").arg(name));
            if (next >= pageCount_)
                corrupt(QString("table '%1' has a page (%2) beyond the end of the file, so the file is truncated")
                            .arg(name)
                            .arg(next));
        } else {
            next = page + 1;
            if (next >= pageCount_)
                break;
        }
        page = next;
        if (mdb_read_pg(mdb, page) != pageSize_)
            corrupt(QString("page %1 cannot be read").arg(page));
        if (mdb->pg_buf[0] != MDB_PAGE_DATA || le32(mdb->pg_buf + 4) != owner) {
            // A page the map lists but that is not this table's: its rows, if it had any, are missed,
            // and the row count below says so.
            if (!bruteForce)
                std::fprintf(stderr, "note: page %u listed for table '%s' belongs elsewhere\n", page,
                             name.toUtf8().constData());
            continue;
        }
        const int rows = le16(mdb->pg_buf + mdb->fmt->row_count_offset);
        for (int r = 0; r < rows; ++r) {
            int start = 0, end = 0;
            quint16 flags = 0;
            rowBounds(name, page, r, &start, &end, &flags);
            if (flags & kDeletedRow)
                continue;
            if (flags & kOverflowRow) {
                if (end - start < 4)
                    corrupt(QString("row %1 on page %2 of table '%3' is damaged").arg(r).arg(page).arg(name));
                followOverflow(t, name, le32(mdb->pg_buf + start), onRow);
                if (mdb_read_pg(mdb, page) != pageSize_)
                    corrupt(QString("page %1 cannot be read").arg(page));
            } else {
                emitRow(t, name, start, end - start, onRow);
            }
            if (++rowsRead % kProgressEvery == 0 && progress_)
                progress_(name, rowsRead);
        }
    }
    const auto counted = static_cast<qint64>(t->num_rows);
    if (rowsRead < counted)
        corrupt(QString("table '%1' holds %2 rows but only %3 could be read, so pages are missing or damaged")
                    .arg(name)
                    .arg(counted)
                    .arg(rowsRead));
    if (rowsRead > counted)
        corrupt(QString("table '%1' should hold %2 rows but %3 were found; the file was probably not closed "
                        "properly: compact and repair it in Access, then import it again")
                    .arg(name)
                    .arg(counted)
                    .arg(rowsRead));
    return rowsRead;
}

template <typename OnRow>
void JetCopier::followOverflow(MdbTableDef* t, const QString& name, quint32 pgRow, OnRow& onRow)
{
    MdbHandle* mdb = mdb_.get();
    for (int hop = 0; hop < kMaxOverflowHops; ++hop) {
        const quint32 page = pgRow >> 8;
        const int row = static_cast<int>(pgRow & 0xFF);
        if (page == 0 || page >= pageCount_)
            corrupt(QString("a moved row of table '%1' points beyond the end of the file").arg(name));
        if (mdb_read_pg(mdb, page) != pageSize_)
            corrupt(QString("page %1 cannot be read").arg(page));
        if (mdb->pg_buf[0] != MDB_PAGE_DATA || le32(mdb->pg_buf + 4) != static_cast<quint32>(t->entry->table_pg))
            corrupt(QString("a moved row of table '%1' points at a page of another table").arg(name));
        int start = 0, end = 0;
        quint16 flags = 0;
        rowBounds(name, page, row, &start, &end, &flags);
        if (start < mdb_->fmt->row_count_offset + 2 || start >= end || end > pageSize_)
            corrupt(QString("a moved row of table '%1' is damaged").arg(name));
        // The moved copy is flagged deleted so that scans skip it; only the pointer counts.
        if (flags & kOverflowRow) {
            if (end - start < 4)
                corrupt(QString("a moved row of table '%1' is damaged").arg(name));
            pgRow = le32(mdb->pg_buf + start);
            continue;
        }
        emitRow(t, name, start, end - start, onRow);
        return;
    }
    corrupt(QString("a moved row of table '%1' leads round in circles").arg(name));
}

template <typename OnRow>
void JetCopier::emitRow(MdbTableDef* t, const QString& name, int start, int size, OnRow& onRow)
{
    const int rowColumns = mdb_crack_row(t, start, static_cast<size_t>(size), fields_.data());
    if (rowColumns < 0)
        corrupt(QString("a row of table '%1' is damaged").arg(name));
    for (unsigned i = 0; i < t->num_cols; ++i) {
        const MdbField& f = fields_[i];
        if (!f.is_null && (f.start < start || f.siz < 0 || f.start + f.siz > start + size))
            corrupt(QString("a row of table '%1' is damaged").arg(name));
    }
    onRow(fields_.data(), rowColumns);
}

void JetCopier::outText(RowBatch& out, const unsigned char* p, std::size_t n)
{
    if (!jet3_ && out.jet4Text(p, n))
        return;
    const QByteArray bytes = decodeText(p, n).toUtf8();
    out.text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString JetCopier::decodeText(const unsigned char* p, std::size_t n)
{
    return jet3_ ? codePage_->decode(p, n) : decodeJet4Text(p, n);
}

QByteArray JetCopier::readLongValue(const unsigned char* header, int size, const QString& table,
                                    const QString& column)
{
    const auto damaged = [&] {
        corrupt(QString("the memo or OLE value of '%1.%2' is damaged").arg(table, column));
    };
    if (size < MDB_MEMO_OVERHEAD)
        damaged();
    const quint32 word = le32(header);
    const qint64 length = word & 0x3FFFFFFF;
    if (length > static_cast<qint64>(pageCount_) * pageSize_)
        damaged();
    if (word & 0x80000000u)  // stored in the row itself
        return QByteArray(reinterpret_cast<const char*>(header + MDB_MEMO_OVERHEAD), size - MDB_MEMO_OVERHEAD);

    QByteArray data;
    data.reserve(static_cast<qsizetype>(length));
    quint32 pgRow = le32(header + 4);
    const bool single = (word & 0x40000000u) != 0;
    if (!single && (word & 0xC0000000u) != 0)
        damaged();
    MdbHandle* mdb = mdb_.get();
    qint64 pieces = 0;
    while (data.size() < length) {
        const quint32 page = pgRow >> 8;
        if (page == 0 || page >= pageCount_ || ++pieces > pageCount_ * 256LL)
            damaged();
        const unsigned char* pg = longValuePage(page);
        if (!pg)
            damaged();
        // The row's bounds as libmdb's mdb_find_pg_row finds them, on a data page that holds the row.
        const int rco = mdb->fmt->row_count_offset;
        const int row = static_cast<int>(pgRow & 0xFF);
        const int offset = le16(pg + rco + 2 + row * 2) & 0x1FFF;
        const int next = row == 0 ? pageSize_ : le16(pg + rco + row * 2) & 0x1FFF;
        if (offset >= pageSize_ || offset > next || next > pageSize_ || pg[0] != MDB_PAGE_DATA || row >= le16(pg + rco))
            damaged();
        const size_t rowLength = static_cast<size_t>(next - offset);
        if (single) {
            if (static_cast<qint64>(rowLength) < length)
                damaged();
            data.append(reinterpret_cast<const char*>(pg + offset), static_cast<qsizetype>(length));
            break;
        }
        if (rowLength < 4)
            damaged();
        const qint64 piece = std::min<qint64>(static_cast<qint64>(rowLength) - 4, length - data.size());
        data.append(reinterpret_cast<const char*>(pg + offset + 4), static_cast<qsizetype>(piece));
        pgRow = le32(pg + offset);
        if (pgRow == 0)
            break;
    }
    if (data.size() != length)
        damaged();
    return data;
}

const unsigned char* JetCopier::longValuePage(quint32 page)
{
    KeptPage& kept = longValuePages_[page % std::size(longValuePages_)];
    if (kept.page == page)
        return kept.bytes.data();
    kept.page = 0;
    MdbHandle* mdb = mdb_.get();
    if (mdb_read_alt_pg(mdb, page) != pageSize_)
        return nullptr;
    kept.bytes.assign(mdb->alt_pg_buf, mdb->alt_pg_buf + pageSize_);
    kept.page = page;
    return kept.bytes.data();
}

void JetCopier::decodeField(RowBatch& out, const Column& c, const MdbField& f, bool present)
{
    const MdbColumn* mc = c.mdb;
    if (mc->col_type == MDB_BOOL) {  // the value is the null-mask bit itself
        out.integer(present && !f.is_null ? 1 : 0);
        return;
    }
    if (!present || f.is_null) {
        out.null();
        return;
    }
    const unsigned char* p = mdb_->pg_buf + f.start;
    const auto need = [&](int bytes) {
        if (f.siz < bytes)
            corrupt(QString("a value of '%1.%2' is damaged")
                        .arg(c.table, c.info.Name));
    };
    switch (mc->col_type) {
    case MDB_BYTE:
        need(1);
        out.integer(p[0]);
        return;
    case MDB_INT:
        need(2);
        out.integer(static_cast<qint16>(le16(p)));
        return;
    case MDB_LONGINT:
        need(4);
        out.integer(static_cast<qint32>(le32(p)));
        return;
    case MDB_MONEY: {
        need(8);
        qint64 raw = 0;
        std::memcpy(&raw, p, 8);
        out.real(static_cast<double>(raw) / 10000.0);
        return;
    }
    case MDB_FLOAT: {
        need(4);
        float value = 0;
        std::memcpy(&value, p, 4);
        // The shortest decimal that reads back as the same Single: 3.14f is stored as 3.14, not as
        // 3.1400001 (its exact binary value), and no Single changes its value on the way.
        double rounded = value;
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, value);
        if (written.ec == std::errc())
            std::from_chars(text, written.ptr, rounded);
        out.real(rounded);
        return;
    }
    case MDB_DOUBLE: {
        need(8);
        double value = 0;
        std::memcpy(&value, p, 8);
        out.real(value);
        return;
    }
    case MDB_DATETIME: {
        need(8);
        double value = 0;
        std::memcpy(&value, p, 8);
        // Jet's range is 100-01-01 .. 9999-12-31; anything else is a damaged value.
        if (!std::isfinite(value) || value < -657434.0 || value >= 2958466.0)
            corrupt(QString("a date in '%1.%2' is damaged").arg(c.table, c.info.Name));
        char iso[dao::kIsoDateLength];
        dao::isoFromJet(value, iso);
        out.text(iso, dao::kIsoDateLength);
        return;
    }
    case MDB_NUMERIC: {
        need(17);
        unsigned __int128 magnitude = 0;
        for (int w = 0; w < 4; ++w)
            magnitude = (magnitude << 32) | le32(p + 1 + 4 * w);
        const bool negative = (p[0] & 0x80) != 0 && magnitude != 0;
        const int scale = c.info.Scale;
        if (scale == 0 && magnitude <= static_cast<unsigned __int128>(INT64_MAX)) {
            const auto v = static_cast<qint64>(magnitude);
            out.integer(negative ? -v : v);
            return;
        }
        std::string digits;
        for (unsigned __int128 m = magnitude; m != 0; m /= 10)
            digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        if (static_cast<int>(digits.size()) <= scale)
            digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
        if (scale > 0)
            digits.insert(digits.size() - static_cast<std::size_t>(scale), 1, '.');
        if (negative)
            digits.insert(0, 1, '-');
        // The column's NUMERIC affinity stores it as an integer or a real as exactly as SQLite can.
        out.text(digits.data(), digits.size());
        return;
    }
    case MDB_TEXT: {
        outText(out, p, static_cast<std::size_t>(f.siz));
        return;
    }
    case MDB_MEMO: {
        const QByteArray stored =
            readLongValue(p, f.siz, c.table, c.info.Name);
        outText(out, reinterpret_cast<const unsigned char*>(stored.constData()), static_cast<std::size_t>(stored.size()));
        return;
    }
    case MDB_OLE: {
        const QByteArray stored =
            readLongValue(p, f.siz, c.table, c.info.Name);
        out.blob(stored.constData(), static_cast<std::size_t>(stored.size()));
        return;
    }
    case MDB_REPID: {
        need(16);
        char text[kGuidLength + 1];
        guidText(p, text);
        out.text(text, kGuidLength);
        return;
    }
    default:
        out.blob(p, static_cast<std::size_t>(f.siz));
        return;
    }
}

}  // namespace

QStringList copyJetFile(const QString& sourcePath, const QString& destPath, const ProgressFn& progress,
                        const dao::CopyPlan& plan)
{
    JetCopier copier(sourcePath, destPath, progress, plan);
    copier.run();
    return copier.warnings();
}

}  // namespace jetreader
