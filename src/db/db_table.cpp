#include "db_table.h"

#include "db_errors.h"
#include "db_record_buffer.h"
#include "dbe_dispatch.h"
#include "text_codec.h"

#include <QMutex>
#include <cmath>
#include <cstring>

namespace {

constexpr int64_t kJulianOffset = 1721425;
constexpr int64_t kMsPerDay = 86400000;

QMutex gCursorsLock;
QList<TDbDataSet *> &Cursors() {
    static QList<TDbDataSet *> list;
    return list;
}

using DbBuffer = DbRecordBuffer;

DbBuffer &Buf(TRecordBuffer &b) { return static_cast<DbBuffer &>(b); }

uint32_t Get32(const char *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void Put32(char *p, uint32_t v) { std::memcpy(p, &v, 4); }

bool AllBytes(const char *p, int n, char a, char b) {
    for (int i = 0; i < n; ++i)
        if (p[i] != a && p[i] != b) return false;
    return true;
}

bool IsBlobCode(int t) { return t >= 5 && t <= 8; }
bool IsStringCode(int t) { return t == 4 || t == 20; }

QByteArray Ansi(const QString &s) { return ToAnsi(s).value_or(QByteArray()); }

// Engine texts answered into fixed buffers.
QString TextOut(const char *buf, size_t capacity) { return FromAnsi(buf, qstrnlen(buf, capacity)); }


}  // namespace

// --- lifetime ---------------------------------------------------------------

TDbDataSet::TDbDataSet(TComponent *owner) : TDataSet(owner) {
    QMutexLocker lock(&gCursorsLock);
    Cursors().append(this);
}

TDbDataSet::~TDbDataSet() {
    if (tableHandle_ != UINT32_MAX) {
        Dbe().DbeCloseTable(tableHandle_);
        tableHandle_ = orderHandle_ = UINT32_MAX;
    }
    if (connection_) connection_->UnregisterCursor(this);
    QMutexLocker lock(&gCursorsLock);
    Cursors().removeAll(this);
}

QList<TDbDataSet *> TDbDataSet::AllCursors() {
    QMutexLocker lock(&gCursorsLock);
    return Cursors();
}

void TDbDataSet::DbeCheckResult(int32_t result) { DbeCheck(this, result); }

void TDbDataSet::SetDbConnection(TDbConnection *connection) {
    if (connection == connection_) return;
    if (Active()) RaiseLayerError(this, QStringLiteral("Table must not be Active."));
    if (connection_) connection_->UnregisterCursor(this);
    connection_ = connection;
    if (connection_) connection_->RegisterCursor(this);
}

void TDbDataSet::ForgetConnection() { connection_ = nullptr; }

void TDbDataSet::SetDatabaseName(const QString &name) {
    if (Active())
        RaiseLayerError(this, QStringLiteral("Cannot perform this operation on an open dataset"));
    if (name.isEmpty()) {
        databaseName_.clear();
        cachedPath_.clear();
        return;
    }
    // A connection of that name: same owner first, then any.
    const QList<TDbConnection *> all = TDbConnection::AllConnections();
    auto matches = [&](TDbConnection *c) {
        return c->Name().compare(name, Qt::CaseInsensitive) == 0 ||
               (c->Owner() && (c->Owner()->Name() + u'.' + c->Name()).compare(name, Qt::CaseInsensitive) == 0);
    };
    for (TDbConnection *c : all)
        if (c->Owner() == Owner() && c->Name().compare(name, Qt::CaseInsensitive) == 0) {
            SetDbConnection(c);
            databaseName_ = name;
            return;
        }
    for (TDbConnection *c : all)
        if (matches(c)) {
            SetDbConnection(c);
            databaseName_ = name;
            return;
        }
    databaseName_ = name;
    QString path;
    QChar letter;
    if (!name.contains(u'/') && !name.contains(u'\\') && LookupAlias(name, path, letter)) {
        cachedPath_ = path;
        tableType_ = letter == u'N' ? TDbTableType::ttDbNTX
                     : letter == u'C' ? TDbTableType::ttDbCDX
                                      : TDbTableType::ttDbTBL;
    }
}

void TDbDataSet::SetExclusive(bool e) {
    if (Active()) throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on an open dataset").arg(Name()));
    exclusive_ = e;
}

void TDbDataSet::SetReadOnly(bool r) {
    if (Active()) throw EDatabaseError(QStringLiteral("%1: Cannot perform this operation on an open dataset").arg(Name()));
    readOnly_ = r;
}

void TDbDataSet::SetTableType(TDbTableType t) {
    if (Active())
        RaiseLayerError(this, QStringLiteral("Cannot perform this operation on an open dataset"));
    tableType_ = t;
}

void TDbDataSet::ApplyAliasTableType(int aliasType) {
    if (aliasType == 1) tableType_ = TDbTableType::ttDbCDX;
    if (aliasType == 2) tableType_ = TDbTableType::ttDbNTX;
    if (aliasType == 3) tableType_ = TDbTableType::ttDbTBL;
}

QString TDbDataSet::DatabasePath() {
    QString path;
    if (!cachedPath_.isEmpty()) {
        path = cachedPath_;
    } else if (databaseName_.isEmpty() ||
               (connection_ && (databaseName_.compare(connection_->Name(), Qt::CaseInsensitive) == 0 ||
                                (connection_->Owner() &&
                                 databaseName_.compare(connection_->Owner()->Name() + u'.' + connection_->Name(),
                                                       Qt::CaseInsensitive) == 0)))) {
        if (connection_) {
            path = connection_->DirectoryPath();
            ApplyAliasTableType(connection_->AliasTableType() == 1 ? 1
                                : connection_->AliasTableType() == 2 ? 2
                                : connection_->AliasTableType() == 3 ? 3
                                                                     : 0);
        }
    } else {
        path = databaseName_;
    }
    if (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\'))) path.chop(1);
    return path;
}

QString TDbDataSet::Version() const {
    uint32_t major = 0, minor = 0;
    char letter = ' ';
    char description[128] = {};
    uint16_t length = sizeof description;
    Dbe().DbeGetVersion(&major, &minor, &letter, description, &length);
    QString v = QStringLiteral("7.1 (DBE %1%2%3").arg(major).arg(minor < 10 ? QStringLiteral(".0") : QStringLiteral(".")).arg(minor);
    if (letter != ' ' && letter != 0) v += QChar(letter);
    return v + u')';
}

// --- opening ----------------------------------------------------------------

void TDbTable::SetTableName(const QString &name) {
    if (Active())
        RaiseLayerError(this, QStringLiteral("Cannot perform this operation on an open dataset"));
    if (name != tableName_ && !IsLoading()) IndexFiles.clear();
    tableName_ = name;
    if (IsDictionary() && connection_->IsConnected()) ReadDictionaryDefaultIndex();
}

uint32_t TDbTable::OpenTableHandle() {
    if (tableName_.isEmpty()) RaiseLayerError(this, QStringLiteral("Missing TableName property"));
    uint32_t options = (exclusive_ ? 1 : 0) | (readOnly_ ? 2 : 0);
    if (connection_ && connection_->ReadOnly) {
        options |= 2;
        if (!IsDesigning()) readOnly_ = true;
    }
    if (IndexCollationMismatch == TIndexCollationMismatch::icmIgnore) options |= 0x200;
    if (IndexCollationMismatch == TIndexCollationMismatch::icmReindex) options |= 0x100;
    const uint16_t lockType = options_.DbLockType == TDbTableOptions::Proprietary ? 1 : 0;
    const uint16_t charType = options_.DbCharType == TDbTableOptions::ANSI ? 1 : 2;
    const uint16_t rights = options_.DbRightsCheck ? 1 : 2;
    QString path = DatabasePath();
    if (path.isEmpty())
        RaiseLayerError(this, QStringLiteral("One of the DatabaseName property or the DbConnection property must have a value."));
    auto fullName = [&] { return IsDictionary() ? tableName_ : DatabasePath() + u'/' + tableName_; };
    QString name = fullName();
    if (connection_ && !connection_->IsConnected()) {
        connection_->SetIsConnected(true);
        name = fullName();
    }
    uint32_t connectionHandle = connection_ ? connection_->ConnectionHandle() : 0;
    if (!connection_) {
        // The implicit connection for a path without a connection component.
        static QMutex lock;
        static QList<QPair<QString, uint32_t>> implicit;
        QMutexLocker guard(&lock);
        for (const auto &p : implicit)
            if (p.first.compare(path, Qt::CaseInsensitive) == 0) connectionHandle = p.second;
        if (!connectionHandle) {
            Check(Dbe().DbeConnect(Ansi(path).constData(), &connectionHandle));
            implicit.append({path, connectionHandle});
        }
    }
    if (connectionHandle == 0) RaiseLayerError(this, QStringLiteral("Internal Error: invalid connection handle."));
    auto engineType = [&]() -> uint16_t {
        switch (tableType_) {
        case TDbTableType::ttDbCDX: return 2;
        case TDbTableType::ttDbNTX: return 1;
        default: return 3;
        }
    };
    uint16_t tableType = IsDictionary() ? 0 : engineType();
    uint32_t handle = 0;
    int32_t rc = Dbe().DbeOpenTable(connectionHandle, Ansi(name).constData(), nullptr, tableType,
                                    charType, lockType, rights, options, &handle);
    if (rc == 5132 && IsDictionary()) {
        name = DatabasePath() + u'/' + tableName_;
        rc = Dbe().DbeOpenTable(connectionHandle, Ansi(name).constData(), nullptr, engineType(),
                                charType, lockType, rights, options, &handle);
    }
    Check(rc);
    if (IsDictionary()) {
        uint16_t t = 3;
        if (Dbe().DbeGetTableType(handle, &t) == 0)
            tableType_ = t == 2 ? TDbTableType::ttDbCDX : t == 1 ? TDbTableType::ttDbNTX : TDbTableType::ttDbTBL;
    }
    if (!EncryptionPassword.isEmpty()) {
        uint16_t encrypted = 0, enabled = 0;
        Dbe().DbeIsTableEncrypted(handle, &encrypted);
        Dbe().DbeIsEncryptionEnabled(handle, &enabled);
        if (encrypted == 1 && !enabled) {
            int32_t erc = Dbe().DbeEnableEncryption(handle, Ansi(EncryptionPassword).constData());
            if (erc) {
                Dbe().DbeCloseTable(handle);
                Check(erc);
            }
        }
    }
    for (const QString &entry : IndexFiles) {
        uint32_t handles[50];
        uint16_t count = 50;
        int32_t irc = Dbe().DbeOpenIndex(handle, Ansi(DatabasePath() + u'/' + entry).constData(), handles, &count);
        if (irc) {
            Dbe().DbeCloseTable(handle);
            Check(irc);
        }
    }
    return handle;
}

int64_t TDbDataSet::LastAutoincValue() { return 0; }

int64_t TDbTable::LastAutoincValue() {
    uint32_t v = 0;
    Check(Dbe().DbeGetLastAutoinc(tableHandle_, &v));
    return v;
}

void TDbDataSet::InternalOpen() {
    if (tableHandle_ != UINT32_MAX) RaiseLayerError(this, QStringLiteral("Table is already open."));
    tableHandle_ = OpenTableHandle();
    orderHandle_ = tableHandle_;
    try {
        Check(Dbe().DbeGetRecordLength(tableHandle_, &recordLength_));
        Check(Dbe().DbeGetTableOpenOptions(tableHandle_, &openOptions_));
        canModify_ = !(openOptions_ & 2);
        if (options_.DbRecordCache == TDbTableOptions::rcNone) Check(Dbe().DbeCacheRecords(tableHandle_, 0));
        if (options_.DbRecordCache == TDbTableOptions::rcAggressive) Check(Dbe().DbeCacheRecords(tableHandle_, 100));
        {
            uint32_t first = 0;
            uint16_t count = 1;
            int32_t rc = Dbe().DbeGetAllIndexes(tableHandle_, &first, &count);
            uint16_t pageSize = 0;
            if ((rc == 0 || rc == 5005) && count > 0 && Dbe().DbeGetIndexPageSize(first, &pageSize) == 0)
                options_.DbIndexPageSize = pageSize;
            else
                options_.DbIndexPageSize = 0;
        }
        Check(Dbe().DbeGetBookmarkLength(tableHandle_, &bookmarkLength_));
        uint16_t numFields = 0;
        Check(Dbe().DbeGetNumFields(tableHandle_, &numFields));
        fieldDefs_.clear();
        blobFields_.clear();
        for (uint16_t i = 1; i <= numFields; ++i) {
            TDbeFieldDef d;
            d.fieldNumber = static_cast<int16_t>(i);
            uint16_t type = 0;
            Check(Dbe().DbeGetFieldType(tableHandle_, DBE_FIELD(i), &type));
            d.typeCode = static_cast<int16_t>(type);
            uint32_t length = 0;
            Check(Dbe().DbeGetFieldLength(tableHandle_, DBE_FIELD(i), &length));
            d.length = static_cast<int32_t>(length);
            if (type == 2) {
                uint16_t dec = 0;
                Check(Dbe().DbeGetFieldDecimals(tableHandle_, DBE_FIELD(i), &dec));
                d.decimals = static_cast<int16_t>(dec);
            }
            char name[130] = {};
            uint16_t nameLength = 129;
            Check(Dbe().DbeGetFieldName(tableHandle_, i, name, &nameLength));
            d.name = TextOut(name, sizeof name);
            uint32_t offset = 0;
            Check(Dbe().DbeGetFieldOffset(tableHandle_, DBE_FIELD(i), &offset));
            d.offset = static_cast<int32_t>(offset);
            uint8_t perms = 0;
            Check(Dbe().DbeGetColumnPermissions(tableHandle_, DBE_FIELD(i), &perms));
            d.permissions = perms;
            if (IsBlobCode(type)) blobFields_.push_back(static_cast<int>(fieldDefs_.size()));
            fieldDefs_.push_back(d);
        }
        for (const TDbeFieldDef &d : fieldDefs_) {
            TField *f = nullptr;
            switch (d.typeCode) {
            case 1: f = new TBooleanField(nullptr); break;
            case 2:
                f = (d.decimals > 0 || d.length > 4) ? static_cast<TField *>(new TFloatField(nullptr))
                                                     : new TSmallintField(nullptr);
                break;
            case 3: case 9: f = new TDateField(nullptr); break;
            case 4: case 20: {
                auto *s = new TDbStringField(nullptr, d.length);
                s->CaseInsensitive = d.typeCode == 20;
                f = s;
                break;
            }
            case 5: case 8: f = new TMemoField(nullptr); break;
            case 6: case 7: f = new TBlobField(nullptr); break;
            case 10: f = new TFloatField(nullptr); break;
            case 11: f = new TIntegerField(nullptr); break;
            case 12: f = new TSmallintField(nullptr); break;
            case 13: f = new TTimeField(nullptr); break;
            case 14: f = new TDateTimeField(nullptr); break;
            case 15: f = new TAutoIncField(nullptr); break;
            case 16: f = new TBytesField(nullptr, d.length); break;
            case 17: f = new TCurrencyField(nullptr); break;
            default:
                RaiseLayerError(this, QStringLiteral("Unknown field type (%1) encountered.").arg(d.typeCode));
            }
            f->SetFieldName(d.name);
            f->SetFieldNo(d.fieldNumber);
            AddField(f);
        }
        createdFields_ = true;
        indexDefsRead_ = false;
        ReadIndexDefs();
        SelectOrder();
        Check(Dbe().DbeGotoBOF(orderHandle_));
        scratch_ = AllocRecordBuffer();
    } catch (...) {
        Dbe().DbeCloseTable(tableHandle_);
        tableHandle_ = orderHandle_ = UINT32_MAX;
        throw;
    }
}

void TDbDataSet::InternalClose() {
    oldRecord_.clear();
    scratch_.reset();
    if (tableHandle_ != UINT32_MAX) Dbe().DbeCloseTable(tableHandle_);
    tableHandle_ = orderHandle_ = UINT32_MAX;
}

std::unique_ptr<TRecordBuffer> TDbDataSet::AllocRecordBuffer() {
    auto b = std::make_unique<DbBuffer>();
    b->image = QByteArray(static_cast<qsizetype>(recordLength_), '\0');
    b->blobs.resize(blobFields_.size());
    for (auto &c : b->blobs) c.Clear();
    b->calc.resize(Fields().size());
    b->bookmark = QByteArray(static_cast<qsizetype>(std::max<uint32_t>(bookmarkLength_, 4)), '\0');
    return b;
}

void TDbDataSet::ReadIndexDefs() {
    indexDefs_.clear();
    uint16_t count = 0;
    Check(Dbe().DbeGetNumIndexes(tableHandle_, &count));
    std::vector<uint32_t> handles(count);
    if (count) Check(Dbe().DbeGetAllIndexes(tableHandle_, handles.data(), &count));
    for (uint16_t i = 0; i < count; ++i) {
        TDbIndexDef def;
        char name[261] = {};
        uint16_t len = 260;
        Check(Dbe().DbeGetIndexName(handles[i], name, &len));
        def.name = TextOut(name, sizeof name);
        uint16_t segments = 0;
        Check(Dbe().DbeGetNumSegments(handles[i], &segments));
        QStringList fields;
        for (uint16_t s = 1; s <= segments; ++s) {
            char field[511] = {};
            uint16_t flen = 510;
            Check(Dbe().DbeGetSegmentFieldname(handles[i], s, field, &flen));
            fields << TextOut(field, sizeof field);
        }
        def.fields = fields.join(u';').toUpper();
        uint16_t flag = 0;
        Check(Dbe().DbeIsIndexUnique(handles[i], &flag));
        def.unique = flag;
        Check(Dbe().DbeIsIndexDescending(handles[i], &flag));
        def.descending = flag;
        Check(Dbe().DbeIsIndexPrimaryKey(handles[i], &flag));
        def.primary = flag;
        indexDefs_.push_back(def);
    }
    indexDefsRead_ = true;
}

const std::vector<TDbIndexDef> &TDbDataSet::IndexDefs() {
    if (!indexDefsRead_ && tableHandle_ == UINT32_MAX) {
        // Closed: open for the definitions and close again.
        tableHandle_ = OpenTableHandle();
        try {
            ReadIndexDefs();
        } catch (...) {
            Dbe().DbeCloseTable(tableHandle_);
            tableHandle_ = UINT32_MAX;
            throw;
        }
        Dbe().DbeCloseTable(tableHandle_);
        tableHandle_ = UINT32_MAX;
    }
    return indexDefs_;
}

// --- index selection --------------------------------------------------------

void TDbDataSet::SelectOrder() {
    switch (indexMode_) {
    case IndexMode::None: orderHandle_ = tableHandle_; break;
    case IndexMode::ByName:
        Check(Dbe().DbeGetIndexHandle(tableHandle_, Ansi(indexName_).constData(), &orderHandle_));
        break;
    case IndexMode::ByFieldNames: {
        const QString wanted = indexFieldNames_.toUpper();
        const TDbIndexDef *found = nullptr;
        for (const auto &d : indexDefs_)
            if (d.fields == wanted) found = &d;
        if (!found)
            RaiseLayerError(this, QStringLiteral("Not a valid index field name:") + indexFieldNames_);
        Check(Dbe().DbeGetIndexHandle(tableHandle_, Ansi(found->name).constData(), &orderHandle_));
        break;
    }
    case IndexMode::DictionaryDefault:
        Check(Dbe().DbeGetIndexHandle(tableHandle_, Ansi(dictionaryDefaultIndex_).constData(),
                                      &orderHandle_));
        break;
    }
    uint32_t length = 0;
    Check(Dbe().DbeGetBookmarkLength(orderHandle_, &length));
    bookmarkLength_ = std::max<uint32_t>(length, 4);
}

void TDbDataSet::ApplyIndexSelection(IndexMode mode, const QString &name, const QString &fieldNames) {
    if (Active()) CheckBrowseMode();
    const IndexMode oldMode = indexMode_;
    const QString oldName = indexName_, oldFields = indexFieldNames_;
    const uint32_t oldOrder = orderHandle_;
    indexMode_ = mode;
    indexName_ = name;
    indexFieldNames_ = fieldNames;
    if (tableHandle_ == UINT32_MAX || !Active()) return;
    try {
        SelectOrder();
    } catch (...) {
        indexMode_ = oldMode;
        indexName_ = oldName;
        indexFieldNames_ = oldFields;
        orderHandle_ = oldOrder;
        throw;
    }
    // The current record stays current in the new order.
    if (TRecordBuffer *b = ActiveBuffer()) {
        InternalSetToRecord(*b);
        Resync();
    }
}

void TDbDataSet::SetIndexName(const QString &name) {
    IndexMode mode = name.isEmpty() ? IndexMode::None
                     : name.compare(QLatin1String("DB_DEFAULT"), Qt::CaseInsensitive) == 0 ? IndexMode::DictionaryDefault
                                                                                            : IndexMode::ByName;
    ApplyIndexSelection(mode, name, QString());
}

void TDbDataSet::SetIndexFieldNames(const QString &names) {
    ApplyIndexSelection(names.isEmpty() ? IndexMode::None : IndexMode::ByFieldNames, QString(), names);
}

void TDbDataSet::ReadDictionaryDefaultIndex() {
    auto *table = qobject_cast<TDbTable *>(this);
    if (!table || !IsDictionary() || !connection_->IsConnected()) return;
    char value[201] = {};
    uint16_t length = 200;
    int32_t rc = Dbe().DbeDictGetTableProperty(connection_->ConnectionHandle(),
                                               Ansi(table->TableName()).constData(), 213, value, &length);
    if (rc == 0) {
        dictionaryDefaultIndex_ = TextOut(value, sizeof value);
        if (indexName_.compare(QLatin1String("DB_DEFAULT"), Qt::CaseInsensitive) == 0 ||
            (indexName_.isEmpty() && !IsLoading())) {
            indexMode_ = IndexMode::DictionaryDefault;
            indexName_ = QStringLiteral("DB_DEFAULT");
        }
    } else if (rc == 5138) {
        if (indexName_.compare(QLatin1String("DB_DEFAULT"), Qt::CaseInsensitive) == 0) {
            indexName_.clear();
            indexMode_ = IndexMode::None;
        }
    }
}

// --- fetching ---------------------------------------------------------------

void TDbDataSet::InternalFirst() { Check(Dbe().DbeGotoBOF(orderHandle_)); }

void TDbDataSet::InternalLast() {
    Check(Dbe().DbeGotoBottom(orderHandle_));
    Check(Dbe().DbeSkip(orderHandle_, 1));
}

void TDbDataSet::InternalSetToRecord(TRecordBuffer &buffer) {
    if (State() == TDataSetState::dsInsert) return;
    uint32_t recno = Get32(Buf(buffer).bookmark.constData());
    int32_t rc = Dbe().DbeGotoBookmark(tableHandle_, recno);
    if (rc != 5022) Check(rc);
}

TGetResult TDbDataSet::GetRecord(TRecordBuffer &buffer, TGetMode mode) { return Fetch(buffer, mode); }

TGetResult TDbDataSet::Fetch(TRecordBuffer &buffer, TGetMode mode) {
    if (tableHandle_ == UINT32_MAX || State() == TDataSetState::dsInsert) return TGetResult::grError;
    if (mode == TGetMode::gmNext) Check(Dbe().DbeSkip(orderHandle_, 1));
    if (mode == TGetMode::gmPrior) Check(Dbe().DbeSkip(orderHandle_, -1));
    uint16_t numFields = 0;
    Check(Dbe().DbeGetNumFields(tableHandle_, &numFields));
    DbBuffer &b = Buf(buffer);
    while (true) {
        uint16_t at = 0;
        Check(Dbe().DbeAtEOF(tableHandle_, &at));
        if (at && mode != TGetMode::gmPrior) return TGetResult::grEOF;
        Check(Dbe().DbeAtBOF(tableHandle_, &at));
        if (at && mode != TGetMode::gmNext) return TGetResult::grBOF;
        uint16_t visible = 0;
        int32_t rc = Dbe().DbeIsRecordVisible(orderHandle_, &visible);
        if (rc == 5068)
            visible = 0;
        else
            Check(rc);
        if (!visible) {
            if (mode == TGetMode::gmCurrent) return TGetResult::grError;
            Check(Dbe().DbeSkip(orderHandle_, mode == TGetMode::gmNext ? 1 : -1));
            continue;
        }
        uint32_t length = recordLength_;
        Check(Dbe().DbeGetRecord(tableHandle_, b.image.data(), &length));
        uint32_t bmLength = static_cast<uint32_t>(b.bookmark.size());
        Check(Dbe().DbeGetBookmarkEx(orderHandle_, b.bookmark.data(), &bmLength));
        AfterFetch(buffer);
        if (Filtered && OnFilterRecord) {
            bool accept = true;
            TDataSetState saved = SetTempState(TDataSetState::dsFilter);
            TRecordBuffer *keep = scratch_.get();
            (void)keep;
            try {
                OnFilterRecord(this, accept);
            } catch (...) {
                RestoreState(saved);
                throw;
            }
            RestoreState(saved);
            if (!accept) {
                Check(Dbe().DbeSkip(orderHandle_, mode == TGetMode::gmPrior ? -1 : 1));
                if (mode == TGetMode::gmCurrent) mode = TGetMode::gmNext;
                continue;
            }
        }
        b.bookmarkFlag = 0;
        uint32_t position = 0;
        Check(Dbe().DbeGetRecordNum(tableHandle_, 2, &position));
        b.position = static_cast<int32_t>(position);
        b.inserted = false;
        return TGetResult::grOK;
    }
}

void TDbDataSet::AfterFetch(TRecordBuffer &buffer) {
    DbBuffer &b = Buf(buffer);
    for (size_t i = 0; i < blobFields_.size(); ++i) {
        const TDbeFieldDef &d = fieldDefs_[blobFields_[i]];
        uint16_t empty = 0;
        Check(Dbe().DbeIsEmpty(tableHandle_, DBE_FIELD(d.fieldNumber), &empty));
        Put32(b.image.data() + d.offset, empty ? 0u : 0xFFFFFFFFu);
        b.blobs[i].Clear();
    }
    if (options_.DbCharType == TDbTableOptions::OEM) {
        for (const TDbeFieldDef &d : fieldDefs_) {
            if (!IsStringCode(d.typeCode)) continue;
            char *p = b.image.data() + d.offset;
            char after = (d.offset + d.length < b.image.size()) ? p[d.length] : 0;
            uint32_t len = static_cast<uint32_t>(d.length + 1);
            QByteArray tmp(d.length + 1, '\0');
            Check(Dbe().DbeGetField(tableHandle_, DBE_FIELD(d.fieldNumber), tmp.data(), &len, 0));
            std::memcpy(p, tmp.constData(), size_t(d.length));
            if (d.offset + d.length < b.image.size()) p[d.length] = after;
        }
    }
    std::fill(b.calc.begin(), b.calc.end(), QVariant());
    if (OnCalcFields) {
        TDataSetState saved = SetTempState(TDataSetState::dsCalcFields);
        try {
            OnCalcFields(this);
        } catch (...) {
            RestoreState(saved);
            throw;
        }
        RestoreState(saved);
    }
}

uint32_t TDbDataSet::CurrentRecordNumber() const {
    TRecordBuffer *b = ActiveBuffer();
    return b ? Get32(Buf(*b).bookmark.constData()) : 0;
}

int TDbDataSet::RecordCount() {
    CheckActive();
    uint16_t option = options_.DbFilterOptions == TDbTableOptions::RESPECT_WHEN_COUNTING ? 1
                      : options_.DbScopeOptions == TDbTableOptions::RESPECT_SCOPES_WHEN_COUNTING ? 3
                                                                                                   : 2;
    if (options_.DbFreshRecordCount) option += 4;
    uint32_t handle = orderHandle_;
    if ((option & 3) == 1 && orderHandle_ != tableHandle_) {
        uint32_t flags = 0;
        Check(Dbe().DbeGetIndexFlags(orderHandle_, &flags));
        char condition[511] = {};
        uint16_t length = 510;
        if (tableType_ == TDbTableType::ttDbTBL || !(flags & 1))
            Check(Dbe().DbeGetIndexCondition(orderHandle_, condition, &length));
        if (qstrnlen(condition, sizeof condition) == 0) handle = tableHandle_;
    }
    uint32_t count = 0;
    Check(Dbe().DbeGetRecordCount(handle, option, &count));
    return static_cast<int>(count);
}

// --- field values -----------------------------------------------------------

TRecordBuffer *TDbDataSet::StateBuffer() const {
    switch (State()) {
    case TDataSetState::dsFilter: return scratch_.get();
    default: return ActiveBuffer();
    }
}

bool TDbDataSet::IsEmptyValue(const TDbeFieldDef &d, const char *p) const {
    const int n = d.length;
    if (tableType_ == TDbTableType::ttDbTBL) {
        switch (d.typeCode) {
        case 1: return p[0] == ' ';
        case 2: case 3: case 4: case 9: case 16: case 20: return AllBytes(p, n, 0, 0);
        case 5: case 6: case 7: case 8: return Get32(p) == 0;
        case 10: case 17: return Get32(p) == 0x20 && Get32(p + 4) == 0x80000000u;
        case 11: return Get32(p) == 0x80000000u;
        case 12: return (uint8_t(p[0]) | (uint8_t(p[1]) << 8)) == 0x8000;
        case 13: case 15: return Get32(p) == 0xFFFFFFFFu;
        case 14: return Get32(p) == 0;
        default: return true;
        }
    }
    switch (d.typeCode) {
    case 1: case 2: case 4: return AllBytes(p, n, 0, ' ');
    case 3: return n == 4 ? Get32(p) == 0 : AllBytes(p, n, 0, ' ');
    case 5: case 6: case 7: case 8: return Get32(p) == 0;
    case 9: return AllBytes(p, n, 0, 0);
    case 10: case 11: case 12: case 17: return false;
    default: return true;
    }
}

bool TDbDataSet::DecodeValue(const TDbeFieldDef &d, const TField *field, const char *p, QVariant &v) {
    if (IsEmptyValue(d, p)) return false;
    switch (d.typeCode) {
    case 1: v = (p[0] == '1' || p[0] == 'T' || p[0] == 'Y' || p[0] == 't' || p[0] == 'y'); return true;
    case 2: {
        bool ok = false;
        double x = QString::fromLatin1(p, d.length).trimmed().toDouble(&ok);
        // A numeric text that does not parse reads as empty.
        if (!ok) return false;
        if (field->DataType() == TFieldType::ftSmallint)
            v = static_cast<qint32>(std::llround(x));
        else
            v = x;
        return true;
    }
    case 3:
    case 9: {
        double julian = 0;
        if (d.typeCode == 3 && d.length == 4) {
            julian = static_cast<int32_t>(Get32(p));
        } else {
            QByteArray text;
            if (d.typeCode == 9) {
                int hi = (uint8_t(p[0]) << 8) | uint8_t(p[1]);
                int y = hi / 2, m = (hi % 2) * 8 + uint8_t(p[2]) / 32, day = uint8_t(p[2]) % 32;
                text = QStringLiteral("%1%2%3").arg(y, 4, 10, QChar(u'0')).arg(m, 2, 10, QChar(u'0')).arg(day, 2, 10, QChar(u'0')).toLatin1();
            } else {
                text = QByteArray(p, d.length);
            }
            Check(Dbe().DbeConvertStringToJulian(text.constData(), static_cast<uint16_t>(text.size()), &julian));
        }
        v = DayNumberToDateTime(static_cast<int64_t>(julian) - kJulianOffset);
        return true;
    }
    case 4:
    case 20: {
        int n = d.length;
        while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
        int z = static_cast<int>(qstrnlen(p, size_t(n)));
        v = FromAnsi(p, std::min(n, z));
        return true;
    }
    case 10:
    case 17: {
        double x;
        std::memcpy(&x, p, 8);
        v = x;
        return true;
    }
    case 11:
    case 15: v = static_cast<qint32>(Get32(p)); return true;
    case 12: {
        int16_t s;
        std::memcpy(&s, p, 2);
        v = static_cast<qint32>(s);
        return true;
    }
    case 13: v = static_cast<double>(Get32(p)) / kMsPerDay; return true;
    case 14: {
        int64_t day = Get32(p), ms = Get32(p + 4);
        int64_t value = (day - kJulianOffset) * kMsPerDay + ms;
        if (value < 0) value = 0;
        v = DayNumberToDateTime(value / kMsPerDay) + double(value % kMsPerDay) / kMsPerDay;
        return true;
    }
    case 16: v = QByteArray(p, d.length); return true;
    }
    return false;
}

bool TDbDataSet::GetFieldData(const TField *field, QVariant &value) {
    TRecordBuffer *buffer = StateBuffer();
    const char *image = nullptr;
    if (State() == TDataSetState::dsOldValue) {
        if (oldRecord_.isEmpty()) return false;
        image = oldRecord_.constData();
    } else {
        if (!buffer) return false;
        image = Buf(*buffer).image.constData();
    }
    if (field->FieldNo() <= 0) {
        if (!buffer) return false;
        int i = static_cast<int>(Fields().indexOf(const_cast<TField *>(field)));
        value = Buf(*buffer).calc[i];
        return value.isValid();
    }
    const TDbeFieldDef &d = fieldDefs_[field->FieldNo() - 1];
    if (IsBlobCode(d.typeCode)) {
        if (!buffer || Get32(image + d.offset) == 0) return false;
        auto stream = CreateBlobStream(const_cast<TField *>(field), TBlobStreamMode::bmRead);
        QByteArray bytes = stream->ReadAll();
        if (d.typeCode == 5 || d.typeCode == 8)
            value = FromAnsi(bytes);
        else
            value = bytes;
        return true;
    }
    return DecodeValue(d, field, image + d.offset, value);
}

uint16_t TDbDataSet::EngineTableType() {
    uint16_t type = 3;
    Check(Dbe().DbeGetTableType(tableHandle_, &type));
    return type;
}

void TDbDataSet::EncodeNull(const TDbeFieldDef &d, char *p) {
    const int n = d.length;
    if (EngineTableType() == 3) {
        switch (d.typeCode) {
        case 1: p[0] = ' '; break;
        case 10: case 17: Put32(p, 0x20); Put32(p + 4, 0x80000000u); break;
        case 11: Put32(p, 0x80000000u); break;
        case 12: p[0] = 0; p[1] = char(0x80); break;
        case 13: case 15: Put32(p, 0xFFFFFFFFu); break;
        case 14: Put32(p, 0); Put32(p + 4, 0xFFFFFFFFu); break;
        default: std::memset(p, 0, size_t(n));
        }
        return;
    }
    bool zeros = (d.typeCode >= 5 && d.typeCode <= 12) || d.typeCode == 17;
    std::memset(p, zeros ? 0 : ' ', size_t(n));
}

void TDbDataSet::EncodeValue(const TDbeFieldDef &d, TField *field, const QVariant &value, char *p) {
    const int n = d.length;
    switch (d.typeCode) {
    case 1: p[0] = value.toBool() ? 'T' : 'F'; break;
    case 2: {
        QString text;
        if (field->DataType() == TFieldType::ftSmallint) {
            text = QString::number(value.toInt());
        } else {
            int precision = d.decimals > 0 ? n - 1 : n;
            (void)precision;
            text = QString::number(value.toDouble(), 'f', d.decimals);
        }
        if (text.size() > n || text.contains(u'E') || text.contains(u'e'))
            RaiseLayerError(this, QStringLiteral("Numeric out of range."));
        QByteArray t = text.rightJustified(n, u' ').toLatin1();
        std::memcpy(p, t.constData(), size_t(n));
        break;
    }
    case 3:
    case 9: {
        int64_t julian = DateTimeToDayNumber(value.toDouble()) + kJulianOffset;
        if (d.typeCode == 3 && n == 4) {
            Put32(p, static_cast<uint32_t>(julian));
            break;
        }
        char text[14] = {};
        uint16_t length = 13;
        Check(Dbe().DbeConvertJulianToString(static_cast<double>(julian), text, &length));
        if (d.typeCode == 3) {
            if (int(qstrnlen(text, sizeof text)) > n)
                RaiseLayerError(this, QStringLiteral("Something's wrong with the engine date functions"));
            std::memset(p, ' ', size_t(n));
            std::memcpy(p, text, qstrnlen(text, sizeof text));
        } else {
            QByteArray t(text);
            int y = t.left(4).toInt(), m = t.mid(4, 2).toInt(), day = t.mid(6, 2).toInt();
            uint16_t hi = static_cast<uint16_t>(y * 2 + m / 8);
            p[0] = char(hi >> 8);
            p[1] = char(hi & 0xFF);
            p[2] = char((m % 8) * 32 + day);
        }
        break;
    }
    case 4:
    case 20: {
        const QString text = value.toString();
        auto bytes = ToAnsi(text);
        if (!bytes)
            RaiseLayerError(this, QStringLiteral("The character '%1' cannot be stored in field '%2'.")
                                      .arg(FirstUnencodable(text), field->DisplayName()));
        if (bytes->size() > n)
            RaiseLayerError(this, QStringLiteral("The value is too long for field '%1' (at most %2 characters).")
                                      .arg(field->DisplayName())
                                      .arg(n));
        std::memset(p, bytes->isEmpty() && EngineTableType() == 3 ? 0 : ' ', size_t(n));
        std::memcpy(p, bytes->constData(), size_t(bytes->size()));
        break;
    }
    case 10:
    case 17: {
        double x = value.toDouble();
        std::memcpy(p, &x, 8);
        break;
    }
    case 11: case 15: Put32(p, static_cast<uint32_t>(value.toInt())); break;
    case 13: Put32(p, static_cast<uint32_t>(std::llround(value.toDouble() * kMsPerDay) % kMsPerDay)); break;
    case 12: {
        int16_t s = static_cast<int16_t>(value.toInt());
        std::memcpy(p, &s, 2);
        break;
    }
    case 14: {
        double dt = value.toDouble();
        int64_t dayNumber = DateTimeToDayNumber(dt);
        int64_t ms = dayNumber * kMsPerDay + std::llround((dt - std::floor(dt)) * kMsPerDay);
        int64_t days = ms / kMsPerDay;
        Put32(p, static_cast<uint32_t>(days + kJulianOffset));
        Put32(p + 4, static_cast<uint32_t>(ms - days * kMsPerDay));
        break;
    }
    case 16: {
        QByteArray b = value.toByteArray();
        std::memset(p, 0, size_t(n));
        std::memcpy(p, b.constData(), size_t(std::min<qsizetype>(b.size(), n)));
        break;
    }
    }
}

void TDbDataSet::SetFieldData(TField *field, const QVariant &value) {
    const TDataSetState s = State();
    const bool allowed = s == TDataSetState::dsEdit || s == TDataSetState::dsInsert ||
                         s == TDataSetState::dsSetKey || s == TDataSetState::dsCalcFields ||
                         s == TDataSetState::dsFilter || s == TDataSetState::dsNewValue ||
                         s == TDataSetState::dsInternalCalc;
    if (!allowed) RaiseLayerError(this, QStringLiteral("Dataset not in edit mode"));
    TRecordBuffer *buffer = StateBuffer();
    if (!buffer) RaiseLayerError(this, QStringLiteral("Dataset not in edit mode"));
    if (field->FieldNo() <= 0) {
        int i = static_cast<int>(Fields().indexOf(field));
        Buf(*buffer).calc[i] = value;
    } else {
        if (s == TDataSetState::dsCalcFields) RaiseLayerError(this, QStringLiteral("Dataset not in edit mode"));
        if (field->ReadOnly() && s != TDataSetState::dsSetKey && s != TDataSetState::dsFilter)
            throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayName()));
        TDbeFieldDef &d = fieldDefs_[field->FieldNo() - 1];
        if (field->FieldKind() != TFieldKind::fkInternalCalc) {
            if (s == TDataSetState::dsEdit && !(d.permissions & 2)) {
                Dbe().DbeSetLastError(5054, Ansi(QStringLiteral("Update permission not granted on this field: %1.").arg(d.name)).constData());
                Check(5054);
            }
            if (s == TDataSetState::dsInsert && !(d.permissions & 4)) {
                Dbe().DbeSetLastError(5054, Ansi(QStringLiteral("Insert permission not granted on this field: %1.").arg(d.name)).constData());
                Check(5054);
            }
        }
        if (IsBlobCode(d.typeCode)) {
            auto stream = CreateBlobStream(field, TBlobStreamMode::bmWrite);
            QByteArray bytes;
            if (value.isValid()) {
                if (value.typeId() == QMetaType::QString) {
                    auto a = ToAnsi(value.toString());
                    if (!a)
                        RaiseLayerError(this, QStringLiteral("The character '%1' cannot be stored in field '%2'.")
                                                  .arg(FirstUnencodable(value.toString()), field->DisplayName()));
                    bytes = *a;
                } else {
                    bytes = value.toByteArray();
                }
            }
            stream->Write(bytes.constData(), bytes.size());
            return;  // the stream's end sends the notification
        }
        char *image = Buf(*buffer).image.data() + d.offset;
        QByteArray saved(image, d.length);
        try {
            if (!value.isValid())
                EncodeNull(d, image);
            else
                EncodeValue(d, field, value, image);
        } catch (...) {
            std::memcpy(image, saved.constData(), size_t(d.length));
            throw;
        }
        d.modified = true;
    }
    FieldChanged(field);
}

