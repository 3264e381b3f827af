// The component stream reader on every value type and on refused input,
// and the automatic document actions read from it.
#include "auto_actions.h"
#include "component_stream.h"
#include "db_fixture.h"
#include "settings.h"

#include <QtEndian>
#include <cstring>
#include <functional>

namespace {

// Writes streams the way the host suite does; tests compose them by hand.
class StreamWriter {
public:
    StreamWriter &Raw(const QByteArray &b) { out += b; return *this; }
    StreamWriter &Byte(quint8 b) { out += char(b); return *this; }
    template <typename T>
    StreamWriter &Le(T v) {
        char b[sizeof(T)];
        qToLittleEndian<T>(v, b);
        out += QByteArray(b, sizeof b);
        return *this;
    }
    StreamWriter &Short(const QByteArray &s) { return Byte(quint8(s.size())).Raw(s); }
    StreamWriter &Signature() { return Raw("TPF0"); }
    StreamWriter &Begin(const QByteArray &cls, const QByteArray &name) { return Short(cls).Short(name); }
    StreamWriter &End() { return Byte(0); }
    StreamWriter &Ident(const QByteArray &prop, const QByteArray &v) { return Short(prop).Byte(7).Short(v); }
    StreamWriter &Bool(const QByteArray &prop, bool v) { return Short(prop).Byte(v ? 9 : 8); }
    StreamWriter &Str(const QByteArray &prop, const QByteArray &v) { return Short(prop).Byte(6).Short(v); }

    QByteArray out;
};

struct ActionItem {
    QByteArray mode = "aa_none", mail = "aa_html", bcc;
    bool flag = false;
    QByteArray unknownProperty;  // written in addition when set
};

void WriteItem(StreamWriter &w, const ActionItem &it) {
    w.Byte(1);
    for (const char *p : {"PDFFileAfterClose", "PDFFileAfterSave", "WVLAfterSave", "WVLAfterClose",
                          "PrintAfterSendClose"})
        w.Ident(p, it.mode);
    w.Bool("SendAfterPrintClose", it.flag).Ident("DefaultMailType", it.mail).Str("BCC", it.bcc);
    w.Bool("SLayout", it.flag).Bool("NextDocByClose", it.flag);
    if (!it.unknownProperty.isEmpty()) w.Bool(it.unknownProperty, true);
    w.End();
}

QByteArray ActionsStream(const std::vector<ActionItem> &items) {
    StreamWriter w;
    w.Signature().Begin("TAutoActionItemsWrapper", "Wrapper");
    w.Short("AutoActionItems").Byte(14);
    for (const ActionItem &it : items) WriteItem(w, it);
    w.End();   // collection
    w.End();   // properties
    w.End();   // children
    return w.out;
}

TStreamComponent Read(const QByteArray &bytes) {
    TMemoryStream s(bytes);
    return ReadComponentStream(s);
}

// One component whose only property is the given value.
QByteArray WithValue(const std::function<void(StreamWriter &)> &value) {
    StreamWriter w;
    w.Signature().Begin("TX", "x").Short("P");
    value(w);
    w.End().End();
    return w.out;
}

}  // namespace

