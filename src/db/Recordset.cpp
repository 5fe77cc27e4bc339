#include "db/Recordset.h"

#include "db/Database.h"
#include "db/FieldConversion.h"
#include "db/SqlTranslator.h"
#include "db/TextCase.h"

#include <algorithm>
#include <cstring>
#include <sqlite3.h>

namespace dao {

namespace {
DaoError closedError() { return DaoError(3420, "Object invalid or no longer set."); }

Variant readRaw(sqlite3_stmt* st, int column)
{
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_INTEGER: return Variant(static_cast<qint64>(sqlite3_column_int64(st, column)));
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(st, column));
    case SQLITE_NULL: return {};
    default: {
        const void* p = sqlite3_column_text16(st, column);
        return Variant(QString(reinterpret_cast<const QChar*>(p), sqlite3_column_bytes16(st, column) / 2));
    }
    }
}
}  // namespace

// ---- Field -------------------------------------------------------------------------------------

Variant Field::Value() const { return rs_->currentValue(column_); }

void Field::SetValue(const Variant& v) { rs_->assign(column_, v); }

// ---- Opening -----------------------------------------------------------------------------------

Recordset::~Recordset() = default;

const FieldInfo& Recordset::info(int column) const
{
    return materialized_ ? resultInfo_[static_cast<size_t>(column)] : def_->Fields[static_cast<size_t>(column)];
}

Recordset::Generation Recordset::generation() const { return {*def_->Writes, db_->otherWrites()}; }

void Recordset::createFields() { fields_.resize(def_->Fields.size()); }

Field& Recordset::field(int index)
{
    auto& f = fields_[static_cast<size_t>(index)];
    if (!f)
        f.reset(new Field(this, &info(index), index));
    return *f;
}

void Recordset::openTable(const QString& name)
{
    def_ = db_->TablePtr(name);
    table_ = def_->Name;
    updatable_ = type_ != dbOpenSnapshot;
    createFields();
    // The rows are listed when first needed: a table is often opened only to add to it.
    rowidsPending_ = true;
}

void Recordset::requireRowids() const
{
    if (rowidsPending_)
        const_cast<Recordset*>(this)->loadRowids();
}

