// The article number check: the duplicate scan, the booked quantities,
// changing one article's number and deleting all duplicates but one per
// number.
#pragma once

#include "check_ui.h"
#include "result_table.h"

#include <QCollator>
#include <QHash>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TDbTable;

// Entries sorted by a locale comparison that ignores case; an entry goes in
// front of every entry that compares equal to it.
class TDuplicateList {
public:
    struct Entry {
        QString text;
        std::unique_ptr<TID> id;
        bool stale = false;  // its article is gone or carries another number
    };

    TDuplicateList();
    void Clear() { entries_.clear(); }
    void Add(const QString &text, std::unique_ptr<TID> id);
    int Count() const { return static_cast<int>(entries_.size()); }
    Entry &operator[](int i) { return entries_[static_cast<size_t>(i)]; }
    void Delete(int i) { entries_.erase(entries_.begin() + i); }
    // Entries whose text equals `text` exactly (case-sensitive).
    int CountExact(const QString &text) const;
    // The same, counting only entries whose article was found.
    int CountExisting(const QString &text) const;

private:
    QCollator collator_;
    std::vector<Entry> entries_;
};

class TArticleCheck {
public:
    static constexpr int kMaxDuplicates = 5000;

    TArticleCheck(TDbTable *articles, TDbTable *bookings, TResultTable *result, TCheckUi *ui);

    void CheckDuplicates();
    void FillBookedQuantities();
    // "Artikelnummer ändern".
    void ChangeNumber();
    void BuildDuplicateList();
    int CountInDuplicateList(const QString &text) const { return list_.CountExact(text); }
    // "Alle doppelten löschen".
    void DeleteDuplicates();
    // The IDs of the articles that "Alle doppelten löschen" would delete now,
    // by the same walk of the duplicate list, without deleting any. The list
    // is left as a delete run leaves it.
    QSet<int> DeletedByDeleteRun();

    TDuplicateList &DuplicateList() { return list_; }
    // The full article number of a result record (the result table keeps
    // only its first 30 characters).
    QString FullNumber(int id) const { return fullNumbers_.value(id); }

private:
    void AppendResult();
    // Makes the entry's article current; true when it exists and still
    // carries the entry's full number.
    bool LocateWithNumber(const TDuplicateList::Entry &entry);
    // The delete run's walk of the duplicate list, in list order: an entry
    // is deleted while more than one entry with exactly its number stands
    // for an existing article that still carries it, else passed over.
    // `decide` hears each decision with the entry's article current, before
    // a deleted entry leaves the list.
    using TDecision = std::function<void(const TDuplicateList::Entry &, bool remove)>;
    void WalkDeleteRun(const TDecision &decide);

    TDbTable *articles_;
    TDbTable *bookings_;
    TResultTable *km_;
    TCheckUi *ui_;
    TDuplicateList list_;
    QHash<int, QString> fullNumbers_;
};

// The verdict texts of a scan.
QString VerdictText(int count);
// The number as the booked quantity shows it.
QString QuantityText(double value);
