#include "auto_actions.h"

#include "component_stream.h"
#include "db_table.h"
#include "settings.h"

#include <array>
#include <utility>

namespace {

template <typename E, size_t N>
E EnumValue(const TStreamProperty &p, const std::array<const char *, N> &names) {
    if (p.Value.Type == TStreamValueType::vaIdent)
        for (size_t i = 0; i < N; ++i)
            if (p.Value.Text.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0) return E(i);
    throw EReadError(QStringLiteral("Invalid property value"));
}

bool BoolValue(const TStreamProperty &p) {
    if (p.Value.Type == TStreamValueType::vaTrue) return true;
    if (p.Value.Type == TStreamValueType::vaFalse) return false;
    throw EReadError(QStringLiteral("Invalid property value"));
}

const std::array<const char *, 3> kModeNames{"aa_none", "aa_manual", "aa_auto"};
const std::array<const char *, 3> kMailTypeNames{"aa_html", "aa_pdf", "aa_text"};

void SetItemProperty(TAutoActionItem &item, const TStreamProperty &p) {
    const auto is = [&](const char *name) { return p.Name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    const auto mode = [&] { return EnumValue<TAutoActionMode>(p, kModeNames); };
    if (is("PDFFileAfterClose")) item.PDFFileAfterClose = mode();
    else if (is("PDFFileAfterSave")) item.PDFFileAfterSave = mode();
    else if (is("WVLAfterSave")) item.WVLAfterSave = mode();
    else if (is("WVLAfterClose")) item.WVLAfterClose = mode();
    else if (is("PrintAfterSendClose")) item.PrintAfterSendClose = mode();
    else if (is("SendAfterPrintClose")) item.SendAfterPrintClose = BoolValue(p);
    else if (is("DefaultMailType")) item.DefaultMailType = EnumValue<TAutoActionMailType>(p, kMailTypeNames);
    else if (is("BCC")) {
        if (!p.Value.IsString()) throw EReadError(QStringLiteral("Invalid property value"));
        item.BCC = p.Value.Text;
    } else if (is("SLayout")) item.SLayout = BoolValue(p);
    else if (is("NextDocByClose")) item.NextDocByClose = BoolValue(p);
    else throw EReadError(QStringLiteral("Property %1 does not exist").arg(p.Name));
}

void ReadWrapper(TAutoActionItemsWrapper &wrapper, const TStreamComponent &c) {
    wrapper.Name = c.Name;
    for (const TStreamProperty &p : c.Properties) {
        if (p.Name.compare(QLatin1String("AutoActionItems"), Qt::CaseInsensitive) == 0) {
            if (p.Value.Type != TStreamValueType::vaCollection)
                throw EReadError(QStringLiteral("Invalid property value"));
            for (const TStreamCollectionItem &streamed : p.Value.Items) {
                TAutoActionItem &item = wrapper.AutoActionItems->Add();
                for (const TStreamProperty &ip : streamed.Properties) SetItemProperty(item, ip);
            }
        } else if (p.Name.compare(QLatin1String("Tag"), Qt::CaseInsensitive) == 0 && p.Value.IsInteger()) {
            wrapper.Tag = p.Value.Integer;
        } else {
            throw EReadError(QStringLiteral("Property %1 does not exist").arg(p.Name));
        }
    }
    // The wrapper owns no components, so a child could only come from a
    // different, unknown class.
    if (!c.Children.empty())
        throw EReadError(QStringLiteral("Class %1 not found").arg(c.Children.front().ClassName));
}

}  // namespace

void TCollectionItemBase::Assign(const TCollectionItemBase &source) {
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(source.ClassName(), ClassName()));
}

void TAutoActionItem::Assign(const TCollectionItemBase &source) {
    const auto *other = dynamic_cast<const TAutoActionItem *>(&source);
    if (!other) {
        TCollectionItemBase::Assign(source);
        return;
    }
    TAutoActionItems *owner = Collection();
    if (owner) owner->BeginUpdate();
    try {
        PDFFileAfterClose = other->PDFFileAfterClose;
        PDFFileAfterSave = other->PDFFileAfterSave;
        WVLAfterSave = other->WVLAfterSave;
        WVLAfterClose = other->WVLAfterClose;
        PrintAfterSendClose = other->PrintAfterSendClose;
        SendAfterPrintClose = other->SendAfterPrintClose;
        DefaultMailType = other->DefaultMailType;
        BCC = other->BCC;
        SLayout = other->SLayout;
        NextDocByClose = other->NextDocByClose;
    } catch (...) {
        if (owner) owner->EndUpdate();
        throw;
    }
    if (owner) owner->EndUpdate();
}

TAutoActionItem &TAutoActionItems::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EConvertError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return *items_[size_t(index)];
}

TAutoActionItem &TAutoActionItems::Add() {
    items_.push_back(std::make_unique<TAutoActionItem>(this));
    return *items_.back();
}

void TAutoActionItems::Clear() { items_.clear(); }

void TAutoActionItems::Assign(const TAutoActionItems &source) {
    BeginUpdate();
    try {
        Clear();
        for (const auto &item : source.items_) Add().Assign(*item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void ReadAutoActions(TAutoActionItems &items, TStream &stream) {
    items.Clear();
    try {
        TAutoActionItems streamed;
        TAutoActionItemsWrapper wrapper;
        wrapper.AutoActionItems = &streamed;
        stream.SetPosition(0);
        if (stream.Size() > 0) ReadWrapper(wrapper, ReadComponentStream(stream));
        items.Assign(streamed);
    } catch (...) {
        items.Clear();
        throw;
    }
}

void EnsureAutoActionCount(TAutoActionItems &items) {
    while (items.Count() < kAutoActionKinds) items.Add();
}

void LoadAutoActions(TAutoActionItems &items, TDbDataSet &cursor) {
    items.Clear();
    try {
        if (cursor.SeekKey(QStringLiteral("1511"), true)) {
            auto stream = OpenBlobForRead(cursor, QStringLiteral("MemoItem"));
            ReadAutoActions(items, *stream);
        }
    } catch (...) {
        // A damaged record must not stop the settings load; the defaults
        // below stand in for it.
    }
    EnsureAutoActionCount(items);
}

void LoadAutoActions(TSettings &settings, TDbDataSet &cursor, bool prepareFirst) {
    if (prepareFirst && !PrepareSettingsTable(settings, cursor)) return;
    LoadAutoActions(*settings.AutoActions, cursor);
}
