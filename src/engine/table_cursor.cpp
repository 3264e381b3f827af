#include "table_cursor.h"

#include "dbe.h"
#include "engine_error.h"

#include <cstring>
#include <map>
#include <mutex>

namespace dbe {

TableGeneration GenerationOf(const std::string &path) {
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<std::atomic<uint64_t>>> generations;
    std::lock_guard<std::mutex> lock(mutex);
    auto &slot = generations[path];
    if (auto g = slot.lock()) return g;
    auto g = std::make_shared<std::atomic<uint64_t>>(1);
    slot = g;
    return g;
}

TableCursor::TableCursor(std::unique_ptr<TableStore> store, uint32_t openOptions)
    : store_(std::move(store)), options_(openOptions), generation_(GenerationOf(store_->path())) {}

bool TableCursor::Passes(const Row &row) const {
    return (filter_.empty() || filter_.Matches(row, exact_)) &&
           (optFilter_.empty() || optFilter_.Matches(row, exact_));
}

void TableCursor::SetCurrent(Row row) {
    cur_ = std::move(row);
    imageValid_ = false;
    bof_ = eof_ = false;
    curGone_ = false;
    curGeneration_ = generation_->load(std::memory_order_relaxed);
}

void TableCursor::DropPending() {
    if (editing_ || appending_) imageValid_ = false;
    editing_ = appending_ = false;
    modified_.clear();
}

void TableCursor::Touch() {
    uint64_t g = generation_->fetch_add(1) + 1;
    curGeneration_ = g;
}

int32_t TableCursor::RefreshIfChanged() {
    if (!OnRecord() || appending_ || curGeneration_ == generation_->load()) return DBE_SUCCESS;
    std::optional<Row> fresh;
    if (int32_t rc = store_->Fetch(cur_.recno, fresh)) return rc;
    curGeneration_ = generation_->load();
    if (!fresh) {
        curGone_ = true;
    } else if (!editing_) {
        cur_ = std::move(*fresh);
        imageValid_ = false;
        curGone_ = false;
    }
    return DBE_SUCCESS;
}

// Rows come from the fetch-ahead while it continues from the current record
// in the same order and direction and no write of this process intervened;
// otherwise it is refilled from the current record's key. Refills grow from
// 16 rows up to the cache size, so a seek that reads one record stays cheap
// and a long walk costs one query per few hundred rows.
int32_t TableCursor::Next(int index, bool forward, bool &found) {
    found = false;
    const bool fromStart = forward ? bof_ : eof_;
    const uint64_t gen = generation_->load(std::memory_order_relaxed);
    bool continues = batch_.index == index && batch_.forward == forward &&
                     batch_.generation == gen && batch_.next > 0 && !fromStart && OnRecord() &&
                     batch_.rows[batch_.next - 1].recno == cur_.recno;
    if (!continues) {
        batch_.index = index;
        batch_.forward = forward;
        batch_.generation = gen;
        batch_.rows.clear();
        batch_.next = 0;
        batch_.complete = false;
        batch_.size = 16;
    }
    bool lastMoved = continues;  // the last delivered row now lives in cur_
    while (true) {
        while (batch_.next < batch_.rows.size()) {
            Row &r = batch_.rows[batch_.next++];
            if (!Passes(r)) {
                lastMoved = false;
                continue;
            }
            Row taken;
            taken.recno = r.recno;
            taken.values = std::move(r.values);
            SetCurrent(std::move(taken));
            found = true;
            return DBE_SUCCESS;
        }
        if (batch_.complete) return DBE_SUCCESS;
        Row last;
        const Row *from = nullptr;
        if (!batch_.rows.empty()) {
            if (lastMoved) {
                from = &cur_;
            } else {
                last = std::move(batch_.rows.back());
                from = &last;
            }
        } else if (!fromStart) {
            if (!OnRecord()) return DBE_SUCCESS;
            from = &cur_;
        }
        std::vector<Row> rows;
        int32_t rc = store_->Scan(index, from, forward, batch_.size, rows);
        // The rows before an unreadable one are delivered; the walk fails
        // when it reaches that one, and again each time it tries.
        if (rc && !(rc == DBE_E_UNREADABLE_TEXT && !rows.empty())) {
            batch_.index = -2;
            return rc;
        }
        batch_.complete = rc == DBE_SUCCESS && static_cast<int>(rows.size()) < batch_.size;
        batch_.size = std::min(batch_.size * 4, std::max(cacheSize_, 16));
        batch_.rows = std::move(rows);
        batch_.next = 0;
        lastMoved = false;
    }
}

int32_t TableCursor::GotoTop(int index) {
    DropPending();
    bof_ = true;
    eof_ = false;
    bool found;
    if (int32_t rc = Next(index, true, found)) return rc;
    if (!found) bof_ = eof_ = true;
    return DBE_SUCCESS;
}

int32_t TableCursor::GotoBottom(int index) {
    DropPending();
    eof_ = true;
    bof_ = false;
    bool found;
    if (int32_t rc = Next(index, false, found)) return rc;
    if (!found) bof_ = eof_ = true;
    return DBE_SUCCESS;
}

int32_t TableCursor::GotoBOF(int index) {
    (void)index;
    DropPending();
    bof_ = true;
    eof_ = false;
    return DBE_SUCCESS;
}

int32_t TableCursor::Skip(int index, int32_t count) {
    if (count == 0) return RefreshIfChanged();
    DropPending();
    const bool forward = count > 0;
    int64_t steps = count > 0 ? int64_t(count) : -int64_t(count);
    for (int64_t i = 0; i < steps; ++i) {
        const bool fromStart = forward ? bof_ : eof_;
        bool found;
        if (int32_t rc = Next(index, forward, found)) return rc;
        if (!found) {
            if (forward) {
                eof_ = true;
                bof_ = fromStart;
            } else {
                bof_ = true;
                eof_ = fromStart;
            }
            break;
        }
    }
    return DBE_SUCCESS;
}

int32_t TableCursor::GotoRecord(uint32_t recno) {
    std::optional<Row> row;
    if (int32_t rc = store_->Fetch(recno, row)) return rc;
    if (!row) return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(recno));
    DropPending();
    SetCurrent(std::move(*row));
    return DBE_SUCCESS;
}