void Recordset::openQuery(TranslatedSql&& sql)
{
    if (sql.singleTableStar) {
        def_ = db_->TablePtr(sql.table);
        table_ = def_->Name;
        where_ = std::move(sql.where);
        whereParams_ = std::move(sql.whereParams);
        orderBy_ = std::move(sql.orderBy);
        updatable_ = type_ != dbOpenSnapshot;
        createFields();
        // A selection by "column = literal" comparisons, asked row after row, is made on rows read
        // once in the order of its first column, when the layer can make it as the statement would.
        if (!where_.isEmpty() && orderBy_.isEmpty()) {
            const Generation now = generation();
            if (db_->SelectKeyed(def_, sql.equalities, whereParams_, rowids_, prefetched_, kPrefetchRows)) {
                rowsRead(now);
                return;
            }
        }
        // A selection by condition is mostly a few rows: they are read whole at once. A whole table
        // in an order of its own is read row by row (its rows would otherwise pass through the sort).
        loadRowids(where_.isEmpty() ? QString() : sql.rowsSql);
        return;
    }
    // Joins and aggregates: a read-only result, held whole.
    materialized_ = true;
    updatable_ = false;
    sqlite3_stmt* st = db_->prepare(sql.sql);
    Database::bindParameters(st, sql.params);
    const int n = sqlite3_column_count(st);
    std::vector<bool> declared(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) {
        const char* decl = sqlite3_column_decltype(st, c);
        const QString name = QString::fromUtf8(sqlite3_column_name(st, c));
        declared[static_cast<size_t>(c)] = decl != nullptr;
        resultInfo_.push_back(decl ? parseDeclaredType(name, QString::fromUtf8(decl), false, false)
                                   : FieldInfo{name, FieldType::Double});
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<Variant> row(static_cast<size_t>(n));
        for (int c = 0; c < n; ++c)
            row[static_cast<size_t>(c)] = declared[static_cast<size_t>(c)]
                                               ? ReadValue(st, c, resultInfo_[static_cast<size_t>(c)])
                                               : readRaw(st, c);
        rows_.push_back(std::move(row));
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        db_->raiseLastError(sql.sql);
    fields_.resize(static_cast<size_t>(n));
    pos_ = rows_.empty() ? -1 : 0;
}

void Recordset::loadRowids(const QString& rowsSql)
{
    QString sql = rowsSql;
    if (sql.isEmpty()) {
        sql = "SELECT rowid FROM " + quoteIdentifier(table_);
        if (!where_.isEmpty())
            sql += " WHERE " + where_;
        sql += " ORDER BY " + (orderBy_.isEmpty() ? QString() : orderBy_ + ", ") + "rowid";
    }
    const bool whole = !rowsSql.isEmpty();
    rowidsPending_ = false;
    // A condition that reads another table (a subquery) has the other tables' waiting records written too.
    const bool alone = !where_.contains("SELECT", Qt::CaseInsensitive);
    sqlite3_stmt* st = db_->prepare(sql, alone ? def_.get() : nullptr);
    Database::bindParameters(st, whereParams_);
    rowids_.clear();
    prefetched_.clear();
    const Generation now = generation();
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const qint64 rowid = sqlite3_column_int64(st, 0);
        rowids_.push_back(rowid);
        if (whole && prefetched_.size() < kPrefetchRows) {
            prefetched_.emplace_back();
            prefetched_.back().capture(st, 1, def_->Fields);
            prefetched_.back().rowid = rowid;
        }
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        db_->raiseLastError(sql);
    rowsRead(now);
}

void Recordset::rowsRead(const Generation& generation)
{
    rowidsPending_ = false;
    prefetchBase_ = 0;
    lastLoadedPos_ = -1;
    prefetchedGeneration_ = generation;
    pos_ = rowids_.empty() ? -1 : 0;
    onDeleted_ = false;
    loadedRowid_ = -1;
}

void Recordset::Close()
{
    mode_ = Mode::None;
    db_ = nullptr;
    rowids_.clear();
    rows_.clear();
}

// ---- Navigation --------------------------------------------------------------------------------

long Recordset::RecordCount() const
{
    if (!db_)
        throw closedError();
    requireRowids();
    return static_cast<long>(materialized_ ? rows_.size() : rowids_.size());
}

bool Recordset::BOF() const { return RecordCount() == 0 || pos_ < 0; }

bool Recordset::EOF_() const { return RecordCount() == 0 || pos_ >= RecordCount(); }

void Recordset::setPosition(long pos)
{
    mode_ = Mode::None;  // moving abandons a pending AddNew or Edit, as in DAO
    onDeleted_ = false;
    pos_ = pos;
}

void Recordset::MoveFirst()
{
    if (RecordCount() == 0)
        throw JetError::NoCurrentRecord();
    setPosition(0);
}

void Recordset::MoveLast()
{
    if (RecordCount() == 0)
        throw JetError::NoCurrentRecord();
    setPosition(RecordCount() - 1);
}

void Recordset::MoveNext()
{
    if (onDeleted_) {  // pos_ already names the row after the deleted one
        setPosition(pos_);
        return;
    }
    if (EOF_())
        throw JetError::NoCurrentRecord();
    setPosition(pos_ + 1);
}

void Recordset::MovePrevious()
{
    if (BOF())
        throw JetError::NoCurrentRecord();
    setPosition(pos_ - 1);
}

bool Recordset::hasCurrent() const
{
    if (!db_)
        return false;
    requireRowids();
    return !onDeleted_ && pos_ >= 0 && pos_ < RecordCount();
}

void Recordset::requireCurrent() const
{
    if (!db_)
        throw closedError();
    if (onDeleted_)
        throw DaoError(3167, "Record is deleted.");
    if (!hasCurrent())
        throw JetError::NoCurrentRecord();
}

void Recordset::requireUpdatable() const
{
    if (!db_)
        throw closedError();
    if (!updatable_)
        throw JetError::ReadOnly();
}

qint64 Recordset::currentRowid() const
{
    requireCurrent();
    return materialized_ ? pos_ : rowids_[static_cast<size_t>(pos_)];
}

qint64 Recordset::Bookmark() const { return currentRowid(); }

void Recordset::SetBookmark(qint64 bookmark)
{
    if (!db_)
        throw closedError();
    if (materialized_) {
        if (bookmark < 0 || bookmark >= static_cast<qint64>(rows_.size()))
            throw DaoError(3159, "Not a valid bookmark.");
        setPosition(static_cast<long>(bookmark));
        return;
    }
    requireRowids();
    for (size_t i = rowids_.size(); i-- > 0;) {
        if (rowids_[i] == bookmark) {
            setPosition(static_cast<long>(i));
            return;
        }
    }
    throw DaoError(3159, "Not a valid bookmark.");
}

void Recordset::SetIndex(const QString& indexName)
{
    if (!db_)
        throw closedError();
    if (type_ != dbOpenTable)
        throw DaoError(3251, "Operation is not supported for this type of object.");
    for (const IndexDef& idx : db_->Indexes(table_)) {
        if (idx.Name.compare(indexName, Qt::CaseInsensitive) != 0)
            continue;
        QStringList cols;
        for (const QString& c : idx.Columns)
            cols << quoteIdentifier(c);
        orderBy_ = cols.join(", ");
        index_ = idx.Name;
        loadRowids();
        return;
    }
    throw DaoError(3015, QString("'%1' isn't an index in this table.").arg(indexName));
}

// ---- Values ------------------------------------------------------------------------------------

Field& Recordset::Fields(const QString& name)
{
    if (!db_)
        throw closedError();
    // Mostly written as the file declares it: the exact name is looked for first.
    for (int i = 0; i < FieldCount(); ++i)
        if (info(i).Name == name)
            return field(i);
    for (int i = 0; i < FieldCount(); ++i)
        if (info(i).Name.compare(name, Qt::CaseInsensitive) == 0)
            return field(i);
    throw noSuchField(name);
}

DaoError Recordset::noSuchField(const QString& name) const
{
    // Jet's words, and which field of which table: a source missing a field the import reads says
    // what to look for.
    const DaoError item = JetError::NoSuchItem();
    return DaoError(item.Number, table_.isEmpty()
                                     ? QString("%1 (field '%2')").arg(item.Description, name)
                                     : QString("%1 (field '%2' of table '%3')").arg(item.Description, name, table_));
}

Field& Recordset::Fields(const char* name)
{
    if (!db_)
        throw closedError();
    for (const AskedName& asked : askedNames_)
        if (asked.at == name && std::strcmp(asked.text.c_str(), name) == 0)
            return field(asked.field);
    const int found = fieldNamed(name);
    if (askedNames_.size() < kAskedNames)
        askedNames_.push_back({name, name, found});
    return field(found);
}

int Recordset::fieldNamed(const char* name)
{
    // Names written in the code are ASCII: compared letter by letter without building a QString.
    const size_t length = std::strlen(name);
    const auto byText = [&] { return Fields(QString::fromUtf8(name)).column_; };
    for (int i = 0; i < FieldCount(); ++i) {
        const QString& candidate = info(i).Name;
        if (static_cast<size_t>(candidate.size()) != length)
            continue;
        size_t k = 0;
        for (; k < length; ++k) {
            const char16_t a = candidate[static_cast<qsizetype>(k)].unicode();
            const auto b = static_cast<unsigned char>(name[k]);
            if (a >= 0x80 || b >= 0x80)
                return byText();
            const auto fold = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
            if (fold(a) != fold(b))
                break;
        }
        if (k == length)
            return i;
    }
    if (std::any_of(name, name + length, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return byText();
    throw noSuchField(QString::fromLatin1(name));
}

Field& Recordset::Fields(int index)
{
    if (!db_)
        throw closedError();
    if (index < 0 || index >= FieldCount())
        throw JetError::NoSuchItem();
    return field(index);
}

void Recordset::loadRow() const
{
    if (materialized_)
        return;
    const qint64 rowid = currentRowid();
    const Generation now = generation();
    if (rowid == loadedRowid_ && loadedGeneration_ == now)
        return;
    const RawRow* ahead = prefetchedRow(rowid, now);
    if (!ahead && pos_ == lastLoadedPos_ + 1 && static_cast<size_t>(pos_) + 1 < rowids_.size()) {
        prefetchFrom(pos_);  // read row by row: the next rows come with this one
        ahead = prefetchedRow(rowid, generation());
    }
    if (ahead) {
        currentRaw_ = ahead;
    } else {
        if (selectRowSql_.isEmpty())
            selectRowSql_ = "SELECT * FROM " + quoteIdentifier(table_) + " WHERE rowid = ?1";
        sqlite3_stmt* st = db_->prepare(selectRowSql_, def_.get());
        sqlite3_bind_int64(st, 1, rowid);
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_ROW) {
            sqlite3_reset(st);
            if (rc == SQLITE_DONE)
                throw DaoError(3167, "Record is deleted.");
            db_->raiseLastError("SELECT * FROM " + table_);
        }
        loadedRaw_.capture(st, 0, def_->Fields);
        loadedRaw_.rowid = rowid;
        sqlite3_reset(st);
        currentRaw_ = &loadedRaw_;
    }
    current_.assign(def_->Fields.size(), Variant());
    decoded_.assign(def_->Fields.size(), false);
    loadedRowid_ = rowid;
    loadedGeneration_ = now;
    lastLoadedPos_ = pos_;
}

const RawRow* Recordset::prefetchedRow(qint64 rowid, const Generation& now) const
{
    if (now != prefetchedGeneration_)
        return nullptr;
    const long at = pos_ - prefetchBase_;
    if (at < 0 || at >= static_cast<long>(prefetched_.size()))
        return nullptr;
    const RawRow& row = prefetched_[static_cast<size_t>(at)];
    return row.rowid == rowid ? &row : nullptr;
}

void Recordset::prefetchFrom(long first) const
{
    const size_t n = std::min(kPrefetchRows, rowids_.size() - static_cast<size_t>(first));
    if (batchSql_.isEmpty()) {
        QStringList params;
        for (size_t k = 1; k <= kPrefetchRows; ++k)
            params << QString("?%1").arg(k);
        batchSql_ = "SELECT rowid, * FROM " + quoteIdentifier(table_) + " WHERE rowid IN (" + params.join(", ") + ")";
    }
    // The rows come back in the database's order: each goes to its position by its rowid.
    std::vector<std::pair<qint64, size_t>> wanted(n);
    for (size_t k = 0; k < n; ++k)
        wanted[k] = {rowids_[static_cast<size_t>(first) + k], k};
    std::sort(wanted.begin(), wanted.end());
    // Rows close together (a table in stored order, a selection of most of its rows) are read as one
    // range of rowids, the rows not wanted passed over; others one by one.
    const bool dense = n > 0 && wanted.back().first - wanted.front().first < static_cast<qint64>(2 * n);
    if (dense && rangeSql_.isEmpty())
        rangeSql_ = "SELECT rowid, * FROM " + quoteIdentifier(table_) + " WHERE rowid BETWEEN ?1 AND ?2";
    const QString& sql = dense ? rangeSql_ : batchSql_;
    sqlite3_stmt* st = db_->prepare(sql, def_.get());
    if (dense) {
        sqlite3_bind_int64(st, 1, wanted.front().first);
        sqlite3_bind_int64(st, 2, wanted.back().first);
    } else {
        for (size_t k = 0; k < kPrefetchRows; ++k) {
            if (k < n)
                sqlite3_bind_int64(st, static_cast<int>(k + 1), wanted[k].first);
            else
                sqlite3_bind_null(st, static_cast<int>(k + 1));
        }
    }
    prefetched_.resize(n);
    for (RawRow& row : prefetched_)
        row.rowid = -1;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const qint64 rowid = sqlite3_column_int64(st, 0);
        const auto it = std::lower_bound(wanted.begin(), wanted.end(), std::make_pair(rowid, size_t(0)));
        if (it == wanted.end() || it->first != rowid)
            continue;
        RawRow& row = prefetched_[it->second];
        row.capture(st, 1, def_->Fields);
        row.rowid = rowid;
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        db_->raiseLastError(sql);
    prefetchBase_ = first;
    prefetchedGeneration_ = generation();
}

void Recordset::keepPrefetched(const Generation& before, qint64 writtenRowid)
{
    if (before != prefetchedGeneration_)
        return;
    prefetchedGeneration_ = generation();
    for (RawRow& row : prefetched_)
        if (row.rowid == writtenRowid)
            row.rowid = -1;
}

const Variant& Recordset::loadedValue(int column) const
{
    const auto c = static_cast<size_t>(column);
    if (!decoded_[c]) {
        current_[c] = currentRaw_->value(column, def_->Fields[c]);
        decoded_[c] = true;
    }
    return current_[c];
}

Variant Recordset::currentValue(int column) const
{
    if (!db_)
        throw closedError();
    if (mode_ != Mode::None)
        return buffer_[static_cast<size_t>(column)];
    requireCurrent();
    if (materialized_)
        return rows_[static_cast<size_t>(pos_)][static_cast<size_t>(column)];
    loadRow();
    return loadedValue(column);
}

void Recordset::assign(int column, const Variant& v)
{
    if (!db_)
        throw closedError();
    if (mode_ == Mode::None)
        throw JetError::UpdateWithoutAddNew();
    const FieldInfo& f = info(column);
    if (f.AutoNumber)
        throw DaoError(3164, "Field cannot be updated.");
    buffer_[static_cast<size_t>(column)] = ConvertForField(f, v);
    dirty_[static_cast<size_t>(column)] = true;
}

// ---- Editing -----------------------------------------------------------------------------------

void Recordset::AddNew()
{
    requireUpdatable();
    if (defaults_.empty())
        for (const FieldInfo& f : def_->Fields)
            defaults_.push_back(f.AutoNumber ? Variant() : DefaultValue(f));
    buffer_ = defaults_;
    dirty_.assign(def_->Fields.size(), false);
    mode_ = Mode::Adding;
}

sqlite3_stmt* Recordset::statement(KeptStatement& kept)
{
    if (kept.st && kept.epoch == db_->statementEpoch()) {
        db_->reuse(kept.st, def_.get());
    } else {
        kept.st = db_->prepare(kept.sql, def_.get());
        kept.epoch = db_->statementEpoch();
    }
    return kept.st;
}

void Recordset::Edit()
{
    requireUpdatable();
    requireCurrent();
    loadRow();
    for (int i = 0; i < FieldCount(); ++i)
        loadedValue(i);
    buffer_ = current_;
    dirty_.assign(def_->Fields.size(), false);
    mode_ = Mode::Editing;
}

void Recordset::CancelUpdate()
{
    if (mode_ == Mode::None)
        throw JetError::UpdateWithoutAddNew();
    mode_ = Mode::None;
}

void Recordset::Update()
{
    if (!db_)
        throw closedError();
    if (mode_ == Mode::None)
        throw JetError::UpdateWithoutAddNew();
    const auto& fields = def_->Fields;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].Required && !fields[i].AutoNumber && buffer_[i].isNull())
            throw JetError::RequiredIsNull(table_, fields[i].Name);
    requireUniqueIgnoringCase(mode_ == Mode::Adding ? -1 : currentRowid());

    db_->beginWrite();
    if (mode_ == Mode::Adding) {
        if (insert_.sql.isEmpty()) {  // the same statement for every row this recordset adds
            const QString qt = quoteIdentifier(table_);
            QStringList cols, vals;
            for (size_t i = 0; i < fields.size(); ++i) {
                if (fields[i].AutoNumber) {
                    if (fields[i].Name != def_->RowidKey) {  // a copied autonumber: the next number
                        cols << quoteIdentifier(fields[i].Name);
                        vals << QString("(SELECT coalesce(max(%1), 0) + 1 FROM %2)").arg(quoteIdentifier(fields[i].Name), qt);
                    }
                    continue;
                }
                cols << quoteIdentifier(fields[i].Name);
                vals << QString("?%1").arg(insertColumns_.size() + 1);
                insertColumns_.push_back(i);
            }
            insert_.sql = cols.isEmpty() ? "INSERT INTO " + qt + " DEFAULT VALUES"
                                         : "INSERT INTO " + qt + " (" + cols.join(", ") + ") VALUES (" + vals.join(", ") + ")";
        }
        // Written with others when it can wait (nothing refuses it now that its required fields are
        // there), else at once.
        if (!db_->DeferAdd(def_, insertColumns_, buffer_, &lastModified_)) {
            sqlite3_stmt* st = statement(insert_);
            for (size_t k = 0; k < insertColumns_.size(); ++k)
                BindValue(st, static_cast<int>(k + 1), buffer_[insertColumns_[k]], fields[insertColumns_[k]]);
            const int rc = sqlite3_step(st);
            sqlite3_reset(st);
            if (rc != SQLITE_DONE)
                db_->raiseLastError(insert_.sql);
            lastModified_ = sqlite3_last_insert_rowid(db_->handle());
        }
        if (!materialized_ && !rowidsPending_)  // else listed with the others when first needed
            rowids_.push_back(lastModified_);
    } else {
        std::vector<size_t> bound;
        for (size_t i = 0; i < fields.size(); ++i)
            if (dirty_[i])
                bound.push_back(i);
        const qint64 rowid = currentRowid();
        if (!bound.empty()) {
            auto known = std::find_if(update_.begin(), update_.end(), [&](const auto& u) { return u.first == bound; });
            if (known == update_.end()) {  // the same statement for every Edit of the same fields
                const QString qt = quoteIdentifier(table_);
                QStringList sets;
                for (size_t k = 0; k < bound.size(); ++k)
                    sets << QString("%1 = ?%2").arg(quoteIdentifier(fields[bound[k]].Name)).arg(k + 1);
                KeptStatement kept;
                kept.sql = "UPDATE " + qt + " SET " + sets.join(", ") + QString(" WHERE rowid = ?%1").arg(bound.size() + 1);
                update_.emplace_back(bound, kept);
                known = update_.end() - 1;
            }
            const QString& sql = known->second.sql;
            sqlite3_stmt* st = statement(known->second);
            for (size_t k = 0; k < bound.size(); ++k)
                BindValue(st, static_cast<int>(k + 1), buffer_[bound[k]], fields[bound[k]]);
            sqlite3_bind_int64(st, static_cast<int>(bound.size() + 1), rowid);
            const int rc = sqlite3_step(st);
            sqlite3_reset(st);
            if (rc != SQLITE_DONE)
                db_->raiseLastError(sql);
        }
        lastModified_ = rowid;
    }
    const Generation before = generation();
    db_->noteWrite(*def_, mode_ == Mode::Adding);
    keepPrefetched(before, lastModified_);
    mode_ = Mode::None;
}

