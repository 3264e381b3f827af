// A table cursor's indexes: reading their definitions, and choosing the
// order the cursor walks in (by tag, by field names, or the dictionary's
// default index).
#include "db_table.h"

#include "db_errors.h"
#include "db_table_internal.h"
#include "dbe_dispatch.h"

using namespace dbtable;

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
    case IndexMode::None:
        orderHandle_ = tableHandle_;
        break;
    case IndexMode::ByName:
        Check(Dbe().DbeGetIndexHandle(tableHandle_, Ansi(indexName_).constData(), &orderHandle_));
        break;
    case IndexMode::ByFieldNames: {
        const QString wanted = indexFieldNames_.toUpper();
        const TDbIndexDef *found = nullptr;
        for (const auto &d : indexDefs_)
            if (d.fields == wanted) found = &d;
        if (!found)
            RaiseLayerError(this,
                            QStringLiteral("Not a valid index field name:") + indexFieldNames_);
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

void TDbDataSet::ApplyIndexSelection(IndexMode mode, const QString &name,
                                     const QString &fieldNames) {
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
                     : name.compare(QLatin1String("DB_DEFAULT"), Qt::CaseInsensitive) == 0
                         ? IndexMode::DictionaryDefault
                         : IndexMode::ByName;
    ApplyIndexSelection(mode, name, QString());
}

void TDbDataSet::SetIndexFieldNames(const QString &names) {
    ApplyIndexSelection(names.isEmpty() ? IndexMode::None : IndexMode::ByFieldNames, QString(),
                        names);
}

void TDbDataSet::ReadDictionaryDefaultIndex() {
    auto *table = qobject_cast<TDbTable *>(this);
    if (!table || !IsDictionary() || !connection_->IsConnected()) return;
    char value[201] = {};
    uint16_t length = 200;
    int32_t rc = Dbe().DbeDictGetTableProperty(
        connection_->ConnectionHandle(), Ansi(table->TableName()).constData(), 213, value, &length);
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
