#include "db/Database.h"

#include "db/FieldConversion.h"
#include "db/KeyIndex.h"
#include "db/KeyedRows.h"
#include "db/Interrupt.h"
#include "db/PasswordVerifier.h"
#include "db/PendingRecords.h"
#include "db/RawRow.h"
#include "db/SqlTranslator.h"
#include "db/TextCase.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <unistd.h>

namespace dao {

namespace {

// Every open database, so that Idle reaches them all.
QSet<Database*>& openDatabases()
{
    static QSet<Database*> all;
    return all;
}

QString errorText(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

enum class FileKind { Missing, Unreadable, SQLite, Jet, Ace, Other };

FileKind fileKind(const QString& path)
{
    QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return FileKind::Missing;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return FileKind::Unreadable;
    const QByteArray head = f.read(32);
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return FileKind::SQLite;
    if (head.size() >= 19 && head.mid(4, 15) == "Standard Jet DB")
        return FileKind::Jet;
    if (head.size() >= 19 && head.mid(4, 15) == "Standard ACE DB")
        return FileKind::Ace;
    return FileKind::Other;
}

// Flushes everything written to the file to the disk.
bool syncToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

int TableDef::fieldIndex(const QString& name) const
{
    for (size_t i = 0; i < Fields.size(); ++i)
        if (Fields[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

std::shared_ptr<Database> Database::OpenDatabase(const QString& path, bool exclusive, bool readOnly,
                                                 const QString& connect)
{
    // SQLite counts every allocation under a lock of its own unless told not to; nothing here reads
    // the counts. Only possible before SQLite's first use in the process; later it changes nothing.
    static const bool uncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    Q_UNUSED(uncounted);

    switch (fileKind(path)) {
    case FileKind::Missing: throw JetError::FileNotFound(path);
    case FileKind::Unreadable: throw JetError::FileInUse(path);
    case FileKind::Jet:
    case FileKind::Ace:
        throw DaoError(3343, QString("Unrecognized database format '%1'. An Access file is read only through "
                                     "the import's copy of it.").arg(path));
    case FileKind::Other: throw JetError::UnrecognizedFormat(path);
    case FileKind::SQLite: break;
    }

    std::shared_ptr<Database> db(new Database());
    db->path_ = path;
    db->readOnly_ = readOnly;
    // A connection is used by one thread at a time (the import's): SQLite need not lock around
    // every call.
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const QByteArray native = QFile::encodeName(path);
    if (sqlite3_open_v2(native.constData(), &db->db_, flags, nullptr) != SQLITE_OK) {
        const QString why = db->db_ ? errorText(db->db_) : QString("out of memory");
        sqlite3_close(db->db_);
        db->db_ = nullptr;
        throw DaoError(3051, JetError::FileInUse(path).Description + " (" + why + ")");
    }
    sqlite3_extended_result_codes(db->db_, 1);
    // A double-quoted name must never fall back to being a text literal: an unknown name is an error.
    sqlite3_db_config(db->db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db->db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(db->db_, 2000);
    // Statements compare texts with letters beyond ASCII through it; no schema ever names it.
    if (!RegisterFoldCollation(db->db_)) {
        const QString why = errorText(db->db_);
        db->Close();
        throw JetError::Engine("registering the letter-case collation: " + why);
    }
    if (!readOnly && sqlite3_db_readonly(db->db_, "main") == 1) {
        db->Close();
        throw JetError::FileInUse(path);  // the file is read-only
    }

    // A probe read: a file that only looks like SQLite, or one that another program holds locked.
    char* err = nullptr;
    const int rc = sqlite3_exec(db->db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) {
        const int primary = rc & 0xff;
        const QString why = errorText(db->db_);
        db->Close();
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
            throw JetError::FileInUse(path);
        // A journal left by a write that was interrupted must be rolled back before the file can be
        // read; that needs the right to write the file and its folder. The file itself is whole.
        const QFileInfo journal(path + "-journal");
        if (journal.exists() && journal.size() > 0)
            throw DaoError(3051, QString("The database '%1' was left by a write that was interrupted: its journal '%2' "
                                         "must be rolled back before it can be read, which needs the right to write "
                                         "both files and the folder '%3' (%4). Open it once with that right (for "
                                         "example as the user who installed the product), then start again.")
                                     .arg(path, journal.filePath(), QFileInfo(path).absolutePath(), why));
        throw JetError::UnrecognizedFormat(path);
    }

    QString password;
    const bool given = PasswordFromConnect(connect, &password);
    if (!PasswordAccepted(db->db_, password, given)) {
        db->Close();
        throw JetError::InvalidPassword();
    }

    if (exclusive) {
        sqlite3_exec(db->db_, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
        const int lock = sqlite3_exec(db->db_, readOnly ? "BEGIN; SELECT count(*) FROM sqlite_master; COMMIT"
                                                        : "BEGIN EXCLUSIVE; COMMIT",
                                      nullptr, nullptr, nullptr);
        if (lock != SQLITE_OK) {
            db->Close();
            throw JetError::FileInUse(path);
        }
    }
    // A statement that runs long still sees a request to stop the run.
    sqlite3_progress_handler(
        db->db_, 10000, [](void*) { return StopRequested() ? 1 : 0; }, nullptr);
    openDatabases().insert(db.get());
    return db;
}

Database::Database() : relations_(*this) {}

Database::~Database()
{
    try {
        Close();
    } catch (const DaoError&) {
        // A destructor cannot report; callers that care call Close() themselves.
    }
}

void Database::Close()
{
    if (!db_)
        return;
    // Closing always finishes: a request to stop the run no longer cuts its statements short.
    sqlite3_progress_handler(db_, 0, nullptr, nullptr);
    std::optional<DaoError> failure;
    try {
        commitPending();
    } catch (const DaoError& e) {
        failure = e;
    }
    keyed_.reset();
    keyIndex_.reset();
    pending_.reset();
    for (sqlite3_stmt* st : std::as_const(statements_))
        sqlite3_finalize(st);
    statements_.clear();
    ++statementEpoch_;
    tables_.clear();
    sqlite3_close_v2(db_);
    db_ = nullptr;
    openDatabases().remove(this);
    if (!failure && !readOnly_ && !syncToDisk(path_))
        failure = DaoError(3043, QString("Disk or network error. The file '%1' could not be written to the disk.").arg(path_));
    if (failure)
        throw *failure;
}

void Database::requireOpen() const
{
    if (!db_)
        throw DaoError(3420, "Object invalid or no longer set.");
}

void Database::SetPrivateToThisRun()
{
    requireOpen();
    private_ = true;
    sqlite3_exec(db_, "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);  // 32 MB
    // Commits (at every Idle) do not wait for the disk; Close flushes the whole file once. A killed
    // process loses nothing the system has; only a machine that stops mid-import can lose writes,
    // and a run that fails deletes its new database and is never registered. Every other file (the
    // product's database list above all, which holds every database of the site) keeps SQLite's full
    // durability: each commit waits for the disk.
    sqlite3_exec(db_, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
}

sqlite3_stmt* Database::prepare(const QString& sql, const TableDef* only)
{
    requireOpen();
    WritePending(only);
    // On a file private to this run, reads run inside the open transaction too: the file's lock is
    // taken once until the next Idle instead of once per statement.
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
        reuse(*it, only);
        return *it;
    }
    if (private_)
        beginTransaction();
    if (statements_.size() >= kStatementCacheSize) {
        // Statements are used one at a time and reset after use, so none is in use here.
        for (sqlite3_stmt* old : std::as_const(statements_))
            sqlite3_finalize(old);
        statements_.clear();
        ++statementEpoch_;
    }
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db_, utf8.constData(), static_cast<int>(utf8.size()), &st, nullptr) != SQLITE_OK)
        raiseLastError(sql);
    statements_.insert(sql, st);
    return st;
}

void Database::reuse(sqlite3_stmt* st, const TableDef* only)
{
    requireOpen();
    WritePending(only);
    if (private_)
        beginTransaction();
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
}

bool Database::DeferAdd(const std::shared_ptr<const TableDef>& table, const std::vector<size_t>& columns,
                        const std::vector<Variant>& values, qint64* rowid)
{
    requireOpen();
    if (!private_ || readOnly_ || writingPending_)
        return false;
    if (!pending_)
        pending_ = std::make_unique<PendingRecords>(*this);
    return pending_->Add(table, columns, values, rowid);
}

void Database::WritePending(const TableDef* only)
{
    if (!pending_ || pending_->empty() || writingPending_)
        return;
    writingPending_ = true;
    try {
        pending_->Write(only);
    } catch (...) {
        writingPending_ = false;
        throw;
    }
    writingPending_ = false;
}

void Database::bindParameters(sqlite3_stmt* st, const std::vector<Variant>& params)
{
    for (size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        const Variant& v = params[i];
        switch (v.kind()) {
        case Variant::Kind::Null: sqlite3_bind_null(st, index); break;
        case Variant::Kind::Boolean:
        case Variant::Kind::Integer: sqlite3_bind_int64(st, index, v.toLong()); break;
        case Variant::Kind::Real: sqlite3_bind_double(st, index, v.toDouble()); break;
        case Variant::Kind::Date:
        case Variant::Kind::Text: {
            const QString t = v.toText();
            sqlite3_bind_text16(st, index, t.utf16(), static_cast<int>(t.size() * 2), SQLITE_TRANSIENT);
            break;
        }
        }
    }
}

void Database::raiseLastError(const QString& sql)
{
    const int code = sqlite3_extended_errcode(db_);
    if ((code & 0xff) == SQLITE_INTERRUPT && StopRequested())
        throw Interrupted(InterruptSignal());
    const QString msg = errorText(db_);
    switch (code) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID: throw JetError::DuplicateKey();
    case SQLITE_CONSTRAINT_NOTNULL: {
        // "NOT NULL constraint failed: Table.Field"
        const QString what = msg.section(':', 1).trimmed();
        throw JetError::RequiredIsNull(what.section('.', 0, 0), what.section('.', 1));
    }
    default: break;
    }
    switch (code & 0xff) {
    case SQLITE_FULL: throw JetError::DiskFull();
    case SQLITE_READONLY: throw JetError::ReadOnly();
    case SQLITE_PERM:
    case SQLITE_CANTOPEN: throw JetError::PermissionDenied(path_);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: throw DaoError(3218, "Could not update; currently locked.");
    case SQLITE_IOERR: throw DaoError(3043, "Disk or network error. (" + msg + ")");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: throw JetError::UnrecognizedFormat(path_);
    case SQLITE_CONSTRAINT: throw DaoError(3317, "One or more values are prohibited by the validation rule. (" + msg + ")");
    default: break;
    }
    if (msg.startsWith("no such table: "))
        throw JetError::NoSuchTable(msg.mid(15));
    if (msg.startsWith("no such column: "))
        throw DaoError(3061, JetError::TooFewParameters(1).Description + " (unknown name " + msg.mid(16) + ")");
    if (msg.contains("syntax error") || msg.contains("incomplete input"))
        throw JetError::SyntaxError(sql);
    throw JetError::Engine(msg + " in: " + sql);
}

void Database::beginTransaction()
{
    if (inTransaction_)
        return;
    if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        raiseLastError("BEGIN");
    inTransaction_ = true;
}

void Database::beginWrite()
{
    requireOpen();
    if (readOnly_)
        throw JetError::ReadOnly();
    stopKeyedReads();
    beginTransaction();
}

void Database::commitPending()
{
    if (!db_)
        return;
    WritePending();
    if (!inTransaction_)
        return;
    stopKeyedReads();  // rows are held within one transaction
    inTransaction_ = false;
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const DaoError keep = [&] {
            try {
                raiseLastError("COMMIT");
            } catch (const DaoError& e) {
                return e;
            }
            return JetError::Engine("COMMIT");
        }();
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw keep;
    }
}

void Database::BeginTrans()
{
    requireOpen();
    if (readOnly_)
        throw JetError::ReadOnly();
    commitPending();
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        raiseLastError("BEGIN IMMEDIATE");
    inTransaction_ = true;
}

void Database::invalidateSchema()
{
    tables_.clear();
    ++otherWrites_;
    if (keyed_)
        keyed_->Forget();
    if (keyIndex_)
        keyIndex_->Forget();
    if (pending_ && pending_->empty())
        pending_->Forget();  // the tables' definitions changed
}

void Database::stopKeyedReads()
{
    if (keyed_)
        keyed_->Stop();
}

bool Database::SelectKeyed(const std::shared_ptr<const TableDef>& table, const std::vector<TranslatedSql::Equality>& equalities,
                           const std::vector<Variant>& params, std::vector<qint64>& rowids, std::vector<RawRow>& rows,
                           size_t keep)
{
    requireOpen();
    WritePending(table.get());
    // Only a file no other program uses: a reading holds the file's lock until the transaction ends.
    if (!private_ || equalities.empty())
        return false;
    if (!keyed_)
        keyed_ = std::make_unique<KeyedRows>(*this);
    if (!keyIndex_)
        keyIndex_ = std::make_unique<KeyIndex>(*this);
    // A selection the index held in memory answers goes there at once; others are first offered to
    // the rows read in order, then counted towards an index of their column.
    if (keyIndex_->Serves(*table, equalities))
        return keyIndex_->Select(table, equalities, params, rowids, rows, keep);
    if (keyed_->Select(table, equalities, params, rowids, rows, keep))
        return true;
    return keyIndex_->Select(table, equalities, params, rowids, rows, keep);
}

void Database::Rollback() noexcept
{
    if (pending_)
        pending_->Forget();  // the records that wait go with what was written since
    if (!db_ || !inTransaction_)
        return;
    inTransaction_ = false;
    stopKeyedReads();
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    invalidateSchema();
}

void Idle(int what)
{
    if (what & dbRefreshCache)
        for (Database* db : openDatabases())
            db->commitPending();
}

QStringList Database::TableNames() const
{
    requireOpen();
    QStringList names;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_,
                       "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                       "AND name NOT LIKE 'MSys%' ORDER BY rowid",
                       -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return names;
}

bool Database::HasTable(const QString& name) const
{
    requireOpen();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_, "SELECT 1 FROM sqlite_master WHERE type='table' AND name = ?1 COLLATE NOCASE", -1, &st,
                       nullptr);
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(st, 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    // A schema that cannot be read (the file locked by another program, damaged) is an error, never
    // "no such table".
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        const_cast<Database*>(this)->raiseLastError("the list of tables");
    return rc == SQLITE_ROW;
}

const TableDef& Database::Table(const QString& name)
{
    requireOpen();
    const QString key = name.toUpper();
    auto it = tables_.find(key);
    if (it != tables_.end())
        return **it;
    if (!HasTable(name))
        throw JetError::NoSuchTable(name);
    auto def = std::make_shared<TableDef>();
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = ("PRAGMA table_info(" + quoteIdentifier(name) + ")").toUtf8();
    sqlite3_prepare_v2(db_, sql.constData(), -1, &st, nullptr);
    struct Raw {
        QString name, type, dflt;
        bool notNull;
        int pk;
    };
    std::vector<Raw> raws;
    int pkCount = 0;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        Raw r;
        r.name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        r.type = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
        r.notNull = sqlite3_column_int(st, 3) != 0;
        if (sqlite3_column_type(st, 4) != SQLITE_NULL)
            r.dflt = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 4)));
        r.pk = sqlite3_column_int(st, 5);
        pkCount += r.pk > 0 ? 1 : 0;
        raws.push_back(r);
    }
    sqlite3_finalize(st);
    // Read the name back as stored, so that recordsets report the table's own spelling.
    sqlite3_prepare_v2(db_, "SELECT name FROM sqlite_master WHERE type='table' AND name = ?1 COLLATE NOCASE", -1, &st,
                       nullptr);
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(st, 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    def->Name = sqlite3_step(st) == SQLITE_ROW
                    ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))
                    : name;
    sqlite3_finalize(st);
    for (const Raw& r : raws) {
        const bool rowidKey = pkCount == 1 && r.pk == 1 && r.type.trimmed().compare("INTEGER", Qt::CaseInsensitive) == 0;
        FieldInfo f = parseDeclaredType(r.name, r.type, r.notNull, rowidKey);
        f.DefaultSql = r.dflt;
        if (rowidKey)
            def->RowidKey = r.name;
        def->Fields.push_back(f);
    }
    def->TextUniqueKeys = textUniqueKeys(*def);
    auto& writes = tableWrites_[key];
    if (!writes)
        writes = std::make_shared<quint64>(0);
    def->Writes = writes;
    auto& changes = tableChanges_[key];
    if (!changes)
        changes = std::make_shared<quint64>(0);
    def->Changes = changes;
    tables_.insert(key, def);
    return *def;
}