void Recordset::requireUniqueIgnoringCase(qint64 self) const
{
    const auto& fields = def_->Fields;
    for (const std::vector<int>& key : def_->TextUniqueKeys) {
        // Only a text with letters beyond ASCII needs the check; a key with a Null is never a duplicate.
        bool needed = false;
        bool null = false;
        for (const int c : key) {
            const Variant& v = buffer_[static_cast<size_t>(c)];
            null = null || v.isNull();
            needed = needed || (v.kind() == Variant::Kind::Text && NeedsFold(v.toText()));
        }
        if (null || !needed)
            continue;
        QStringList conditions;
        for (size_t k = 0; k < key.size(); ++k) {
            const FieldInfo& f = fields[static_cast<size_t>(key[k])];
            const bool text = f.Type == FieldType::Text || f.Type == FieldType::Memo;
            conditions << QString("%1 = ?%2").arg(quoteIdentifier(f.Name)).arg(k + 1) +
                              (text ? QStringLiteral(" COLLATE ") + QLatin1String(kFoldCollation) : QString());
        }
        const QString sql = "SELECT 1 FROM " + quoteIdentifier(table_) + " WHERE " + conditions.join(" AND ") +
                            QString(" AND rowid <> ?%1 LIMIT 1").arg(key.size() + 1);
        sqlite3_stmt* st = db_->prepare(sql, def_.get());
        for (size_t k = 0; k < key.size(); ++k) {
            const auto c = static_cast<size_t>(key[k]);
            BindValue(st, static_cast<int>(k + 1), buffer_[c], fields[c]);
        }
        sqlite3_bind_int64(st, static_cast<int>(key.size() + 1), self);
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc == SQLITE_ROW)
            throw JetError::DuplicateKey();
        if (rc != SQLITE_DONE)
            db_->raiseLastError(sql);
    }
}

void Recordset::Delete()
{
    requireUpdatable();
    const qint64 rowid = currentRowid();
    db_->beginWrite();
    const QString sql = "DELETE FROM " + quoteIdentifier(table_) + " WHERE rowid = ?1";
    sqlite3_stmt* st = db_->prepare(sql, def_.get());
    sqlite3_bind_int64(st, 1, rowid);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        db_->raiseLastError(sql);
    db_->noteWrite(*def_);
    rowids_.erase(rowids_.begin() + pos_);
    prefetched_.clear();  // the rows after it moved up one position
    mode_ = Mode::None;
    onDeleted_ = true;  // pos_ now names the row after the deleted one
}

}  // namespace dao
