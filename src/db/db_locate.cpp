// Finding records: Locate, the lookup operation and SeekKey. A search uses
// an index whose leading key fields are exactly the searched fields, and
// falls back to a filter expression over the table.
#include "db_errors.h"
#include "db_record_buffer.h"
#include "db_table.h"
#include "db_table_internal.h"
#include "dbe_dispatch.h"
#include "text_codec.h"

using namespace dbtable;

namespace {

// The index's first k fields are exactly the k key fields, in any order.
bool Qualifies(const QStringList &indexFields, const QStringList &keyFields, QString &last) {
    const int k = static_cast<int>(keyFields.size());
    if (indexFields.size() < k) return false;
    QVector<bool> taken(k, false);
    for (const QString &key : keyFields) {
        int at = -1;
        for (int i = 0; i < indexFields.size() && at < 0; ++i)
            if (indexFields[i].compare(key.trimmed(), Qt::CaseInsensitive) == 0) at = i;
        if (at < 0 || at >= k || taken[at]) return false;
        taken[at] = true;
    }
    last = indexFields[k - 1].toUpper();
    return true;
}

} // namespace

bool TDbDataSet::SearchRecord(const QStringList &keyNames, const QVariantList &values,
                              TLocateOptions options) {
    CheckBrowseMode();
    uint32_t position = 0;
    {
        int32_t rc = Dbe().DbeGetBookmark(tableHandle_, &position);
        if (rc == 5068)
            position = 0;
        else
            Check(rc);
    }
    QList<TField *> keys;
    for (const QString &n : keyNames)
        keys.append(FieldByName(n.trimmed()));

    DbRecordBuffer &scratch = static_cast<DbRecordBuffer &>(*scratch_);
    const TDataSetState saved = SetTempState(TDataSetState::dsFilter);
    bool filterTouched = false, optSetBefore = false, plainSetBefore = false, exactSaved = false;
    uint16_t oldExact = 0;
    auto restoreFilters = [&] {
        if (exactSaved) Dbe().DbeSetExact(tableHandle_, oldExact);
        if (filterTouched) {
            if (!optSetBefore)
                Dbe().DbeClearOptFilter(tableHandle_);
            else if (!plainSetBefore)
                Dbe().DbeClearFilter(tableHandle_);
        }
    };
    try {
        Check(Dbe().DbeClearRecordBuffer(tableHandle_, scratch.image.data(),
                                         uint32_t(scratch.image.size())));
        for (auto &d : fieldDefs_)
            d.modified = false;
        for (int i = 0; i < keys.size(); ++i)
            keys[i]->SetValue(values.value(i));

        // An index, unless the search ignores case.
        uint32_t index = 0;
        QString lastKeyField;
        if (!(options & loCaseInsensitive)) {
            auto usable = [&](uint32_t h, bool active) {
                char buf[8];
                uint16_t len = 0;
                int32_t rc = Dbe().DbeGetScope(h, 1, buf, &len);
                bool scoped = rc != 5038;
                len = 0;
                rc = Dbe().DbeGetScope(h, 2, buf, &len);
                scoped = scoped || rc != 5038;
                len = 0;
                bool condition = Dbe().DbeGetIndexCondition(h, nullptr, &len) == 5005;
                uint16_t unique = 0, custom = 0;
                Dbe().DbeIsIndexUnique(h, &unique);
                bool isCustom = Dbe().DbeIsIndexCustom(h, &custom) != 5017 && custom;
                bool uniqueElsewhere = unique && tableType_ != TDbTableType::ttDbTBL;
                (void)active;
                return !(scoped || condition || isCustom || uniqueElsewhere);
            };
            QStringList activeFields;
            bool activeRestricted = false;
            if (orderHandle_ != tableHandle_) {
                if (!indexFieldNames_.isEmpty()) {
                    activeFields = indexFieldNames_.toUpper().split(u';');
                } else {
                    const QString name =
                        indexName_.compare(QLatin1String("DB_DEFAULT"), Qt::CaseInsensitive) == 0
                            ? dictionaryDefaultIndex_
                            : indexName_;
                    for (const auto &d : IndexDefs())
                        if (d.name.compare(name, Qt::CaseInsensitive) == 0)
                            activeFields = d.fields.split(u';');
                }
                activeRestricted = !usable(orderHandle_, true);
                if (Qualifies(activeFields, keyNames, lastKeyField)) index = orderHandle_;
            }
            if (!index && !activeRestricted) {
                uint16_t count = 0;
                Check(Dbe().DbeGetNumIndexes(tableHandle_, &count));
                std::vector<uint32_t> handles(count);
                if (count) Check(Dbe().DbeGetAllIndexes(tableHandle_, handles.data(), &count));
                for (uint16_t i = 0; i < count && !index; ++i) {
                    char name[261] = {};
                    uint16_t len = 260;
                    Check(Dbe().DbeGetIndexName(handles[i], name, &len));
                    uint16_t segments = 0;
                    Check(Dbe().DbeGetNumSegments(handles[i], &segments));
                    QStringList fields;
                    for (uint16_t s = 1; s <= segments; ++s) {
                        char field[511] = {};
                        uint16_t flen = 510;
                        Check(Dbe().DbeGetSegmentFieldname(handles[i], s, field, &flen));
                        fields << TextOut(field, sizeof field);
                    }
                    if (usable(handles[i], false) && Qualifies(fields, keyNames, lastKeyField))
                        index = handles[i];
                }
            }
        }

        bool found = false;
        if (index) {
            Check(Dbe().DbeInitRawKey(index));
            for (TField *key : keys) {
                const TDbeFieldDef &d = fieldDefs_[key->FieldNo() - 1];
                const char *value = scratch.image.constData() + d.offset;
                QByteArray name = Ansi(d.name);
                if (IsStringCode(d.typeCode)) {
                    uint32_t length = uint32_t(d.length);
                    if ((options & loPartialKey) && d.name.toUpper() == lastKeyField)
                        while (length > 0 &&
                               (value[length - 1] == ' ' || value[length - 1] == '\0'))
                            --length;
                    Check(Dbe().DbeSetField(index, name.constData(), value, length));
                } else {
                    Check(Dbe().DbeSetFieldRaw(index, name.constData(), value, uint32_t(d.length)));
                }
            }
            char key[4083];
            uint16_t keyLength = 4082;
            Check(Dbe().DbeBuildRawKey(index, key, &keyLength));
            uint16_t f = 0;
            Check(Dbe().DbeSeek(index, key, keyLength, 1, 1, &f));
            found = f != 0;
        } else {
            QStringList terms;
            for (TField *key : keys) {
                const TDbeFieldDef &d = fieldDefs_[key->FieldNo() - 1];
                if (key->IsNull()) {
                    terms << QStringLiteral("(empty(") + d.name + QStringLiteral("))");
                    continue;
                }
                const QString text = key->AsString();
                QString value;
                switch (d.typeCode) {
                case 1:
                    value = key->AsBoolean() ? QStringLiteral(".TRUE.") : QStringLiteral(".FALSE.");
                    break;
                case 3:
                case 9:
                    value = QStringLiteral("ctod(\"") + text + QStringLiteral("\")");
                    break;
                case 13:
                    value = QStringLiteral("ctot(\"") + text + QStringLiteral("\")");
                    break;
                case 14:
                    value = QStringLiteral("ctots(\"") + text + QStringLiteral("\")");
                    break;
                case 4:
                case 20: {
                    QString quoted = text;
                    quoted.replace(u'"', QStringLiteral("\"+ Chr(34) + \""));
                    value = u'"' + quoted + u'"';
                    break;
                }
                default:
                    value = text;
                }
                if (IsStringCode(d.typeCode) && (options & loCaseInsensitive))
                    terms << QStringLiteral("(UPPER(") + d.name + QStringLiteral(")=UPPER(") +
                                 value + QStringLiteral("))");
                else
                    terms << u'(' + d.name + u'=' + value + u')';
            }
            const QByteArray expression = Ansi(terms.join(QStringLiteral(" AND ")));
            if (State() != TDataSetState::dsFilter)
                RaiseLayerError(this, QStringLiteral("Internal Error, << BuildFilterString >>"));
            uint16_t len = 0;
            int32_t rc = Dbe().DbeGetOptFilter(tableHandle_, nullptr, &len);
            if (rc != 5005 && rc != 5037) Check(rc);
            optSetBefore = rc == 5005;
            len = 0;
            rc = Dbe().DbeGetFilter(tableHandle_, nullptr, &len);
            if (rc != 5005 && rc != 5037) Check(rc);
            plainSetBefore = rc == 5005;
            Check(Dbe().DbeGetExact(tableHandle_, &oldExact));
            exactSaved = true;
            Check(Dbe().DbeSetExact(tableHandle_, (options & loPartialKey) ? 0 : 1));
            if (optSetBefore && plainSetBefore) {
                Check(Dbe().DbeGotoTop(orderHandle_));
                uint16_t eof = 0;
                Check(Dbe().DbeAtEOF(tableHandle_, &eof));
                while (!eof) {
                    uint16_t result = 0;
                    Check(Dbe().DbeEvalLogicalExpr(orderHandle_, expression.constData(), &result));
                    if (result == 1) {
                        found = true;
                        break;
                    }
                    Check(Dbe().DbeSkip(orderHandle_, 1));
                    Check(Dbe().DbeAtEOF(tableHandle_, &eof));
                }
            } else {
                filterTouched = true;
                if (optSetBefore)
                    Check(Dbe().DbeSetFilter(tableHandle_, expression.constData()));
                else
                    Check(Dbe().DbeSetOptFilter(tableHandle_, expression.constData(), 2));
                Check(Dbe().DbeGotoTop(orderHandle_));
                uint16_t eof = 0;
                Check(Dbe().DbeAtEOF(tableHandle_, &eof));
                found = !eof;
            }
            restoreFilters();
            exactSaved = filterTouched = false;
        }
        RestoreState(saved);
        if (!found && position) {
            int32_t rc = Dbe().DbeGotoBookmark(tableHandle_, position);
            if (rc != 5022) Check(rc);
        }
        return found;
    } catch (...) {
        RestoreState(saved);
        restoreFilters();
        if (position) Dbe().DbeGotoBookmark(tableHandle_, position);
        throw;
    }
}

