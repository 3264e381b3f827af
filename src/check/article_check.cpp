#include "article_check.h"

#include "db_table.h"
#include "exceptions.h"
#include "format_settings.h"

#include <QLocale>

namespace {

const QString kAbandon = QStringLiteral("<B>Abgebrochen.</B><BR>Es existieren mehr als 5000 doppelte Nummern.");
const QString kQuestion = QStringLiteral("Doppelte Artikel <b>jetzt löschen</b>?");

// Busy flag and busy cursor for one operation, given back also when the
// operation ends in an error.
class BusyScope {
public:
    BusyScope(TResultTable *km, TCheckUi *ui) : km_(km), ui_(ui) { km_->SetBusy(true); }
    void CursorOn() {
        ui_->BusyCursorOn();
        cursor_ = true;
    }
    ~BusyScope() {
        km_->SetBusy(false);
        if (cursor_) ui_->BusyCursorOff();
    }

private:
    TResultTable *km_;
    TCheckUi *ui_;
    bool cursor_ = false;
};

// The grid stops following the result table while an operation fills it.
class DisplaySuspended {
public:
    explicit DisplaySuspended(TDataSet *ds) : ds_(ds) { ds_->DisableControls(); }
    ~DisplaySuspended() { ds_->EnableControls(); }

private:
    TDataSet *ds_;
};

// The progress bar back at 0 when an operation ends, however it ends.
class ProgressReset {
public:
    explicit ProgressReset(TCheckUi *ui) : ui_(ui) {}
    ~ProgressReset() { ui_->SetProgressPosition(0); }

private:
    TCheckUi *ui_;
};

void Step(TCheckUi *ui) {
    ui->SetProgressPosition(ui->ProgressPosition() + 1);
    ui->ProcessMessages();
}

}  // namespace

QString VerdictText(int count) {
    if (count == 0) return QStringLiteral("<B>Alle Artikelnummern sind eindeutig.");
    return QStringLiteral("<B>Es existieren mindestens ") + QString::number(count) +
           QStringLiteral("<BR>doppelte Artikelnummern.");
}

QString QuantityText(double value) { return FloatToStr(value); }

// --- the duplicate list -------------------------------------------------------

TDuplicateList::TDuplicateList() : collator_(QLocale()) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

void TDuplicateList::Add(const QString &text, std::unique_ptr<TID> id) {
    // Bisection to the first entry that does not compare less.
    size_t lo = 0, hi = entries_.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (collator_.compare(entries_[mid].text, text) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(lo), Entry{text, std::move(id), false});
}

int TDuplicateList::CountExact(const QString &text) const {
    int n = 0;
    for (const Entry &e : entries_) n += e.text == text;
    return n;
}

int TDuplicateList::CountExisting(const QString &text) const {
    int n = 0;
    for (const Entry &e : entries_) n += e.text == text && !e.stale;
    return n;
}

// --- the check ----------------------------------------------------------------

TArticleCheck::TArticleCheck(TDbTable *articles, TDbTable *bookings, TResultTable *result, TCheckUi *ui)
    : articles_(articles), bookings_(bookings), km_(result), ui_(ui) {}

void TArticleCheck::AppendResult() {
    const int id = articles_->FieldByName(QStringLiteral("ID"))->AsInteger();
    const QString number = articles_->FieldByName(QStringLiteral("ARTN"))->AsString();
    km_->Append();
    km_->FieldByName(QStringLiteral("ID"))->SetAsInteger(id);
    km_->FieldByName(QStringLiteral("BZ"))->SetAsString(articles_->FieldByName(QStringLiteral("BZK"))->AsString());
    km_->FieldByName(QStringLiteral("ARTN"))->SetAsString(number);
    km_->Post();
    fullNumbers_.insert(id, number);
}