int32_t TableCursor::IsVisible(uint16_t &visible) {
    visible = 0;
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    if (appending_) {
        visible = 1;
        return DBE_SUCCESS;
    }
    if (int32_t rc = RefreshIfChanged()) return rc;
    visible = !curGone_ && Passes(cur_);
    return DBE_SUCCESS;
}

int32_t TableCursor::Count(int index, uint16_t option, uint32_t &count) {
    (void)index;
    if (option == 1 && (!filter_.empty() || !optFilter_.empty())) {
        count = 0;
        std::vector<Row> rows;
        Row last;
        const Row *from = nullptr;
        do {
            if (int32_t rc = store_->Scan(-1, from, true, 1024, rows)) return rc;
            for (const auto &r : rows) count += Passes(r);
            if (!rows.empty()) {
                last = rows.back();
                from = &last;
            }
        } while (rows.size() == 1024);
        return DBE_SUCCESS;
    }
    return store_->Count(count);
}

int32_t TableCursor::KeyNumber(int index, uint32_t &number) {
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    uint32_t before = 0;
    if (int32_t rc = store_->CountBefore(index, cur_, before)) return rc;
    number = before + 1;
    return DBE_SUCCESS;
}

int32_t TableCursor::RelativeKeyPosition(int index, double &position) {
    uint32_t count = 0;
    if (int32_t rc = store_->Count(count)) return rc;
    if (count == 0) return Fail(DBE_E_NO_KEY_POSITION);
    if (bof_) {
        position = 0;
    } else if (eof_) {
        position = 1;
    } else {
        uint32_t number = 0;
        if (int32_t rc = KeyNumber(index, number)) return rc;
        position = count > 1 ? double(number - 1) / double(count - 1) : 0;
    }
    return DBE_SUCCESS;
}

