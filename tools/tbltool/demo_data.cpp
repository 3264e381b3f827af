#include "demo_data.h"

#include "engine_session.h"
#include "host_layouts.h"
#include "row_loader.h"
#include "value_forms.h"

#include <QRegularExpression>

#include <cmath>
#include <set>

namespace tbltool {

uint64_t DemoRandom::next() {
    // splitmix64: tiny, well mixed, and the same everywhere.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int DemoRandom::between(int low, int high) {
    return low + int(next() % uint64_t(high - low + 1));
}

namespace {

QString money(double value) {
    return shortestDouble(std::round(value * 100.0) / 100.0);
}

QString commaDecimal(double value) {
    return QString::number(value, 'g', 4).replace(u'.', u',');
}

struct Product {
    QString shortText; // BZK
    QString longText;  // BZL
    QString unit;
    int group = 1;
    double purchase = 1; // EK per unit
    bool meters = false; // sold by length, so stock has decimals
};

Product makeProduct(DemoRandom &r) {
    static const std::vector<int> threads = {3, 4, 5, 6, 8, 10, 12, 16};
    static const std::vector<int> lengths = {10, 12, 16, 20, 25, 30, 35, 40, 50, 60, 80, 100};
    static const std::vector<QString> finishes = {"verzinkt", "Edelstahl A2", "Edelstahl A4",
                                                  "gelb verzinkt", "schwarz brüniert"};
    static const std::vector<QString> colors = {"schwarz", "weiß", "grün", "natur", "blau"};
    static const std::vector<double> woodThreads = {3.0, 3.5, 4.0, 4.5, 5.0, 6.0};
    Product p;
    const int d = r.pick(threads);
    const int l = r.pick(lengths);
    switch (r.between(0, 14)) {
    case 0: {
        const QString finish = r.pick(finishes);
        p.shortText = QStringLiteral("Schraube M%1x%2 %3").arg(d).arg(l).arg(finish);
        p.longText =
            QStringLiteral("Sechskantschraube DIN 933 M%1x%2, 8.8, %3").arg(d).arg(l).arg(finish);
        p.unit = "Stk";
        p.group = 1;
        p.purchase = 0.02 * d + 0.002 * l;
        break;
    }
    case 1:
        p.shortText = QStringLiteral("Sechskantmutter M%1 %2").arg(d).arg(r.pick(finishes));
        p.longText = QStringLiteral("Sechskantmutter DIN 934 M%1, Festigkeit 8").arg(d);
        p.unit = "Stk";
        p.group = 1;
        p.purchase = 0.01 * d;
        break;
    case 2:
        p.shortText = QStringLiteral("Unterlegscheibe für M%1").arg(d);
        p.longText =
            QStringLiteral("Unterlegscheibe DIN 125 %1 mm, verzinkt").arg(commaDecimal(d + 0.4));
        p.unit = "VE 100";
        p.group = 1;
        p.purchase = 0.4 * d;
        break;
    case 3: {
        const double w = r.pick(woodThreads);
        p.shortText = QStringLiteral("Holzschraube %1x%2 Senkkopf").arg(commaDecimal(w)).arg(l);
        p.longText = QStringLiteral("Spanplattenschraube %1x%2 mm, Torx, gelb verzinkt")
                         .arg(commaDecimal(w))
                         .arg(l);
        p.unit = "VE 200";
        p.group = 2;
        p.purchase = 2.5 + w * l / 40.0;
        break;
    }
    case 4:
        p.shortText = QStringLiteral("Dübel %1x%2 Nylon").arg(d).arg(l);
        p.longText = QStringLiteral("Spreizdübel %1x%2 mm für Beton und Vollstein").arg(d).arg(l);
        p.unit = "VE 50";
        p.group = 2;
        p.purchase = 1.5 + d * 0.3;
        break;
    case 5: {
        const int length = r.pick(std::vector<int>{100, 140, 200, 290, 380});
        p.shortText = QStringLiteral("Kabelbinder %1x4,8 %2").arg(length).arg(r.pick(colors));
        p.longText = QStringLiteral("Kabelbinder %1 x 4,8 mm, UV-beständig, 100 Stück").arg(length);
        p.unit = "Btl";
        p.group = 3;
        p.purchase = 1.2 + length / 100.0;
        break;
    }
    case 6: {
        const int from = r.between(8, 60);
        p.shortText = QStringLiteral("Schlauchschelle %1-%2 mm W2").arg(from).arg(from + 12);
        p.longText = QStringLiteral("Schneckengewindeschelle %1–%2 mm, Bandbreite 9 mm")
                         .arg(from)
                         .arg(from + 12);
        p.unit = "Stk";
        p.group = 3;
        p.purchase = 0.35 + from / 100.0;
        break;
    }
    case 7:
        p.shortText = QStringLiteral("Gewindestange M%1x1000 verzinkt").arg(d);
        p.longText = QStringLiteral("Gewindestange DIN 976 M%1, Länge 1 m, Stahl 4.8").arg(d);
        p.unit = "Stk";
        p.group = 4;
        p.purchase = 0.4 * d;
        break;
    case 8: {
        const double size = r.between(10, 130) / 10.0;
        p.shortText = QStringLiteral("Bohrer HSS ø %1 mm").arg(commaDecimal(size));
        p.longText = QStringLiteral("Spiralbohrer HSS-G DIN 338 ø %1 mm, geschliffen")
                         .arg(commaDecimal(size));
        p.unit = "Stk";
        p.group = 5;
        p.purchase = 0.8 + size * 0.45;
        break;
    }
    case 9: {
        const int grit = r.pick(std::vector<int>{40, 60, 80, 120, 180, 240});
        p.shortText = QStringLiteral("Schleifpapier K%1 (10 Stück)").arg(grit);
        p.longText = QStringLiteral("Schleifbogen 230x280 mm Körnung %1, Korund").arg(grit);
        p.unit = "Pck";
        p.group = 5;
        p.purchase = 3.9;
        break;
    }
    case 10:
        p.shortText = QStringLiteral("Klebeband 50 mm x 66 m %1").arg(r.pick(colors));
        p.longText = QStringLiteral("Gewebeklebeband „Profi“ 50 mm, wasserfest");
        p.unit = "Rolle";
        p.group = 6;
        p.purchase = 4.2;
        break;
    case 11:
        p.shortText = QStringLiteral("Arbeitshandschuhe Größe %1").arg(r.between(7, 11));
        p.longText = QStringLiteral("Montagehandschuhe Nitril, atmungsaktiv, EN 388");
        p.unit = "Paar";
        p.group = 7;
        p.purchase = 1.9;
        break;
    case 12:
        p.shortText =
            QStringLiteral("Kupferrohr %1x1 mm").arg(r.pick(std::vector<int>{12, 15, 18, 22}));
        p.longText = QStringLiteral("Installationsrohr Kupfer, halbhart, Meterware");
        p.unit = "m";
        p.group = 8;
        p.purchase = 6.5;
        p.meters = true;
        break;
    case 13:
        p.shortText = QStringLiteral("Türdrücker Edelstahl gebürstet");
        p.longText = QStringLiteral("Drückergarnitur für Zimmertüren, Rosette rund, Öffnung 8 mm");
        p.unit = "Satz";
        p.group = 9;
        p.purchase = 18.5;
        break;
    default:
        p.shortText = QStringLiteral("Flügelmutter M%1 Messing").arg(d);
        p.longText = QStringLiteral("Flügelmutter DIN 315 M%1, Messing blank").arg(d);
        p.unit = "Stk";
        p.group = 1;
        p.purchase = 0.15 * d;
        break;
    }
    p.purchase *= 1.0 + r.between(-15, 15) / 100.0;
    return p;
}

QStringList matchWords(const QString &text) {
    // Match codes are words only; "(10 Stück)" gives 10 and STÜCK.
    static const QRegularExpression separators(QStringLiteral("[\\s()]+"));
    const QStringList words = text.toUpper().split(separators, Qt::SkipEmptyParts);
    QStringList match;
    match << (words.isEmpty() ? QString() : words.front().left(50));
    for (int i = 1; i <= 4; ++i)
        match << (i < words.size() ? words.at(i).left(10) : QString());
    return match;
}

// The article numbers: plain unique ones plus the duplicates the check exists
// for. The planted ones come first so that even a small demo holds most.
QStringList articleNumbers(DemoRandom &r, int count) {
    std::set<QString> used;
    int next = 10000;
    auto fresh = [&] {
        QString number;
        do {
            next += r.between(1, 37);
            const int kind = r.between(1, 10);
            number = kind <= 7   ? QStringLiteral("A-%1").arg(next)
                     : kind <= 9 ? QStringLiteral("E-%1").arg(next - 6000)
                                 : QStringLiteral("K-%1-%2")
                                       .arg(next % 1000, 3, 10, QLatin1Char('0'))
                                       .arg(r.between(1, 9));
        } while (!used.insert(number).second);
        return number;
    };

    QStringList numbers;
    for (int pair = 0; pair < 4; ++pair) {
        const QString n = fresh();
        numbers << n << n;
    }
    const QString triple = fresh();
    numbers << triple << triple << triple;
    numbers << QStringLiteral("ab-100") << QStringLiteral("AB-100");
    const QString longNumber = QStringLiteral("SONDERANFERTIGUNG-KUNDE-4711-BLAU-2024");
    numbers << longNumber << longNumber;
    numbers << QString() << QString();
    numbers << QStringLiteral("ÜB-3000");
    used.insert(QStringLiteral("ÜB-3000"));

    if (numbers.size() > count) numbers = numbers.mid(0, count);
    while (numbers.size() < count)
        numbers << fresh();
    // Fisher-Yates with the seeded generator: duplicates end up far apart.
    for (qsizetype i = numbers.size() - 1; i > 0; --i)
        numbers.swapItemsAt(i, r.between(0, int(i)));
    return numbers;
}

} // namespace

DemoRows demoArticles(DemoRandom &r, int count) {
    static const std::vector<QString> suppliers = {
        "Schäfer Befestigungstechnik GmbH", "Eisenwaren Köhler KG", "Nordschraube Handels GmbH",
        "Müller & Söhne Werkzeuge", "Großhandel Weiß OHG"};
    static const std::vector<QString> notes = {
        "Nur auf Anfrage bestellen.",
        "Auslaufartikel – Restbestand abverkaufen.\nNachfolger siehe Katalog 2025.",
        "Kunde \"Bauhof Nord\" bestellt regelmäßig.",
        "Mindestbestellmenge 10 VE, Lieferzeit ca. 5 Werktage."};

    DemoRows out;
    out.header =
        QStringList{"BZK",    "BZL",   "LFT",   "BST",   "EKEU",   "VKEU",   "MWST",   "MEM",
                    "ARTN",   "EINH",  "GRUP",  "CFAC",  "MATCH0", "MATCH1", "MATCH2", "MATCH3",
                    "MATCH4", "LAART", "BSTN",  "SRNS",  "GEK",    "MinEK",  "MaxEK",  "GSTEK",
                    "GSTVK",  "GVK",   "MinVK", "MaxVK", "MiddVK", "DEZ",    "MiddEK"};
    const QStringList numbers = articleNumbers(r, count);
    for (const QString &number : numbers) {
        const Product p = makeProduct(r);
        const double stock = p.meters ? r.between(0, 4000) / 10.0 : double(r.between(0, 500));
        const double ek = std::max(0.01, p.purchase);
        const double vk = ek * (1.3 + r.between(0, 90) / 100.0);
        const QString supplier =
            QStringLiteral("%1\nLieferzeit %2 Tage").arg(r.pick(suppliers)).arg(r.between(1, 14));
        const QString note = r.chance(25) ? r.pick(notes) : QString();
        const QString serials = r.chance(8) ? QStringLiteral("SN-2024-%1\nSN-2024-%2")
                                                  .arg(r.between(1000, 4999))
                                                  .arg(r.between(5000, 9999))
                                            : QString();
        const QString orderNumber =
            r.chance(70) ? QStringLiteral("L-%1").arg(r.between(100000, 999999)) : QString();
        const double factor = p.unit.startsWith(u"VE") ? 100.0 : 1.0;

        QStringList row;
        row << p.shortText.left(50) << p.longText.left(50) << supplier << shortestDouble(stock)
            << money(ek) << money(vk) << QStringLiteral("19") << note << number << p.unit
            << QString::number(p.group) << shortestDouble(factor);
        row << matchWords(p.shortText);
        row << (r.chance(80) ? QStringLiteral("T") : QStringLiteral("F")) << orderNumber << serials
            << money(ek) << money(ek * 0.92) << money(ek * 1.08) << money(ek * stock)
            << money(vk * stock) << money(vk) << money(vk * 0.95) << money(vk * 1.05) << money(vk)
            << QStringLiteral("2") << money(ek);
        out.rows.push_back(row);
    }
    return out;
}

DemoRows demoBookings(DemoRandom &r, const std::vector<uint32_t> &articleIds) {
    DemoRows out;
    out.header = QStringList{"ID_ART", "STK"};
    for (uint32_t id : articleIds) {
        const int roll = r.between(1, 100);
        const int bookings = roll <= 30 ? 0 : roll <= 75 ? 1 : 2;
        for (int i = 0; i < bookings; ++i)
            out.rows.push_back({QString::number(id), shortestDouble(r.between(1, 400) / 4.0)});
    }
    return out;
}

DemoRows demoSetup() {
    // A 1x1 PNG stands in for the company logo.
    const QString logo =
        QStringLiteral("base64:iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+"
                       "M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==");
    DemoRows out;
    out.header = QStringList{"Ident", "MemoItem", "stringItem", "logo"};
    out.rows = {
        {"1", "", "Hauptlager Süd", ""},
        {"100", "Muster & Söhne GmbH\nIndustriestraße 12, 70565 Stuttgart", "Muster & Söhne GmbH",
         logo},
        {"949", "", "1,5", ""},
        {"950", "Prüfung doppelter Artikelnummern\nGroß-/Kleinschreibung wird unterschieden", "",
         ""},
    };
    return out;
}

namespace {

std::vector<uint32_t> load(Connection &connection, const QString &path, const DemoRows &rows) {
    Table table(connection, path, DBE_EXCLUSIVE);
    RowLoader loader(connection, table);
    loader.setHeader(rows.header);
    int number = 0;
    for (const QStringList &row : rows.rows)
        loader.addRow(row, ++number);
    return loader.writeAll();
}

} // namespace

void writeDemoDatabase(const Place &place, int articles, uint64_t seed) {
    createHostTables(place);
    Connection connection(place);
    DemoRandom random(seed);
    const std::vector<uint32_t> ids =
        load(connection, place.tablePath(QString::fromLatin1(kArticleTable)),
             demoArticles(random, articles));
    load(connection, place.tablePath(QString::fromLatin1(kBookingTable)),
         demoBookings(random, ids));
    load(connection, place.tablePath(QString::fromLatin1(kSetupTable)), demoSetup());
}

} // namespace tbltool