void TArticleCheck::CheckDuplicates() {
    BusyScope busy(km_, ui_);
    ProgressReset progressAtEnd(ui_);
    try {
        ui_->SetProgressPosition(0);
        ui_->SetProgressMax(articles_->RecordCount());
        km_->EmptyTable();
        fullNumbers_.clear();
        busy.CursorOn();
        DisplaySuspended suspended(km_);
        ui_->ProcessMessages();
        QString current, previous;
        int count = 0;
        bool first = true;
        articles_->SetIndexName(QStringLiteral("ARTN"));
        articles_->First();
        while (!articles_->Eof()) {
            current = articles_->FieldByName(QStringLiteral("ARTN"))->AsString();
            if (previous == current) {
                if (count >= kMaxDuplicates) {
                    ui_->ShowInfo(kAbandon);
                    break;
                }
                AppendResult();
                if (!first) {
                    // The predecessor belongs to the run too; the cursor goes
                    // back to the current record whatever happens there.
                    articles_->Prior();
                    try {
                        if (articles_->FieldByName(QStringLiteral("ARTN"))->AsString() == previous) {
                            // Every result record is in fullNumbers_: a lookup there
                            // answers as a walk of the result table would, without
                            // making the scan quadratic in the number of matches.
                            const int id = articles_->FieldByName(QStringLiteral("ID"))->AsInteger();
                            if (!fullNumbers_.contains(id)) {
                                AppendResult();
                                ++count;
                            }
                        }
                    } catch (...) {
                        articles_->Next();
                        throw;
                    }
                    articles_->Next();
                }
                ++count;
            }
            previous = current;
            Step(ui_);
            first = false;
            articles_->Next();
        }
        ui_->SetProgressPosition(0);
        ui_->SetStatus(VerdictText(count));
    } catch (...) {
        // A failed scan says nothing; the grid and the bar are restored by
        // the guards, the table keeps what was collected.
    }
}

void TArticleCheck::FillBookedQuantities() {
    BusyScope busy(km_, ui_);
    ProgressReset progressAtEnd(ui_);
    ui_->SetProgressPosition(0);
    ui_->SetProgressMax(km_->RecordCount());
    busy.CursorOn();
    DisplaySuspended suspended(km_);
    ui_->ProcessMessages();
    bookings_->SetIndexName(QStringLiteral("ID_ART"));
    km_->First();
    while (!km_->Eof()) {
        const int id = km_->FieldByName(QStringLiteral("ID"))->AsInteger();
        if (bookings_->Locate(QStringLiteral("ID_ART"), id, 0)) {
            const double booked = bookings_->FieldByName(QStringLiteral("STK"))->AsFloat();
            km_->Edit();
            TField *stk = km_->FieldByName(QStringLiteral("STK"));
            stk->SetAsString(QuantityText(TextToFloatOrZero(stk->AsString()) + booked));
            km_->Post();
        }
        Step(ui_);
        km_->Next();
    }
    ui_->SetProgressPosition(0);
    km_->First();
}

void TArticleCheck::ChangeNumber() {
    if (km_->Busy()) return;
    TField *heldNumber = km_->FieldByName(QStringLiteral("ARTN"));
    const std::optional<QString> input = ui_->InputNumber(heldNumber->AsString());
    if (!input || input->isEmpty() || *input == heldNumber->AsString()) return;
    const int id = km_->FieldByName(QStringLiteral("ID"))->AsInteger();
    if (!articles_->Locate(QStringLiteral("ID"), id, 0)) return;
    try {
        articles_->Edit();
        articles_->FieldByName(QStringLiteral("ARTN"))->SetAsString(*input);
        articles_->Post();
        fullNumbers_.insert(id, *input);
        km_->Edit();
        heldNumber->SetAsString(*input);
        km_->Post();
    } catch (const Exception &e) {
        // A refused change must not leave a pending edit or a record lock
        // behind for the next operation.
        try {
            articles_->Cancel();
        } catch (...) {
        }
        try {
            km_->Cancel();
        } catch (...) {
        }
        ui_->ShowInfo(QStringLiteral("<B>Fehler:</B><BR>") + e.message());
    }
}