void TDbDataSet::BlobWritten(TField *field) {
    if (field && field->FieldNo() > 0) fieldDefs_[field->FieldNo() - 1].modified = true;
    FieldChanged(field);
}

// --- blobs ------------------------------------------------------------------

TDbBlobCache *TDbDataSet::CacheFor(TRecordBuffer &buffer, const TField *field) {
    const int index = field->FieldNo() - 1;
    for (size_t i = 0; i < blobFields_.size(); ++i)
        if (blobFields_[i] == index) return &Buf(buffer).blobs[i];
    return nullptr;
}

void TDbDataSet::LoadCache(TDbBlobCache &cache, int fieldNumber, bool forced, uint32_t recordNumber) {
    if (!forced && cache.table == tableHandle_ && cache.recordNumber == recordNumber &&
        cache.fieldNumber == fieldNumber) {
        cache.position = 0;
        return;
    }
    cache.Clear();
    cache.table = tableHandle_;
    cache.recordNumber = recordNumber;
    cache.fieldNumber = fieldNumber;
    if (recordNumber == 0) return;
    try {
        uint32_t current = 0;
        Check(Dbe().DbeGetRecordNum(tableHandle_, 2, &current));
        if (current != recordNumber) Check(Dbe().DbeGotoRecord(tableHandle_, recordNumber));
        uint16_t type = 0;
        Check(Dbe().DbeGetFieldType(tableHandle_, DBE_FIELD(fieldNumber), &type));
        bool binary = type == 6 || type == 7;
        if (type == 5) {
            uint16_t memoType = 5;
            Check(Dbe().DbeGetMemoDataType(tableHandle_, DBE_FIELD(fieldNumber), &memoType));
            binary = memoType != 5;
        }
        uint32_t length = 0;
        int32_t rc = binary ? Dbe().DbeGetBinaryLength(tableHandle_, DBE_FIELD(fieldNumber), &length)
                            : Dbe().DbeGetMemoLength(tableHandle_, DBE_FIELD(fieldNumber), &length);
        if (rc == 5068) {
            cache.recordNumber = 0;
            return;
        }
        Check(rc);
        if (!binary) length += 1;
        cache.data.resize(length);
        uint32_t got = length;
        Check(Dbe().DbeGetField(tableHandle_, DBE_FIELD(fieldNumber), cache.data.data(), &got, 0));
        if (got != length) cache.data.resize(got);
    } catch (const EDbEngineError &e) {
        cache.data.clear();
        cache.recordNumber = 0;
        if (e.ErrorCode() == 5068 || e.ErrorCode() == 5022) return;
        throw;
    }
}