void TableCursor::NullRecord(std::vector<unsigned char> &image) const {
    const Schema &s = schema();
    image.assign(s.recordLength, 0);
    image[0] = ' ';
    for (const auto &f : s.fields) EncodeImage(f, Value(), image.data() + f.offset);
}

int32_t TableCursor::GetRecord(unsigned char *out, uint32_t &length) {
    const Schema &s = schema();
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    if (curGone_ && !appending_) return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(cur_.recno));
    if (length < s.recordLength) {
        length = s.recordLength;
        return Fail(DBE_E_BUFFER_TOO_SMALL);
    }
    if (!imageValid_) {
        const Row &row = (editing_ || appending_) ? edit_ : cur_;
        image_.resize(s.recordLength);
        image_[0] = ' ';
        for (size_t i = 0; i < s.fields.size(); ++i)
            EncodeImage(s.fields[i], row.values[i], image_.data() + s.fields[i].offset);
        imageValid_ = true;
    }
    std::memcpy(out, image_.data(), s.recordLength);
    length = s.recordLength;
    return DBE_SUCCESS;
}

int32_t TableCursor::FieldValue(int field, Value &value) {
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    const bool pending = (editing_ || appending_) && modified_[field];
    if (pending || appending_) {
        value = edit_.values[field];
        return DBE_SUCCESS;
    }
    if (curGone_) return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(cur_.recno));
    const Row &row = editing_ ? edit_ : cur_;
    if (!IsBlobType(schema().fields[field].type) || IsNull(row.values[field])) {
        value = row.values[field];
        return DBE_SUCCESS;
    }
    std::optional<std::string> bytes;
    if (int32_t rc = store_->FetchBlob(row.recno, field, bytes)) return rc;
    if (bytes)
        value = std::move(*bytes);
    else
        value = Value();
    return DBE_SUCCESS;
}

int32_t TableCursor::IsEmpty(int field, bool &empty) {
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    const Row &row = (editing_ || appending_) ? edit_ : cur_;
    const Value &v = row.values[field];
    empty = IsNull(v) || (std::holds_alternative<std::string>(v) && std::get<std::string>(v).empty());
    return DBE_SUCCESS;
}

int32_t TableCursor::RecordCrc(uint32_t &crc) {
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    std::optional<Row> fresh;
    if (int32_t rc = store_->Fetch(cur_.recno, fresh)) return rc;
    if (!fresh) return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(cur_.recno));
    const Schema &s = schema();
    std::vector<unsigned char> image(s.recordLength);
    for (size_t i = 0; i < s.fields.size(); ++i)
        EncodeImage(s.fields[i], fresh->values[i], image.data() + s.fields[i].offset);
    uint32_t h = 2166136261u;
    for (unsigned char c : image) h = (h ^ c) * 16777619u;
    crc = h;
    return DBE_SUCCESS;
}

int32_t TableCursor::SetValue(int field, const Value &value) {
    if (options_ & DBE_READONLY) return Fail(DBE_E_READ_ONLY, store_->path());
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    if (curGone_ && !appending_) return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(cur_.recno));
    if (!editing_ && !appending_) {
        editing_ = true;
        edit_ = cur_;
        modified_.assign(schema().fields.size(), false);
    }
    Value v = value;
    if (IsBlobType(schema().fields[field].type) && std::holds_alternative<std::string>(v) &&
        std::get<std::string>(v).empty())
        v = Value();
    edit_.values[field] = std::move(v);
    modified_[field] = true;
    imageValid_ = false;
    return DBE_SUCCESS;
}

int32_t TableCursor::Append() {
    if (options_ & DBE_READONLY) return Fail(DBE_E_READ_ONLY, store_->path());
    uint32_t recno = 0;
    if (int32_t rc = store_->ReserveRecno(recno)) return rc;
    beforeAppendOn_ = OnRecord() && !appending_;
    if (beforeAppendOn_) beforeAppend_ = cur_;
    DropPending();
    Row fresh;
    fresh.recno = recno;
    fresh.values.resize(schema().fields.size());
    edit_ = fresh;
    modified_.assign(schema().fields.size(), false);
    appending_ = true;
    SetCurrent(std::move(fresh));
    return DBE_SUCCESS;
}