void TArticleCheck::BuildDuplicateList() {
    list_.Clear();
    BusyScope busy(km_, ui_);
    ProgressReset progressAtEnd(ui_);
    ui_->SetProgressPosition(0);
    ui_->SetProgressMax(km_->RecordCount());
    busy.CursorOn();
    {
        DisplaySuspended suspended(km_);
        ui_->ProcessMessages();
        km_->First();
        while (!km_->Eof()) {
            km_->Edit();
            km_->FieldByName(QStringLiteral("DEL"))->SetAsBoolean(true);
            km_->Post();
            const int id = km_->FieldByName(QStringLiteral("ID"))->AsInteger();
            // Grouping follows the full number, not the 30 characters shown.
            const QString text = fullNumbers_.contains(id) ? fullNumbers_.value(id)
                                                           : km_->FieldByName(QStringLiteral("ARTN"))->AsString();
            list_.Add(text, std::make_unique<TID>(QString::number(id)));
            Step(ui_);
            km_->Next();
        }
        ui_->SetProgressPosition(0);
        km_->First();
    }
}

bool TArticleCheck::LocateWithNumber(const TDuplicateList::Entry &entry) {
    return articles_->Locate(QStringLiteral("ID"), entry.id->ID.toInt(), 0) &&
           articles_->FieldByName(QStringLiteral("ARTN"))->AsString() == entry.text;
}

void TArticleCheck::DeleteDuplicates() {
    BuildDuplicateList();
    if (list_.Count() == 0) return;
    if (!ui_->AskQuestion(kQuestion)) return;
    try {
        WalkDeleteRun([&](const TDuplicateList::Entry &entry, bool remove) {
            ui_->SetStatus(entry.text + (remove ? QStringLiteral(" <b>löschen..")
                                                : QStringLiteral(" <b>überspringen..")));
            if (remove) articles_->Delete();
        });
    } catch (...) {
        // The table changed part of the way: show what is left, then report.
        try {
            ui_->ClickCheckButton();
        } catch (...) {
        }
        throw;
    }
    ui_->ClickCheckButton();
}

QSet<int> TArticleCheck::DeletedByDeleteRun() {
    BuildDuplicateList();
    QSet<int> deleted;
    if (list_.Count() == 0) return deleted;
    WalkDeleteRun([&](const TDuplicateList::Entry &entry, bool remove) {
        if (remove) deleted.insert(entry.id->ID.toInt());
    });
    return deleted;
}

void TArticleCheck::WalkDeleteRun(const TDecision &decide) {
    BusyScope busy(km_, ui_);
    ProgressReset progressAtEnd(ui_);
    ui_->SetProgressPosition(0);
    ui_->SetProgressMax(list_.Count());
    busy.CursorOn();
    // While busy the grid neither follows nor moves the result table.
    DisplaySuspended suspended(km_);
    // An entry whose article is gone or carries another number by now
    // (deleted or renumbered on another workstation since the scan) must
    // not count for its number, or every existing article of that number
    // could be deleted.
    for (int i = 0; i < list_.Count(); ++i) {
        list_[i].stale = !LocateWithNumber(list_[i]);
        ui_->ProcessMessages();
    }
    int position = 0;
    while (position < list_.Count()) {
        TDuplicateList::Entry &entry = list_[position];
        const int n = list_.CountExisting(entry.text);
        bool found = false;
        if (n > 1 && !entry.stale) {
            // Looked at again right before the delete: the other
            // workstation may have renumbered it meanwhile.
            found = LocateWithNumber(entry);
            if (!found) entry.stale = true;
        }
        if (n > 1 && found) {
            decide(entry, true);
            list_.Delete(position);
        } else {
            decide(entry, false);
            ++position;
        }
        Step(ui_);
    }
}
