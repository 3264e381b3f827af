// The automatic document actions (Ident 1511): one collection of items, one
// per document kind, stored as a component stream.
#pragma once

#include "setting_streams.h"

#include <QString>
#include <memory>
#include <vector>

class TDbDataSet;
class TSettings;

enum class TAutoActionMode : quint8 { aa_none = 0, aa_manual = 1, aa_auto = 2 };
enum class TAutoActionMailType : quint8 { aa_html = 0, aa_pdf = 1, aa_text = 2 };

class TAutoActionItems;

// The minimal collection item: an item knows its collection, and an
// assignment from an unrelated kind of item is refused.
class TCollectionItemBase {
public:
    explicit TCollectionItemBase(TAutoActionItems *collection) : collection_(collection) {}
    virtual ~TCollectionItemBase() = default;
    TCollectionItemBase(const TCollectionItemBase &) = delete;
    TCollectionItemBase &operator=(const TCollectionItemBase &) = delete;

    TAutoActionItems *Collection() const { return collection_; }
    // Raises EConvertError.
    virtual void Assign(const TCollectionItemBase &source);
    virtual QString ClassName() const { return QStringLiteral("TCollectionItem"); }

private:
    TAutoActionItems *collection_;
};

class TAutoActionItem : public TCollectionItemBase {
public:
    explicit TAutoActionItem(TAutoActionItems *collection) : TCollectionItemBase(collection) {}
    void Assign(const TCollectionItemBase &source) override;
    QString ClassName() const override { return QStringLiteral("TAutoActionItem"); }

    TAutoActionMode PDFFileAfterClose = TAutoActionMode::aa_none;
    TAutoActionMode PDFFileAfterSave = TAutoActionMode::aa_none;
    TAutoActionMode WVLAfterSave = TAutoActionMode::aa_none;
    TAutoActionMode WVLAfterClose = TAutoActionMode::aa_none;
    TAutoActionMode PrintAfterSendClose = TAutoActionMode::aa_none;
    bool SendAfterPrintClose = false;
    TAutoActionMailType DefaultMailType = TAutoActionMailType::aa_html;
    QString BCC;
    bool SLayout = false;
    bool NextDocByClose = false;
};

class TAutoActionItems {
public:
    TAutoActionItems() = default;
    TAutoActionItems(const TAutoActionItems &) = delete;
    TAutoActionItems &operator=(const TAutoActionItems &) = delete;

    int Count() const { return int(items_.size()); }
    TAutoActionItem &Items(int index) const;
    TAutoActionItem &Add();
    void Clear();
    // Replaces the items by copies of the source's, item by item.
    void Assign(const TAutoActionItems &source);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate() { --updateCount_; }
    int UpdateCount() const { return updateCount_; }

    quint8 Extra = 0;

private:
    std::vector<std::unique_ptr<TAutoActionItem>> items_;
    int updateCount_ = 0;
};

// Carries the collection through the component stream.
class TAutoActionItemsWrapper {
public:
    QString Name;
    qint64 Tag = 0;
    TAutoActionItems *AutoActionItems = nullptr;
};

constexpr int kAutoActionKinds = 14;

// Replaces the items by those in the stream (read from its start; an empty
// stream gives none). On any error the items are left empty and the error
// is raised again.
void ReadAutoActions(TAutoActionItems &items, TStream &stream);
// Appends default items until there are at least 14.
void EnsureAutoActionCount(TAutoActionItems &items);
// Ident 1511 of the settings table (cursor on its Ident index). A missing
// or damaged record gives 14 default items; never raises.
void LoadAutoActions(TAutoActionItems &items, TDbDataSet &cursor);
// The same for the settings object's items; with prepare first the cursor
// is made ready for key seeks before, and nothing happens when that fails.
void LoadAutoActions(TSettings &settings, TDbDataSet &cursor, bool prepareFirst);