int32_t TableCursor::WriteGuarded(uint32_t recno, const std::function<int32_t()> &write) {
    if (store_->HoldsRecord(recno)) return write();
    if (!store_->LockRecord(recno))
        return Fail(DBE_E_RECORD_LOCKED, "record " + std::to_string(recno));
    int32_t rc = write();
    store_->UnlockRecord(recno);
    return rc;
}

int32_t TableCursor::Write() {
    if (!editing_ && !appending_) return DBE_SUCCESS;
    if (options_ & DBE_READONLY) return Fail(DBE_E_READ_ONLY, store_->path());
    int32_t rc;
    if (appending_)
        rc = store_->Insert(edit_, modified_);
    else
        rc = WriteGuarded(edit_.recno, [&] { return store_->Update(edit_, modified_); });
    if (rc) return rc;
    Row written = std::move(edit_);
    const Schema &s = schema();
    for (size_t i = 0; i < s.fields.size(); ++i)
        if (IsBlobType(s.fields[i].type) && !IsNull(written.values[i])) written.values[i] = int64_t(1);
    DropPending();
    Touch();
    SetCurrent(std::move(written));
    return DBE_SUCCESS;
}

int32_t TableCursor::Cancel() {
    if (appending_) {
        DropPending();
        if (beforeAppendOn_) {
            SetCurrent(beforeAppend_);
            return RefreshIfChanged();
        }
        bof_ = false;
        eof_ = true;
        return DBE_SUCCESS;
    }
    DropPending();
    return DBE_SUCCESS;
}

int32_t TableCursor::Delete() {
    if (options_ & DBE_READONLY) return Fail(DBE_E_READ_ONLY, store_->path());
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    if (appending_) return Cancel();
    if (curGone_) return Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(cur_.recno));
    DropPending();
    const uint32_t recno = cur_.recno;
    if (int32_t rc = WriteGuarded(recno, [&] { return store_->Remove(recno, StampNow()); }))
        return rc;
    Touch();
    curGone_ = true;
    return DBE_SUCCESS;
}

int32_t TableCursor::Recall(uint32_t recno) {
    if (options_ & DBE_READONLY) return Fail(DBE_E_READ_ONLY, store_->path());
    if (int32_t rc = store_->Recall(recno)) return rc;
    Touch();
    return DBE_SUCCESS;
}

int32_t TableCursor::Purge(uint32_t recno) {
    if (options_ & DBE_READONLY) return Fail(DBE_E_READ_ONLY, store_->path());
    if (int32_t rc = store_->Purge(recno)) return rc;
    Touch();
    return DBE_SUCCESS;
}

int32_t TableCursor::Lock(uint32_t recno) {
    if (recno == 0) {
        if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
        recno = cur_.recno;
    }
    if (appending_ && recno == cur_.recno) return DBE_SUCCESS;
    const bool held = store_->HoldsRecord(recno);
    if (!store_->LockRecord(recno))
        return Fail(DBE_E_RECORD_LOCKED, "record " + std::to_string(recno));
    // Whoever locks is about to change the record: give it the stored values.
    std::optional<Row> fresh;
    int32_t rc = store_->Fetch(recno, fresh);
    if (rc == DBE_SUCCESS && !fresh)
        rc = Fail(DBE_E_RECORD_NOT_FOUND, "record " + std::to_string(recno));
    if (rc) {
        if (!held) store_->UnlockRecord(recno);
        return rc;
    }
    if (OnRecord() && cur_.recno == recno && !editing_) SetCurrent(std::move(*fresh));
    return DBE_SUCCESS;
}

int32_t TableCursor::Unlock(uint32_t recno) {
    if (recno == 0) {
        if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
        recno = cur_.recno;
    }
    store_->UnlockRecord(recno);
    return DBE_SUCCESS;
}