TEST(ComponentStream, EveryValueType) {
    struct Case {
        const char *what;
        std::function<void(StreamWriter &)> write;
        std::function<void(const TStreamValue &)> check;
    };
    const auto textIs = [](const char16_t *t) {
        return [t](const TStreamValue &v) { EXPECT_EQ(v.Text, QString::fromUtf16(t)); };
    };
    const auto intIs = [](qint64 n) {
        return [n](const TStreamValue &v) { EXPECT_TRUE(v.IsInteger()); EXPECT_EQ(v.Integer, n); };
    };
    const auto floatIs = [](double d) { return [d](const TStreamValue &v) { EXPECT_DOUBLE_EQ(v.Float, d); }; };
    const auto typeIs = [](TStreamValueType t) { return [t](const TStreamValue &v) { EXPECT_EQ(v.Type, t); }; };
    const std::vector<Case> cases{
        {"null", [](StreamWriter &w) { w.Byte(0); }, typeIs(TStreamValueType::vaNull)},
        {"int8", [](StreamWriter &w) { w.Byte(2).Le<qint8>(-5); }, intIs(-5)},
        {"int16", [](StreamWriter &w) { w.Byte(3).Le<qint16>(-30000); }, intIs(-30000)},
        {"int32", [](StreamWriter &w) { w.Byte(4).Le<qint32>(0x12345678); }, intIs(0x12345678)},
        {"int64", [](StreamWriter &w) { w.Byte(19).Le<qint64>(-(qint64(1) << 40)); }, intIs(-(qint64(1) << 40))},
        // 1.5 as an 80-bit extended: mantissa 0xC000..., exponent 16383.
        {"extended", [](StreamWriter &w) { w.Byte(5).Le<quint64>(0xC000000000000000ULL).Le<quint16>(0x3FFF); }, floatIs(1.5)},
        {"negative extended", [](StreamWriter &w) { w.Byte(5).Le<quint64>(0x8000000000000000ULL).Le<quint16>(0xC001); }, floatIs(-4.0)},
        {"single", [](StreamWriter &w) { float f = 2.25f; quint32 b; std::memcpy(&b, &f, 4); w.Byte(15).Le<quint32>(b); }, floatIs(2.25)},
        {"currency", [](StreamWriter &w) { w.Byte(16).Le<qint64>(123456); }, floatIs(12.3456)},
        {"date", [](StreamWriter &w) { double d = 45000.5; quint64 b; std::memcpy(&b, &d, 8); w.Byte(17).Le<quint64>(b); }, floatIs(45000.5)},
        {"string in Windows-1252", [](StreamWriter &w) { w.Byte(6).Short("Gr\xfc\xdf" "e"); }, textIs(u"Grüße")},
        {"identifier", [](StreamWriter &w) { w.Byte(7).Short("aa_auto"); }, textIs(u"aa_auto")},
        {"long string", [](StreamWriter &w) { w.Byte(12).Le<qint32>(3).Raw("\x80xy"); }, textIs(u"€xy")},
        {"wide string", [](StreamWriter &w) { w.Byte(18).Le<qint32>(2).Le<quint16>(0x20AC).Le<quint16>('a'); }, textIs(u"€a")},
        {"utf-8 string", [](StreamWriter &w) { w.Byte(20).Le<qint32>(3).Raw("\xe2\x82\xac"); }, textIs(u"€")},
        {"false", [](StreamWriter &w) { w.Byte(8); }, typeIs(TStreamValueType::vaFalse)},
        {"true", [](StreamWriter &w) { w.Byte(9); }, typeIs(TStreamValueType::vaTrue)},
        {"nil", [](StreamWriter &w) { w.Byte(13); }, typeIs(TStreamValueType::vaNil)},
        {"binary with a zero byte", [](StreamWriter &w) { w.Byte(10).Le<qint32>(3).Raw(QByteArray("a\0b", 3)); },
         [](const TStreamValue &v) { EXPECT_EQ(v.Bytes, QByteArray("a\0b", 3)); }},
        {"set", [](StreamWriter &w) { w.Byte(11).Short("fsBold").Short("fsItalic").Byte(0); },
         [](const TStreamValue &v) { EXPECT_EQ(v.SetItems, (QStringList{"fsBold", "fsItalic"})); }},
        {"empty set", [](StreamWriter &w) { w.Byte(11).Byte(0); },
         [](const TStreamValue &v) { EXPECT_EQ(v.Type, TStreamValueType::vaSet); EXPECT_TRUE(v.SetItems.isEmpty()); }},
        {"nested list", [](StreamWriter &w) { w.Byte(1).Byte(2).Le<qint8>(1).Byte(1).Byte(9).Byte(0).Byte(0); },
         [](const TStreamValue &v) {
             ASSERT_EQ(v.List.size(), 2u);
             EXPECT_EQ(v.List[0].Integer, 1);
             ASSERT_EQ(v.List[1].List.size(), 1u);
             EXPECT_EQ(v.List[1].List[0].Type, TStreamValueType::vaTrue);
         }},
        {"collection with and without order", [](StreamWriter &w) {
             w.Byte(14).Byte(3).Le<qint16>(7).Byte(1).Bool("A", true).End().Byte(1).End().End();
         },
         [](const TStreamValue &v) {
             ASSERT_EQ(v.Items.size(), 2u);
             EXPECT_TRUE(v.Items[0].HasOrder);
             EXPECT_EQ(v.Items[0].Order, 7);
             ASSERT_EQ(v.Items[0].Properties.size(), 1u);
             EXPECT_EQ(v.Items[0].Properties[0].Name, QStringLiteral("A"));
             EXPECT_FALSE(v.Items[1].HasOrder);
             EXPECT_TRUE(v.Items[1].Properties.empty());
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TStreamComponent comp = Read(WithValue(c.write));
        ASSERT_EQ(comp.Properties.size(), 1u);
        EXPECT_EQ(comp.Properties[0].Name, QStringLiteral("P"));
        c.check(comp.Properties[0].Value);
    }
}

TEST(ComponentStream, FilerFlagsAndChildren) {
    StreamWriter w;
    w.Signature().Begin("TForm", "F").End();
    w.Byte(0xF2).Byte(2).Le<qint8>(3).Begin("TButton", "B1").Bool("Visible", false).End().End();
    w.Byte(0xF1).Begin("TLabel", "L").End().End();
    w.End();
    const TStreamComponent c = Read(w.out);
    EXPECT_EQ(c.ClassName, QStringLiteral("TForm"));
    EXPECT_EQ(c.Name, QStringLiteral("F"));
    ASSERT_EQ(c.Children.size(), 2u);
    EXPECT_TRUE(c.Children[0].HasChildPos);
    EXPECT_EQ(c.Children[0].ChildPos, 3);
    EXPECT_EQ(c.Children[0].ClassName, QStringLiteral("TButton"));
    ASSERT_EQ(c.Children[0].Properties.size(), 1u);
    EXPECT_EQ(c.Children[1].FilerFlags, 1);
    EXPECT_FALSE(c.Children[1].HasChildPos);
    EXPECT_EQ(c.Children[1].Name, QStringLiteral("L"));
}

TEST(ComponentStream, RefusedInput) {
    struct Case {
        const char *what;
        QByteArray bytes;
    };
    const QByteArray good = WithValue([](StreamWriter &w) { w.Byte(2).Le<qint8>(1); });
    const std::vector<Case> cases{
        {"empty", {}},
        {"wrong signature", "TPF1" + good.mid(4)},
        {"unknown value type 21", WithValue([](StreamWriter &w) { w.Byte(21); })},
        {"unknown value type 255", WithValue([](StreamWriter &w) { w.Byte(255); })},
        {"truncated int32", WithValue([](StreamWriter &w) { w.Byte(4).Byte(1); }).chopped(2)},
        {"negative long string length", WithValue([](StreamWriter &w) { w.Byte(12).Le<qint32>(-1); })},
        {"long string past the end", WithValue([](StreamWriter &w) { w.Byte(12).Le<qint32>(1000).Raw("ab"); })},
        {"collection item without list marker", WithValue([](StreamWriter &w) { w.Byte(14).Byte(9).Byte(0); })},
        {"missing end of properties", good.chopped(2)},
        {"missing end of children", good.chopped(1)},
        {"empty class name", QByteArray("TPF0\0\0\0\0", 8)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(Read(c.bytes), EReadError);
    }
    EXPECT_NO_THROW(Read(good));
}

namespace {

// Nested component levels, the component itself the first: a property
// holding lists in lists, collections whose items hold collections, or
// children of children.
QByteArray NestedLists(int levels) {
    return WithValue([&](StreamWriter &w) {
        for (int i = 1; i < levels; ++i)
            w.Byte(1);
        for (int i = 1; i < levels; ++i)
            w.End();
    });
}

QByteArray NestedCollections(int levels) {
    return WithValue([&](StreamWriter &w) {
        for (int i = 1; i < levels; ++i) {
            w.Byte(14).Byte(1);
            if (i + 1 < levels) w.Short("P");
        }
        for (int i = 1; i < levels; ++i)
            w.End().End();
    });
}

QByteArray NestedChildren(int levels) {
    StreamWriter w;
    w.Signature();
    for (int i = 0; i < levels; ++i)
        w.Begin("TX", "x").End();
    for (int i = 0; i < levels; ++i)
        w.End();
    return w.out;
}

}  // namespace

// A damaged memo may claim any depth; the reader refuses beyond 32 levels
// instead of running out of stack.
TEST(ComponentStream, NestingLimit) {
    const struct {
        const char *what;
        QByteArray (*stream)(int levels);
    } kinds[] = {
        {"lists", NestedLists}, {"collections", NestedCollections}, {"children", NestedChildren}};
    for (const auto &kind : kinds) {
        SCOPED_TRACE(kind.what);
        EXPECT_NO_THROW(Read(kind.stream(32)));
        EXPECT_THROW(Read(kind.stream(33)), EReadError);
        EXPECT_THROW(Read(kind.stream(1000000)), EReadError);
    }
}

TEST(AutoActions, ReadFromStream) {
    ActionItem second{"aa_auto", "aa_text", "chef@firma.de", true, {}};
    TAutoActionItems items;
    items.Add().BCC = QStringLiteral("alt");
    TMemoryStream stream(ActionsStream({ActionItem{"aa_manual", "aa_pdf", {}, false, {}}, second}));
    stream.SetPosition(stream.Size());  // the reader starts from the beginning
    ReadAutoActions(items, stream);
    ASSERT_EQ(items.Count(), 2);
    const TAutoActionItem &a = items.Items(0), &b = items.Items(1);
    EXPECT_EQ(a.PDFFileAfterClose, TAutoActionMode::aa_manual);
    EXPECT_EQ(a.PrintAfterSendClose, TAutoActionMode::aa_manual);
    EXPECT_EQ(a.DefaultMailType, TAutoActionMailType::aa_pdf);
    EXPECT_TRUE(a.BCC.isEmpty());
    EXPECT_EQ(b.PDFFileAfterSave, TAutoActionMode::aa_auto);
    EXPECT_EQ(b.WVLAfterSave, TAutoActionMode::aa_auto);
    EXPECT_EQ(b.WVLAfterClose, TAutoActionMode::aa_auto);
    EXPECT_EQ(b.DefaultMailType, TAutoActionMailType::aa_text);
    EXPECT_EQ(b.BCC, QStringLiteral("chef@firma.de"));
    EXPECT_TRUE(b.SendAfterPrintClose && b.SLayout && b.NextDocByClose);
    EXPECT_EQ(b.Collection(), &items);
    EXPECT_EQ(items.UpdateCount(), 0);

    TMemoryStream empty;
    ReadAutoActions(items, empty);
    EXPECT_EQ(items.Count(), 0);

    // Damage of any kind: no items, and the error reaches the caller.
    ActionItem unknown;
    unknown.unknownProperty = "Unbekannt";
    ActionItem badEnum;
    badEnum.mode = "aa_sometimes";
    for (const QByteArray &bad : {ActionsStream({ActionItem{}, unknown}), ActionsStream({badEnum}),
                                  ActionsStream({ActionItem{}}).chopped(3)}) {
        items.Add();
        TMemoryStream s(bad);
        EXPECT_THROW(ReadAutoActions(items, s), Exception);
        EXPECT_EQ(items.Count(), 0);
    }
}

TEST(AutoActions, AssignCopiesAllAndRefusesOtherItems) {
    TAutoActionItems target, source;
    TAutoActionItem &s = source.Add();
    s.PDFFileAfterClose = TAutoActionMode::aa_auto;
    s.PDFFileAfterSave = TAutoActionMode::aa_manual;
    s.WVLAfterSave = TAutoActionMode::aa_auto;
    s.WVLAfterClose = TAutoActionMode::aa_manual;
    s.PrintAfterSendClose = TAutoActionMode::aa_auto;
    s.SendAfterPrintClose = s.SLayout = s.NextDocByClose = true;
    s.DefaultMailType = TAutoActionMailType::aa_pdf;
    s.BCC = QStringLiteral("x@y");
    TAutoActionItem &t = target.Add();
    t.Assign(s);
    EXPECT_EQ(t.PDFFileAfterClose, TAutoActionMode::aa_auto);
    EXPECT_EQ(t.PDFFileAfterSave, TAutoActionMode::aa_manual);
    EXPECT_EQ(t.WVLAfterSave, TAutoActionMode::aa_auto);
    EXPECT_EQ(t.WVLAfterClose, TAutoActionMode::aa_manual);
    EXPECT_EQ(t.PrintAfterSendClose, TAutoActionMode::aa_auto);
    EXPECT_TRUE(t.SendAfterPrintClose && t.SLayout && t.NextDocByClose);
    EXPECT_EQ(t.DefaultMailType, TAutoActionMailType::aa_pdf);
    EXPECT_EQ(t.BCC, QStringLiteral("x@y"));
    EXPECT_EQ(target.UpdateCount(), 0);
    EXPECT_EQ(t.Collection(), &target);

    TCollectionItemBase plain(&target);
    EXPECT_THROW(t.Assign(plain), EConvertError);
    EXPECT_EQ(target.UpdateCount(), 0);
}

namespace {

void ExpectDefault(const TAutoActionItem &it) {
    EXPECT_EQ(it.PDFFileAfterClose, TAutoActionMode::aa_none);
    EXPECT_EQ(it.PDFFileAfterSave, TAutoActionMode::aa_none);
    EXPECT_EQ(it.WVLAfterSave, TAutoActionMode::aa_none);
    EXPECT_EQ(it.WVLAfterClose, TAutoActionMode::aa_none);
    EXPECT_EQ(it.PrintAfterSendClose, TAutoActionMode::aa_none);
    EXPECT_EQ(it.DefaultMailType, TAutoActionMailType::aa_html);
    EXPECT_TRUE(it.BCC.isEmpty());
    EXPECT_FALSE(it.SendAfterPrintClose || it.SLayout || it.NextDocByClose);
}

std::string Std(const QByteArray &b) { return std::string(b.constData(), size_t(b.size())); }

}  // namespace

TEST(AutoActions, LoadFromSettingsTable) {
    ActionItem manual{"aa_manual", "aa_pdf", "a@b", true, {}};
    ActionItem unknown;
    unknown.unknownProperty = "Farbe";
    struct Case {
        const char *what;
        std::optional<QByteArray> memo;  // none: no record 1511
        int expectedCount;
        int fromStream;
    };
    const std::vector<Case> cases{
        {"no record", std::nullopt, 14, 0},
        {"empty memo", QByteArray(), 14, 0},
        {"three items", ActionsStream(std::vector<ActionItem>(3, manual)), 14, 3},
        {"twenty items", ActionsStream(std::vector<ActionItem>(20, manual)), 20, 20},
        {"unknown property", ActionsStream({manual, unknown, manual}), 14, 0},
        {"not a component stream", QByteArray("garbage"), 14, 0},
        {"lists nested a million deep", NestedLists(1000000), 14, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dbtest::HostFolder folder;
        if (c.memo) folder.Append("setup.TBL", {{{"Ident", "1511"}, {"MemoItem", Std(*c.memo)}}});
        dbtest::HostForm form(folder.Path());
        TAutoActionItems items;
        for (int i = 0; i < 30; ++i) items.Add().BCC = QStringLiteral("vorher");
        LoadAutoActions(items, *form.settings);
        ASSERT_EQ(items.Count(), c.expectedCount);
        for (int i = 0; i < items.Count(); ++i) {
            SCOPED_TRACE(i);
            if (i < c.fromStream) {
                EXPECT_EQ(items.Items(i).WVLAfterClose, TAutoActionMode::aa_manual);
                EXPECT_EQ(items.Items(i).BCC, QStringLiteral("a@b"));
            } else {
                ExpectDefault(items.Items(i));
            }
        }
    }
}

// Without an index the seek fails and the defaults stand; preparing the
// cursor first selects the Ident index so the record is found.
TEST(AutoActions, PrepareFirst) {
    ActionItem manual{"aa_manual", "aa_pdf", "a@b", true, {}};
    dbtest::HostFolder folder;
    folder.Append("setup.TBL", {{{"Ident", "1511"}, {"MemoItem", Std(ActionsStream({manual}))}}});
    dbtest::HostForm form(folder.Path(), false);
    form.settings->SetIndexName(QString());
    form.connection->SetIsConnected(true);
    form.settings->SetActive(true);
    TSettings &settings = GetSettings();
    LoadAutoActions(settings, *form.settings, false);
    ASSERT_EQ(settings.AutoActions->Count(), 14);
    EXPECT_TRUE(settings.AutoActions->Items(0).BCC.isEmpty());
    LoadAutoActions(settings, *form.settings, true);
    ASSERT_EQ(settings.AutoActions->Count(), 14);
    EXPECT_EQ(settings.AutoActions->Items(0).BCC, QStringLiteral("a@b"));
    EXPECT_TRUE(settings.AutoActions->Items(1).BCC.isEmpty());
}