std::vector<std::vector<int>> Database::textUniqueKeys(const TableDef& def)
{
    std::vector<std::vector<int>> keys;
    QStringList unique;
    sqlite3_stmt* st = nullptr;
    const QByteArray list = ("PRAGMA index_list(" + quoteIdentifier(def.Name) + ")").toUtf8();
    sqlite3_prepare_v2(db_, list.constData(), -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW)
        if (sqlite3_column_int(st, 2) != 0)
            unique << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    sqlite3_finalize(st);
    for (const QString& index : unique) {
        std::vector<int> key;
        bool text = false, columns = true;
        const QByteArray info = ("PRAGMA index_info(" + quoteIdentifier(index) + ")").toUtf8();
        sqlite3_prepare_v2(db_, info.constData(), -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
            const int field = name ? def.fieldIndex(QString::fromUtf8(name)) : -1;
            if (field < 0) {
                columns = false;  // an expression: not a key of fields
                continue;
            }
            const FieldType type = def.Fields[static_cast<size_t>(field)].Type;
            text = text || type == FieldType::Text || type == FieldType::Memo;
            key.push_back(field);
        }
        sqlite3_finalize(st);
        if (text && columns)
            keys.push_back(std::move(key));
    }
    return keys;
}

qint64 Database::RowCount(const QString& table)
{
    const QString sql = "SELECT count(*) FROM " + quoteIdentifier(Table(table).Name);
    sqlite3_stmt* st = prepare(sql);
    const int rc = sqlite3_step(st);
    const qint64 rows = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_reset(st);
    if (rc != SQLITE_ROW)
        raiseLastError(sql);
    return rows;
}

