// Opening and closing a table cursor: the engine table handle, the engine's
// field definitions and the fields made from them, record buffers.
#include "db_table.h"

#include "db_errors.h"
#include "db_table_internal.h"
#include "dbe_dispatch.h"

#include <QMutex>

using namespace dbtable;

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
        RaiseLayerError(this, QStringLiteral("One of the DatabaseName property or the DbConnection "
                                             "property must have a value."));
    auto fullName = [&] {
        return IsDictionary() ? tableName_ : DatabasePath() + u'/' + tableName_;
    };
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
    if (connectionHandle == 0)
        RaiseLayerError(this, QStringLiteral("Internal Error: invalid connection handle."));
    auto engineType = [&]() -> uint16_t {
        switch (tableType_) {
        case TDbTableType::ttDbCDX:
            return 2;
        case TDbTableType::ttDbNTX:
            return 1;
        default:
            return 3;
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
            tableType_ = t == 2   ? TDbTableType::ttDbCDX
                         : t == 1 ? TDbTableType::ttDbNTX
                                  : TDbTableType::ttDbTBL;
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
        int32_t irc = Dbe().DbeOpenIndex(handle, Ansi(DatabasePath() + u'/' + entry).constData(),
                                         handles, &count);
        if (irc) {
            Dbe().DbeCloseTable(handle);
            Check(irc);
        }
    }
    return handle;
}

int64_t TDbDataSet::LastAutoincValue() {
    return 0;
}

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
        if (options_.DbRecordCache == TDbTableOptions::rcNone)
            Check(Dbe().DbeCacheRecords(tableHandle_, 0));
        if (options_.DbRecordCache == TDbTableOptions::rcAggressive)
            Check(Dbe().DbeCacheRecords(tableHandle_, 100));
        {
            uint32_t first = 0;
            uint16_t count = 1;
            int32_t rc = Dbe().DbeGetAllIndexes(tableHandle_, &first, &count);
            uint16_t pageSize = 0;
            if ((rc == 0 || rc == 5005) && count > 0 &&
                Dbe().DbeGetIndexPageSize(first, &pageSize) == 0)
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
            case 1:
                f = new TBooleanField(nullptr);
                break;
            case 2:
                f = (d.decimals > 0 || d.length > 4)
                        ? static_cast<TField *>(new TFloatField(nullptr))
                        : new TSmallintField(nullptr);
                break;
            case 3:
            case 9:
                f = new TDateField(nullptr);
                break;
            case 4:
            case 20: {
                auto *s = new TDbStringField(nullptr, d.length);
                s->CaseInsensitive = d.typeCode == 20;
                f = s;
                break;
            }
            case 5:
            case 8:
                f = new TMemoField(nullptr);
                break;
            case 6:
            case 7:
                f = new TBlobField(nullptr);
                break;
            case 10:
                f = new TFloatField(nullptr);
                break;
            case 11:
                f = new TIntegerField(nullptr);
                break;
            case 12:
                f = new TSmallintField(nullptr);
                break;
            case 13:
                f = new TTimeField(nullptr);
                break;
            case 14:
                f = new TDateTimeField(nullptr);
                break;
            case 15:
                f = new TAutoIncField(nullptr);
                break;
            case 16:
                f = new TBytesField(nullptr, d.length);
                break;
            case 17:
                f = new TCurrencyField(nullptr);
                break;
            default:
                RaiseLayerError(
                    this, QStringLiteral("Unknown field type (%1) encountered.").arg(d.typeCode));
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
    for (auto &c : b->blobs)
        c.Clear();
    b->calc.resize(Fields().size());
    b->bookmark = QByteArray(static_cast<qsizetype>(std::max<uint32_t>(bookmarkLength_, 4)), '\0');
    return b;
}
