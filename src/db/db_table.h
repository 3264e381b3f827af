// Table cursors over the engine: TDbDataSet (the engine-specific part of
// the generic dataset), TDbExtendedDataSet, TDbExtendedTable and TDbTable.
// A cursor reads one table record by record in the order of one of its
// indexes, decodes fields from the record image, and edits, locates and
// deletes records through the engine.
#pragma once

#include "dataset.h"
#include "db_blob.h"
#include "db_connection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

enum class TDbTableType { ttDbCDX, ttDbNTX, ttDbTBL, ttDbDefault };
enum class TIndexCollationMismatch { icmError, icmIgnore, icmReindex };
enum class TSequencedLevel { slStandard, slExact };

struct TDbTableOptions {
    enum LockType { Proprietary, Compatible } DbLockType = Proprietary;
    enum CharType { ANSI, OEM } DbCharType = ANSI;
    enum FilterOptions { IGNORE_WHEN_COUNTING, RESPECT_WHEN_COUNTING } DbFilterOptions =
        IGNORE_WHEN_COUNTING;
    bool DbFreshRecordCount = false;
    enum ScopeOptions { IGNORE_SCOPES_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING }
    DbScopeOptions = IGNORE_SCOPES_WHEN_COUNTING;
    bool DbOptFilterResolveImmediate = false;
    bool DbRightsCheck = true;
    bool DbOptimizedFilters = true;
    int DbIndexPageSize = 0;
    enum RecordCache { rcNone, rcStandard, rcAggressive } DbRecordCache = rcStandard;
    enum OptFilterType { atDynamic, atKeySet, atFixed } DbOptFilterType = atDynamic;
    bool DbAutoKeyFieldCount = false;
    bool DbCalcFieldsBeforeFilter = false;
    enum RecordLockingMode { lmPessimistic, lmOptimistic } DbRecordLockingMode = lmPessimistic;
};

struct TDbeFieldDef {
    QString name;
    int16_t fieldNumber = 0;  // from 1
    int32_t offset = 0;
    int32_t length = 0;
    int16_t typeCode = 0;
    int16_t decimals = 0;
    bool modified = false;
    uint8_t permissions = 0;
};

struct TDbIndexDef {
    QString name;
    QString fields;  // upper-cased, joined with ';'
    bool unique = false;
    bool descending = false;
    bool primary = false;
};

class TDbStringField : public TStringField {
    Q_OBJECT
public:
    TDbStringField(TComponent *owner, int size) : TStringField(owner, size) {}
    bool CaseInsensitive = false;
};

class TDbBCDField : public TBCDField {
    Q_OBJECT
public:
    explicit TDbBCDField(TComponent *owner) : TBCDField(owner) {}
};

class TDbDataSet : public TDataSet {
    Q_OBJECT
    Q_PROPERTY(QString DatabaseName READ DatabaseName WRITE SetDatabaseName)
    Q_PROPERTY(QString IndexName READ IndexName WRITE SetIndexName)
    Q_PROPERTY(QString IndexFieldNames READ IndexFieldNames WRITE SetIndexFieldNames)

public:
    explicit TDbDataSet(TComponent *owner = nullptr);
    ~TDbDataSet() override;

    TDbConnection *DbConnection() const { return connection_; }
    void SetDbConnection(TDbConnection *connection);
    QString DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const QString &name);
    QString IndexName() const { return indexName_; }
    void SetIndexName(const QString &name);
    QString IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const QString &names);
    const std::vector<TDbIndexDef> &IndexDefs();
    TDbTableOptions &DbTableOptions() { return options_; }
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool e);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool r);
    TDbTableType TableType() const { return tableType_; }
    void SetTableType(TDbTableType t);
    bool Sequenced = false;
    TSequencedLevel SequencedLevel = TSequencedLevel::slStandard;
    bool Filtered = false;

    // The folder (or dictionary) path tables are opened from.
    QString DatabasePath();
    QString Version() const;

    int RecordCount() override;
    bool Locate(const QString &keyFields, const QVariant &keyValues,
                TLocateOptions options) override;
    QVariant Lookup(const QString &keyFields, const QVariant &keyValues,
                    const QString &resultFields) override;
    bool SeekKey(const QString &key, bool exact);
    std::unique_ptr<TDbBlobStream> CreateBlobStream(TField *field, TBlobStreamMode mode);

    uint32_t TableHandle() const { return tableHandle_; }
    uint32_t OrderHandle() const { return orderHandle_; }
    const std::vector<TDbeFieldDef> &EngineFieldDefs() const { return fieldDefs_; }

    bool GetFieldData(const TField *field, QVariant &value) override;
    void SetFieldData(TField *field, const QVariant &value) override;

    // Called by the connection.
    virtual void ConnectionClosed() {}
    void ForgetConnection();
    void ReadDictionaryDefaultIndex();
    void ApplyAliasTableType(int aliasType);
    // Called by a blob stream that wrote.
    void BlobWritten(TField *field);

    // Every cursor of the process.
    static QList<TDbDataSet *> AllCursors();