std::unique_ptr<TDbBlobStream> TDbDataSet::CreateBlobStream(TField *field, TBlobStreamMode mode) {
    const TDataSetState s = State();
    const bool editing = s == TDataSetState::dsEdit || s == TDataSetState::dsInsert;
    if (mode != TBlobStreamMode::bmRead && !editing)
        RaiseLayerError(this, QStringLiteral("Table must be in Edit or Insert state to open blob stream in Write Mode."));
    TDbBlobCache *cache = nullptr;
    const bool hasBufferState = s == TDataSetState::dsBrowse || editing || s == TDataSetState::dsCalcFields ||
                                s == TDataSetState::dsNewValue;
    if (hasBufferState) {
        if (TRecordBuffer *buffer = ActiveBuffer()) {
            uint16_t type = 0;
            Check(Dbe().DbeGetFieldType(tableHandle_, DBE_FIELD(field->FieldNo()), &type));
            if (!IsBlobCode(type)) RaiseLayerError(this, QStringLiteral("Invalid blob open on non-blob field."));
            cache = CacheFor(*buffer, field);
            uint32_t recno = Buf(*buffer).inserted || s != TDataSetState::dsInsert
                                 ? Get32(Buf(*buffer).bookmark.constData())
                                 : 0;
            bool forced = editing && mode == TBlobStreamMode::bmReadWrite && !cache->modified;
            // Unsaved contents must survive even when the cache lost its
            // record number (a new record, a failed load); like a cache that
            // is found loaded, they are read again from the start.
            if (cache->modified && editing)
                cache->position = 0;
            else
                LoadCache(*cache, field->FieldNo(), forced, recno);
            CursorPosChanged();
        }
    }
    return std::make_unique<TDbBlobStream>(this, field, mode, cache);
}