std::shared_ptr<const TableDef> Database::TablePtr(const QString& name)
{
    Table(name);
    return tables_.value(name.toUpper());
}

std::vector<IndexDef> Database::Indexes(const QString& table)
{
    requireOpen();
    std::vector<IndexDef> out;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = ("PRAGMA index_list(" + quoteIdentifier(table) + ")").toUtf8();
    sqlite3_prepare_v2(db_, sql.constData(), -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        IndexDef d;
        d.Name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        d.Unique = sqlite3_column_int(st, 2) != 0;
        d.Primary = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3))) == "pk";
        out.push_back(d);
    }
    sqlite3_finalize(st);
    for (IndexDef& d : out) {
        const QByteArray info = ("PRAGMA index_info(" + quoteIdentifier(d.Name) + ")").toUtf8();
        sqlite3_prepare_v2(db_, info.constData(), -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            d.Columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
        sqlite3_finalize(st);
    }
    const TableDef& def = Table(table);
    if (!def.RowidKey.isEmpty())
        out.push_back({"PrimaryKey", {def.RowidKey}, true, true});
    return out;
}

void Database::Execute(const QString& sql, int options)
{
    requireOpen();
    TranslatedSql t = TranslateJetSql(sql);
    if (t.kind == TranslatedSql::Kind::Select)
        throw DaoError(3065, "Cannot execute a select query.");
    QString stmt = t.sql;
    const bool failOnError = (options & dbFailOnError) != 0;
    if (!failOnError) {
        // Without dbFailOnError Jet changes the rows it can and skips the others silently.
        if (t.kind == TranslatedSql::Kind::Update)
            stmt.replace(0, 6, "UPDATE OR IGNORE");
        else if (t.kind == TranslatedSql::Kind::Insert)
            stmt.replace(0, 6, "INSERT OR IGNORE");
    }
    beginWrite();
    sqlite3_stmt* st = prepare(stmt);
    bindParameters(st, t.params);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        raiseLastError(sql);
    recordsAffected_ = sqlite3_changes(db_);
    noteOtherWrite();
}