protected:
    // Opens the table and answers its handle.
    virtual uint32_t OpenTableHandle() = 0;
    virtual int64_t LastAutoincValue();

    void InternalOpen() override;
    void InternalClose() override;
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    TGetResult GetRecord(TRecordBuffer &buffer, TGetMode mode) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer &buffer) override;
    void InternalInitRecord(TRecordBuffer &buffer) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override;
    // Deletes the buffered record by its record number, wherever the engine
    // stands; the engine's DBE_E_RECORD_NOT_FOUND when it is gone, and
    // nothing is deleted.
    void InternalDelete() override;
    bool CanModify() const override;

    void Check(int32_t result) { DbeCheckResult(result); }
    void DbeCheckResult(int32_t result);
    bool IsDictionary() const { return connection_ && connection_->IsDictionaryConnection(); }

    TDbConnection *connection_ = nullptr;
    QString databaseName_;
    QString cachedPath_;
    bool exclusive_ = false;
    bool readOnly_ = false;
    TDbTableType tableType_ = TDbTableType::ttDbTBL;
    TDbTableOptions options_;
    uint32_t tableHandle_ = UINT32_MAX;
    uint32_t orderHandle_ = UINT32_MAX;

private:
    enum class IndexMode { None, ByName, ByFieldNames, DictionaryDefault };
    struct Search;

    TRecordBuffer *StateBuffer() const;
    TGetResult Fetch(TRecordBuffer &buffer, TGetMode mode);
    void AfterFetch(TRecordBuffer &buffer);
    void ReadIndexDefs();
    void SelectOrder();
    void ApplyIndexSelection(IndexMode mode, const QString &name, const QString &fieldNames);
    void EncodeValue(const TDbeFieldDef &def, TField *field, const QVariant &value, char *image);
    void EncodeNull(const TDbeFieldDef &def, char *image);
    bool DecodeValue(const TDbeFieldDef &def, const TField *field, const char *image,
                     QVariant &value);
    bool IsEmptyValue(const TDbeFieldDef &def, const char *image) const;
    TDbBlobCache *CacheFor(TRecordBuffer &buffer, const TField *field);
    void LoadCache(TDbBlobCache &cache, int fieldNumber, bool forced, uint32_t recordNumber);
    bool SearchRecord(const QStringList &keyFields, const QVariantList &values,
                      TLocateOptions options);
    uint32_t CurrentRecordNumber() const;
    uint16_t EngineTableType();

    QString indexName_;
    QString indexFieldNames_;
    IndexMode indexMode_ = IndexMode::None;
    QString dictionaryDefaultIndex_;
    uint32_t recordLength_ = 0;
    uint32_t bookmarkLength_ = 4;
    uint32_t openOptions_ = 0;
    bool canModify_ = false;
    std::vector<TDbeFieldDef> fieldDefs_;
    std::vector<int> blobFields_;  // indexes into fieldDefs_
    std::vector<TDbIndexDef> indexDefs_;
    bool indexDefsRead_ = false;
    QByteArray oldRecord_;
    uint32_t checksum_ = 0;
    uint32_t insertReturnRecord_ = 0;  // the record current before an insert
    bool insertAtEof_ = false;
    std::unique_ptr<TRecordBuffer> scratch_;  // the search's filter record
    bool createdFields_ = false;
};

class TDbExtendedDataSet : public TDbDataSet {
    Q_OBJECT
public:
    using TDbDataSet::TDbDataSet;
};

class TDbExtendedTable : public TDbExtendedDataSet {
    Q_OBJECT
public:
    using TDbExtendedDataSet::TDbExtendedDataSet;
};

class TDbTable : public TDbExtendedTable {
    Q_OBJECT
    Q_PROPERTY(QString TableName READ TableName WRITE SetTableName)

public:
    explicit TDbTable(TComponent *owner = nullptr) : TDbExtendedTable(owner) {}

    QString TableName() const { return tableName_; }
    void SetTableName(const QString &name);
    TIndexCollationMismatch IndexCollationMismatch = TIndexCollationMismatch::icmError;
    QString EncryptionPassword;
    QStringList IndexFiles;

protected:
    uint32_t OpenTableHandle() override;
    int64_t LastAutoincValue() override;

private:
    QString tableName_;
};