// --- editing ----------------------------------------------------------------

bool TDbDataSet::CanModify() const { return canModify_ && !readOnly_; }

void TDbDataSet::InternalEdit() {
    if (!(openOptions_ & 0x20)) {
        Dbe().DbeSetLastError(5054, "Update permission not granted on this table.");
        Check(5054);
    }
    const uint32_t recno = CurrentRecordNumber();
    const bool pessimistic = options_.DbRecordLockingMode == TDbTableOptions::lmPessimistic;
    if (!exclusive_ && pessimistic) {
        int32_t rc = Dbe().DbeLockRecord(tableHandle_, recno);
        if (rc == 5064)
            RaiseLayerError(this, QStringLiteral("This table is based on a static VIEW. Static VIEWs can not be updated."), 5064);
        Check(rc);
    }
    // Editing starts from the locked, fresh values.
    TGetResult r;
    try {
        r = Fetch(*ActiveBuffer(), TGetMode::gmCurrent);
    } catch (...) {
        if (!exclusive_ && pessimistic) Dbe().DbeUnlockRecord(tableHandle_, recno);
        throw;
    }
    if (r != TGetResult::grOK) {
        if (!exclusive_ && pessimistic) Dbe().DbeUnlockRecord(tableHandle_, recno);
        throw EDatabaseError(QStringLiteral("%1: Record not found").arg(Name()));
    }
    if (!exclusive_ && !pessimistic) Check(Dbe().DbeGetRecordCRC(tableHandle_, &checksum_, 0));
    oldRecord_ = Buf(*ActiveBuffer()).image;
    for (auto &d : fieldDefs_) d.modified = false;
}

