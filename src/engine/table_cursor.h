// One open table handle: its current record, the pending change, the
// fetch-ahead of rows in the order being walked, key buffers for seeks and
// the filter. All storage goes through the handle's TableStore.
#pragma once

#include "filter_expr.h"
#include "table_store.h"

#include <atomic>
#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dbe {

// Bumped by every write of any handle of this process on one table file, so
// that fetched-ahead rows of the other handles are dropped.
using TableGeneration = std::shared_ptr<std::atomic<uint64_t>>;
TableGeneration GenerationOf(const std::string &path);

struct KeyBuffer {
    std::vector<Value> values;      // per segment
    std::vector<int32_t> lengths;   // per segment: -1 unset, else the set length
};

class TableCursor {
public:
    TableCursor(std::unique_ptr<TableStore> store, uint32_t openOptions);

    const Schema &schema() const { return store_->schema(); }
    TableStore &store() { return *store_; }
    uint32_t openOptions() const { return options_; }
    void SetCacheSize(int records) { cacheSize_ = records < 1 ? 1 : records; }

    // Moving; `index` -1 is natural order.
    int32_t GotoTop(int index);
    int32_t GotoBottom(int index);
    int32_t GotoBOF(int index);
    int32_t Skip(int index, int32_t count);
    bool AtEOF() const { return eof_; }
    bool AtBOF() const { return bof_; }
    bool OnRecord() const { return !eof_ && !bof_; }
    int32_t GotoRecord(uint32_t recno);
    uint32_t RecordNumber() const { return OnRecord() ? cur_.recno : 0; }
    int32_t IsVisible(uint16_t &visible);
    int32_t Count(int index, uint16_t option, uint32_t &count);
    int32_t KeyNumber(int index, uint32_t &number);
    int32_t RelativeKeyPosition(int index, double &position);

    // Reading.
    int32_t GetRecord(unsigned char *out, uint32_t &length);
    void NullRecord(std::vector<unsigned char> &image) const;
    int32_t FieldValue(int field, Value &value);  // blob contents loaded
    int32_t IsEmpty(int field, bool &empty);
    int32_t RecordCrc(uint32_t &crc);

    // Writing.
    int32_t SetValue(int field, const Value &value);
    int32_t Append();
    int32_t Write();
    int32_t Cancel();
    int32_t Delete(); // into the journal of deleted records
    int32_t Recall(uint32_t recno);
    int32_t Purge(uint32_t recno);
    int32_t Lock(uint32_t recno);
    int32_t Unlock(uint32_t recno);
    int32_t IsLocked(uint32_t recno, bool &locked);

    // Seeking on an index with a decoded key.
    int32_t Seek(int index, const std::vector<Value> &key, bool partial, bool hard, bool &found);

    // Filters.
    int32_t SetFilter(std::string_view text, bool optimized, const std::string &dateFormat);
    void ClearFilter(bool optimized);
    const std::string *FilterText(bool optimized) const;
    void SetExact(bool exact) { exact_ = exact; }
    bool Exact() const { return exact_; }
    int32_t Evaluate(std::string_view text, const std::string &dateFormat, bool &result);

private:
    bool Passes(const Row &row) const;
    int32_t Next(int index, bool forward, bool &found);
    void SetCurrent(Row row);
    void DropFetchAhead() { batch_.rows.clear(); }
    void DropPending();
    int32_t RefreshIfChanged();
    void Touch();  // after a write of this handle
    int32_t WriteGuarded(uint32_t recno, const std::function<int32_t()> &write);

    std::unique_ptr<TableStore> store_;
    uint32_t options_;
    TableGeneration generation_;
    int cacheSize_ = 512;

    bool bof_ = true, eof_ = false;
    Row cur_;
    uint64_t curGeneration_ = 0;
    bool curGone_ = false;  // deleted through this handle or found missing

    bool editing_ = false, appending_ = false;
    Row edit_;
    std::vector<bool> modified_;
    Row beforeAppend_;
    bool beforeAppendOn_ = false;

    struct FetchAhead {
        int index = -2;
        bool forward = true;
        uint64_t generation = 0;
        std::vector<Row> rows;
        size_t next = 0;
        bool complete = false;
        int size = 16;
    } batch_;

    // The current record's image, encoded once for all the reads of one
    // position.
    std::vector<unsigned char> image_;
    bool imageValid_ = false;

    FilterExpr filter_, optFilter_;
    bool exact_ = false;
};

}  // namespace dbe