bool Database::SkipAutoNumbers(const QString& table, long count)
{
    requireOpen();
    const TableDef& def = Table(table);
    if (def.RowidKey.isEmpty())
        throw DaoError(3251, "Operation is not supported for this type of object.");
    if (count <= 0)
        return true;
    beginWrite();
    // An added record takes the next number after the largest ever given and the largest in use.
    const QString sql = "UPDATE sqlite_sequence SET seq = max(seq, coalesce((SELECT max(rowid) FROM " +
                        quoteIdentifier(def.Name) + "), 0)) + ?2 WHERE name = ?1";
    sqlite3_stmt* st = nullptr;
    if (HasTable("sqlite_sequence"))
        st = prepare(sql);
    if (!st)
        return false;
    const QByteArray name = def.Name.toUtf8();
    sqlite3_bind_text(st, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 2, count);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        raiseLastError(sql);
    noteOtherWrite();
    return sqlite3_changes(db_) > 0;
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& source, int type)
{
    requireOpen();
    const QString trimmed = source.trimmed();
    const bool isSql = trimmed.startsWith("SELECT", Qt::CaseInsensitive) &&
                       (trimmed.size() == 6 || trimmed[6].isSpace());
    if (type == 0)
        type = isSql ? dbOpenDynaset : dbOpenTable;
    if (type == dbOpenTable && isSql)
        throw DaoError(3219, "Invalid operation.");
    std::unique_ptr<Recordset> rs(new Recordset());
    rs->db_ = this;
    rs->type_ = type;
    if (!isSql) {
        QString name = trimmed;
        if (name.startsWith('[') && name.endsWith(']'))
            name = name.mid(1, name.size() - 2);
        rs->openTable(name);
    } else {
        rs->openQuery(TranslateJetSql(trimmed));
    }
    return rs;
}

int Relations::Count() const
{
    return static_cast<int>(names().size());
}

QStringList Relations::names() const
{
    QStringList out;
    if (!db_.HasTable("MSysRelationships"))
        return out;
    sqlite3_stmt* st = db_.prepare("SELECT szRelationship FROM MSysRelationships GROUP BY szRelationship ORDER BY min(rowid)");
    while (sqlite3_step(st) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_reset(st);
    return out;
}

QString Relations::Name(int index) const
{
    const QStringList all = names();
    if (index < 0 || index >= all.size())
        throw JetError::NoSuchItem();
    return all[index];
}

void Relations::Delete(const QString& name)
{
    if (!db_.HasTable("MSysRelationships") || !names().contains(name))
        throw JetError::NoSuchItem();
    db_.beginWrite();
    sqlite3_stmt* st = db_.prepare("DELETE FROM MSysRelationships WHERE szRelationship = ?1");
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(st, 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        db_.raiseLastError("DELETE FROM MSysRelationships");
    db_.noteOtherWrite();
}

}  // namespace dao