void TDbDataSet::InternalInitRecord(TRecordBuffer &buffer) {
    DbBuffer &b = Buf(buffer);
    insertReturnRecord_ = CurrentRecordNumber();
    insertAtEof_ = Eof() || IsEmpty();
    Check(Dbe().DbeClearRecordBuffer(tableHandle_, b.image.data(), recordLength_));
    std::fill(b.bookmark.begin(), b.bookmark.end(), '\0');
    for (auto &c : b.blobs) c.Clear();
    std::fill(b.calc.begin(), b.calc.end(), QVariant());
    b.inserted = false;
    for (auto &d : fieldDefs_) {
        d.modified = false;
        if (d.typeCode == 15) Put32(b.image.data() + d.offset, 0xFFFFFFFFu);
    }
    if (!(openOptions_ & 0x40)) {
        Dbe().DbeSetLastError(5054, "Insert permission not granted on this table.");
        Check(5054);
    }
}

void TDbDataSet::InternalPost() {
    DbBuffer &b = Buf(*ActiveBuffer());
    const bool editing = State() == TDataSetState::dsEdit;
    const bool optimistic = options_.DbRecordLockingMode == TDbTableOptions::lmOptimistic;
    const uint32_t recno = Get32(b.bookmark.constData());
    bool optimisticLock = false;
    try {
        if (editing) {
            Check(Dbe().DbeGotoRecord(tableHandle_, recno));
            if (!exclusive_ && optimistic) {
                Check(Dbe().DbeLockRecord(tableHandle_, 0));
                optimisticLock = true;
                uint32_t crc = 0;
                Check(Dbe().DbeGetRecordCRC(tableHandle_, &crc, 0));
                if (crc != checksum_) RaiseLayerError(this, QStringLiteral("Record was changed by another user."), 5186);
            }
        } else if (!b.inserted) {
            Check(Dbe().DbeAppendRecord(tableHandle_));
            b.inserted = true;
            uint32_t n = 0;
            Check(Dbe().DbeGetRecordNum(tableHandle_, 2, &n));
            Put32(b.bookmark.data(), n);
        }
        for (int i = static_cast<int>(fieldDefs_.size()) - 1; i >= 0; --i) {
            const TDbeFieldDef &d = fieldDefs_[i];
            if (!d.modified || IsBlobCode(d.typeCode) || d.typeCode == 15) continue;
            const char *p = b.image.constData() + d.offset;
            if (IsStringCode(d.typeCode)) {
                if (AllBytes(p, d.length, ' ', ' '))
                    Check(Dbe().DbeSetEmpty(tableHandle_, DBE_FIELD(d.fieldNumber)));
                else
                    Check(Dbe().DbeSetField(tableHandle_, DBE_FIELD(d.fieldNumber), p, uint32_t(d.length)));
            } else {
                Check(Dbe().DbeSetFieldRaw(tableHandle_, DBE_FIELD(d.fieldNumber), p, uint32_t(d.length)));
            }
        }
        for (size_t i = 0; i < blobFields_.size(); ++i) {
            TDbBlobCache &c = b.blobs[i];
            if (!c.modified) continue;
            const TDbeFieldDef &d = fieldDefs_[blobFields_[i]];
            Put32(b.image.data() + d.offset, c.data.isEmpty() ? 0u : 0xFFFFFFFFu);
            Check(Dbe().DbeSetField(c.table == UINT32_MAX ? tableHandle_ : c.table, DBE_FIELD(d.fieldNumber),
                                    c.data.constData(), uint32_t(c.data.size())));
            c.modified = false;
        }
        Check(Dbe().DbeWriteRecord(tableHandle_));
        if (editing && !exclusive_) Check(Dbe().DbeUnlockRecord(tableHandle_, recno));
    } catch (...) {
        if (optimisticLock) Dbe().DbeUnlockRecord(tableHandle_, recno);
        throw;
    }
    for (auto &d : fieldDefs_) d.modified = false;
}