bool TDbDataSet::Locate(const QString &keyFields, const QVariant &keyValues,
                        TLocateOptions options) {
    CheckActive();
    Fire(BeforeScroll, this);
    const QStringList names = keyFields.split(u';');
    const QVariantList values = names.size() == 1
                                    ? QVariantList{keyValues.typeId() == QMetaType::QVariantList
                                                       ? keyValues.toList().value(0)
                                                       : keyValues}
                                    : keyValues.toList();
    const bool found = SearchRecord(names, values, options);
    if (found) {
        ResyncCurrent();
        Fire(AfterScroll, this);
    } else {
        CursorPosChanged();
    }
    return found;
}

QVariant TDbDataSet::Lookup(const QString &keyFields, const QVariant &keyValues,
                            const QString &resultFields) {
    CheckActive();
    const QStringList names = keyFields.split(u';');
    const QVariantList values = names.size() == 1 ? QVariantList{keyValues} : keyValues.toList();
    for (const QVariant &v : values)
        if (!v.isValid() || v.isNull()) return QVariant();
    QVariant result;
    if (SearchRecord(names, values, 0)) {
        if (Fetch(*scratch_, TGetMode::gmCurrent) == TGetResult::grOK) {
            const TDataSetState saved = SetTempState(TDataSetState::dsFilter);
            try {
                const QStringList wanted = resultFields.split(u';');
                if (wanted.size() == 1) {
                    result = FieldByName(wanted[0].trimmed())->Value();
                } else {
                    QVariantList list;
                    for (const QString &w : wanted)
                        list << FieldByName(w.trimmed())->Value();
                    result = list;
                }
            } catch (...) {
                RestoreState(saved);
                throw;
            }
            RestoreState(saved);
        }
    }
    CursorPosChanged();
    return result;
}

bool TDbDataSet::SeekKey(const QString &key, bool exact) {
    CheckActive();
    CheckBrowseMode();
    QByteArray bytes = Ansi(key);
    if (bytes.size() > 4082) bytes.truncate(4082);
    const uint32_t order = orderHandle_ == tableHandle_ ? UINT32_MAX : orderHandle_;
    uint16_t found = 0;
    int32_t rc =
        Dbe().DbeSeek(order, bytes.constData(), uint16_t(bytes.size()), 2, exact ? 2 : 1, &found);
    if (rc != 5068) Check(rc);
    uint16_t eof = 0, bof = 0;
    rc = Dbe().DbeAtEOF(tableHandle_, &eof);
    if (rc != 5068) Check(rc);
    rc = Dbe().DbeAtBOF(tableHandle_, &bof);
    if (rc != 5068) Check(rc);
    CursorPosChanged();
    if (bof)
        First();
    else if (eof)
        Last();
    else
        Resync();
    return found != 0;
}