int32_t TableCursor::IsLocked(uint32_t recno, bool &locked) {
    if (recno == 0) {
        if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
        recno = cur_.recno;
    }
    locked = store_->HoldsRecord(recno) || store_->LockedByOther(recno);
    return DBE_SUCCESS;
}

int32_t TableCursor::Seek(int index, const std::vector<Value> &key, bool partial, bool hard,
                          bool &found) {
    found = false;
    DropPending();
    const Schema &s = schema();
    const IndexDef &ix = s.indexes[index];
    std::vector<Row> rows;
    // A seek mostly wants one record (a lookup by key); a walk that follows
    // refills from there.
    int32_t rc = store_->Seek(index, key, partial, 2, rows);
    // Landing on an unreadable record fails; one further on is met by the
    // walk that follows.
    if (rc && !(rc == DBE_E_UNREADABLE_TEXT && !rows.empty())) return rc;
    batch_.index = index;
    batch_.forward = true;
    batch_.generation = generation_->load();
    batch_.rows = std::move(rows);
    batch_.next = 0;
    batch_.complete = rc == DBE_SUCCESS && static_cast<int>(batch_.rows.size()) < 2;
    batch_.size = 16;
    // Walk on from the sought position past rows the filter rejects.
    bof_ = false;
    eof_ = false;
    bool any = false;
    while (batch_.next < batch_.rows.size()) {
        Row &r = batch_.rows[batch_.next];
        ++batch_.next;
        if (!Passes(r)) continue;
        any = true;
        break;
    }
    if (!any && !batch_.complete && !batch_.rows.empty()) {
        SetCurrent(batch_.rows.back());
        if (int32_t rc = Next(index, true, any)) return rc;
        if (!any) {
            eof_ = true;
            return DBE_SUCCESS;
        }
    } else if (any) {
        SetCurrent(batch_.rows[batch_.next - 1]);
    }
    if (!any) {
        eof_ = true;
        return DBE_SUCCESS;
    }
    found = true;
    for (size_t i = 0; i < key.size() && found; ++i) {
        const FieldDef &f = s.fields[ix.fields[i]];
        const Value &have = cur_.values[ix.fields[i]];
        if (partial && i + 1 == key.size() && IsStringType(f.type)) {
            const auto &prefix = std::get<std::string>(key[i]);
            std::string h = IsNull(have) ? std::string() : std::get<std::string>(have);
            found = h.size() >= prefix.size() &&
                    ComparePadded(std::string_view(h).substr(0, prefix.size()), prefix,
                                  f.type == DBE_T_CISTRING) == 0;
        } else {
            found = CompareValues(f.type, have, key[i]) == 0;
        }
    }
    if (hard && !found) {
        bof_ = false;
        eof_ = true;
    }
    return DBE_SUCCESS;
}

int32_t TableCursor::SetFilter(std::string_view text, bool optimized, const std::string &dateFormat) {
    FilterExpr expr;
    std::string error;
    if (!expr.Parse(text, schema(), dateFormat, error))
        return Fail(DBE_E_FILTER_SYNTAX, error + ": " + std::string(text));
    (optimized ? optFilter_ : filter_) = std::move(expr);
    DropFetchAhead();
    batch_.index = -2;
    return DBE_SUCCESS;
}

void TableCursor::ClearFilter(bool optimized) {
    (optimized ? optFilter_ : filter_) = FilterExpr();
    batch_.index = -2;
}

const std::string *TableCursor::FilterText(bool optimized) const {
    const FilterExpr &f = optimized ? optFilter_ : filter_;
    return f.empty() ? nullptr : &f.text();
}

int32_t TableCursor::Evaluate(std::string_view text, const std::string &dateFormat, bool &result) {
    FilterExpr expr;
    std::string error;
    if (!expr.Parse(text, schema(), dateFormat, error))
        return Fail(DBE_E_FILTER_SYNTAX, error + ": " + std::string(text));
    if (!OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    result = expr.Matches((editing_ || appending_) ? edit_ : cur_, exact_);
    return DBE_SUCCESS;
}

}  // namespace dbe