void TDbDataSet::InternalCancel() {
    int32_t rc = Dbe().DbeCancelUpdate(tableHandle_);
    if (rc != 0 && rc != 5068 && rc != 5085) Check(rc);
    const uint32_t recno = CurrentRecordNumber();
    const bool editing = State() == TDataSetState::dsEdit;
    if (State() == TDataSetState::dsInsert) {
        if (insertAtEof_ || insertReturnRecord_ == 0) {
            Check(Dbe().DbeGotoBottom(orderHandle_));
            Check(Dbe().DbeSkip(orderHandle_, 1));
            return;
        }
        int32_t grc = Dbe().DbeGotoBookmark(tableHandle_, insertReturnRecord_);
        if (grc != 5022) Check(grc);
    }
    Fetch(*ActiveBuffer(), TGetMode::gmCurrent);
    if (editing && !exclusive_ && options_.DbRecordLockingMode != TDbTableOptions::lmOptimistic)
        Check(Dbe().DbeUnlockRecord(tableHandle_, recno));
    for (auto &d : fieldDefs_) d.modified = false;
}

void TDbDataSet::InternalDelete() {
    int32_t rc = Dbe().DbeDeleteRecord(tableHandle_);
    if (rc == 0) rc = Dbe().DbeWriteRecord(tableHandle_);
    if (rc) {
        Dbe().DbeCancelUpdate(tableHandle_);
        Check(rc);
    }
    uint16_t shown = 1;
    Check(Dbe().DbeGetDeleted(&shown));
    if (!shown) Check(Dbe().DbeSkip(orderHandle_, 1));
}
