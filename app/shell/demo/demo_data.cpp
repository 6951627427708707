#include "demo_data.h"

#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"
#include "platform/dates/standard_date.h"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>
#include <vector>

namespace zv::demo {
namespace {

using namespace zv::rec;
using access::RecordFile;

// A small generator of our own so that the same seed gives the same data everywhere.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
    std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int below(int n) {
        return n <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint32_t>(n));
    }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& a) {
        return a[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }

private:
    std::uint32_t state_;
};

// Text written in this source as UTF-8 becomes record text.
std::string t(std::string_view utf8) {
    return cp1250::fromUtf8(utf8);
}

struct Town {
    std::string_view name, postcode;
};

constexpr std::array<Town, 26> kTowns = {{
    {"Praha", "110 00"},
    {"Brno", "602 00"},
    {"Ostrava", "702 00"},
    {"Plzeň", "301 00"},
    {"Olomouc", "779 00"},
    {"Liberec", "460 01"},
    {"České Budějovice", "370 01"},
    {"Hradec Králové", "500 02"},
    {"Ústí nad Labem", "400 01"},
    {"Pardubice", "530 02"},
    {"Zlín", "760 01"},
    {"Jihlava", "586 01"},
    {"Kladno", "272 01"},
    {"Most", "434 01"},
    {"Opava", "746 01"},
    {"Karlovy Vary", "360 01"},
    {"Teplice", "415 01"},
    {"Děčín", "405 02"},
    {"Chomutov", "430 01"},
    {"Přerov", "750 02"},
    {"Třebíč", "674 01"},
    {"Znojmo", "669 02"},
    {"Kolín", "280 02"},
    {"Písek", "397 01"},
    {"Tábor", "390 01"},
    {"Žďár nad Sázavou", "591 01"},
}};

constexpr std::array<std::string_view, 24> kTrades = {
    "Stavby",     "Kovo",         "Agro",       "Elektro",    "Dřevo",       "Textil",
    "Autoservis", "Pekárna",      "Tiskárna",   "Sklárna",    "Truhlářství", "Instalace",
    "Doprava",    "Zahradnictví", "Účetnictví", "Strojírny",  "Potraviny",   "Obuv",
    "Nábytek",    "Software",     "Reklama",    "Kamenictví", "Malířství",   "Čistírna"};

constexpr std::array<std::string_view, 24> kSurnames = {
    "Novák",   "Dvořák",   "Černý",    "Procházka", "Kučera", "Veselý",   "Horák",   "Němec",
    "Pokorný", "Marek",    "Pospíšil", "Hájek",     "Král",   "Jelínek",  "Růžička", "Beneš",
    "Fiala",   "Sedláček", "Doležal",  "Zeman",     "Kolář",  "Navrátil", "Čermák",  "Vaněk"};

constexpr std::array<std::string_view, 16> kFirstNames = {
    "Jan",  "Petr",  "Josef", "Pavel", "Jiří", "Martin", "Tomáš", "Jaroslav",
    "Jana", "Marie", "Eva",   "Hana",  "Anna", "Lenka",  "Věra",  "Alena"};

constexpr std::array<std::string_view, 6> kForms = {"s.r.o.", "a.s.", "spol. s r.o.",
                                                    "v.o.s.", "k.s.", ""};

constexpr std::array<std::string_view, 20> kStreets = {
    "Husova",     "Masarykova", "Nádražní", "Komenského", "Palackého", "Jiráskova", "Tyršova",
    "Havlíčkova", "Smetanova",  "Školní",   "Zahradní",   "Krátká",    "Dlouhá",    "Polní",
    "Sokolská",   "Lidická",    "Žižkova",  "Riegrova",   "Čechova",   "Na Výsluní"};

constexpr std::array<std::string_view, 8> kFunctions = {
    "ředitel", "jednatel", "obchodník", "účetní", "technik", "sekretářka", "nákupčí", "mistr"};

constexpr std::array<std::string_view, 10> kKeywords = {
    "stavebnictví", "strojírenství", "potraviny",     "informatika", "doprava",
    "zemědělství",  "energetika",    "zdravotnictví", "školství",    "obchod"};

constexpr std::array<std::string_view, 20> kCategories = {
    "Odběratel", "Dodavatel", "Partner", "Konkurence", "Zájemce", "Úřad",   "Banka",
    "Tisk",      "PF přání",  "Katalog", "Seminář",    "Veletrh", "Servis", "Leasing",
    "Export",    "Import",    "VIP",     "Neplatič",   "Archiv",  "Ostatní"};

constexpr std::array<std::string_view, 8> kSubjects = {
    "Nabídka zboží",  "Reklamace",        "Podpis smlouvy",     "Předvedení výrobku",
    "Cenová jednání", "Kontrola dodávky", "Servisní prohlídka", "Telefonická domluva"};

constexpr std::array<std::string_view, 8> kTasks = {
    "Zavolat kvůli nabídce", "Poslat katalog",      "Připravit smlouvu", "Upomenout platbu",
    "Domluvit schůzku",      "Ověřit dodací lhůtu", "Poslat fakturu",    "Popřát k jubileu"};

constexpr std::array<std::string_view, 5> kJokes = {
    "Víte, proč má slon velké uši? Protože Noe nechtěl dát Dumbovi padák.",
    "Pane doktore, každý mě přehlíží. Další, prosím!",
    "Co dělá programátor, když má hlad? Sní o kódu.",
    "Šéf: Můžete mi říct, proč jste přišel pozdě? Zaměstnanec: Mohu, ale nebudete tomu věřit.",
    "Manželka: Miláčku, co bys dělal, kdybych zemřela? Manžel: Asi bych se zbláznil. "
    "Manželka: A oženil by ses znovu? Manžel: Zbláznil bych se, ale ne tolik."};

class Writer {
public:
    Writer(access::Database& db, std::string* failed) : db_(db), failed_(failed) {}

    // Creates, opens in batch mode; false (and the error kept) on failure.
    RecordFile* start(std::string_view label) {
        if (error_) return nullptr;
        RecordFile& f = db_.file(label);
        if (f.isOpen()) (void)f.close();
        int code = f.create();
        if (code == 0) code = f.open();
        if (code == 0) code = f.stream();
        if (code != 0) return fail(f, code);
        return &f;
    }
    void add(RecordFile& f) {
        if (error_) return;
        if (const int code = f.add()) fail(f, code);
    }
    void finish(RecordFile& f) {
        int code = f.flush();
        const int closeCode = f.close();
        if (code == 0) code = closeCode;
        if (code != 0 && !error_) fail(f, code);
    }
    int error() const { return error_; }

private:
    RecordFile* fail(RecordFile& f, int code) {
        error_ = code;
        if (failed_) *failed_ = f.name();
        return nullptr;
    }
    access::Database& db_;
    std::string* failed_;
    int error_ = 0;
};

std::string phone(Random& r) {
    std::string s = "+420 " + std::to_string(200 + r.below(700)) + " " +
                    std::to_string(100 + r.below(900)) + " " + std::to_string(100 + r.below(900));
    return s;
}

std::string asciiOf(std::string_view text1250) {
    // E-mail names without diacritics: the Unicode letter's base from a small table.
    static const std::string_view from = "áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ";
    static const std::string_view to = "acdeeinorstuuyzACDEEINORSTUUYZ";
    const std::string fromText = cp1250::fromUtf8(from);
    std::string out;
    for (char c : text1250) {
        const auto at = fromText.find(c);
        out += at == std::string::npos ? c : to[at];
    }
    return cp1250::lower(out);
}

} // namespace

int createDemoData(access::Database& db, const DemoOptions& o, std::string* failedFile) {
    Random r(o.seed);
    Writer w(db, failedFile);
    const std::string user = o.user.substr(0, 20);
    const int today = o.today;

    // Category captions of set 1.
    if (RecordFile* f = w.start("Kategorie")) {
        f->clearBuffer();
        auto& k = f->as<KategorieRecord>();
        k.TEXT.set(1);
        String<20>* captions[] = {&k.K1,  &k.K2,  &k.K3,  &k.K4,  &k.K5,  &k.K6,  &k.K7,
                                  &k.K8,  &k.K9,  &k.K10, &k.K11, &k.K12, &k.K13, &k.K14,
                                  &k.K15, &k.K16, &k.K17, &k.K18, &k.K19, &k.K20};
        for (std::size_t i = 0; i < 20; ++i)
            captions[i]->set(t(kCategories[i]));
        w.add(*f);
        w.finish(*f);
    }

    // Firms.
    std::vector<std::string> firmNames(static_cast<std::size_t>(o.firms) + 1);
    std::vector<std::string> contactNames(static_cast<std::size_t>(o.firms) + 1);
    std::vector<std::string> personNames(static_cast<std::size_t>(o.firms) + 1); // the first
    if (RecordFile* f = w.start("Adresar")) {
        std::set<std::pair<std::string, std::string>> used;
        for (int id = 1; id <= o.firms && !w.error(); ++id) {
            f->clearBuffer();
            auto& a = f->as<AdresarRecord>();
            const Town& town = kTowns[static_cast<std::size_t>(
                r.chance(40) ? r.below(4) : r.below(static_cast<int>(kTowns.size())))];
            std::string name = t(r.pick(kTrades)) + " " + t(r.pick(kSurnames));
            const std::string form = t(r.pick(kForms));
            if (!form.empty()) name += " " + form;
            const std::string townName = t(town.name);
            while (!used.insert({cp1250::upper(name), cp1250::upper(townName)}).second)
                name += " " + std::to_string(r.below(90) + 10);
            a.ID.set(id);
            a.FIRMA.set(name);
            if (!r.chance(5))
                a.ULICE.set(t(r.pick(kStreets)) + " " + std::to_string(1 + r.below(150)));
            a.PSC.set(t(town.postcode));
            a.MESTO.set(townName);
            a.STAT.set(r.chance(95) ? t("Česká republika") : t("Slovensko"));
            if (!r.chance(10)) a.ICO.set(std::to_string(10000000 + r.below(89999999)));
            if (r.chance(70)) a.DIC.set("CZ" + std::to_string(10000000 + r.below(89999999)));
            Byte* flags[] = {&a.P1,  &a.P2,  &a.P3,  &a.P4,  &a.P5,  &a.P6,  &a.P7,
                             &a.P8,  &a.P9,  &a.P10, &a.P11, &a.P12, &a.P13, &a.P14,
                             &a.P15, &a.P16, &a.P17, &a.P18, &a.P19, &a.P20};
            for (Byte* b : flags)
                b->set(r.chance(15) ? 1 : 0);
            if (a.P1.get()) a.P1TXT.set(t("pravidelný odběr"));
            a.VLOZIL.set(user);
            a.DT_VLOZENI.set(today - 30 - r.below(1500));
            if (r.chance(50)) {
                a.UPRAVIL.set(user);
                a.DT_UPRAVY.set(today - r.below(30));
            }
            if (!r.chance(8)) a.TF1.set(phone(r));
            if (r.chance(40)) a.FAX1.set(phone(r));
            if (r.chance(50)) {
                a.BANKA1.set(t(r.chance(50) ? "Komerční banka" : "Česká spořitelna"));
                a.BANKA2.set(std::to_string(100000 + r.below(899999)) + "/" +
                             (r.chance(50) ? "0100" : "0800"));
            }
            const std::string contact = t(r.pick(kSurnames)) + " " + t(r.pick(kFirstNames));
            if (!r.chance(10)) a.JMENO1.set(contact);
            a.TEXTY.set(1);
            if (r.chance(20)) f->setMemo(t("Platí vždy včas. Preferuje kontakt e-mailem."));
            firmNames[static_cast<std::size_t>(id)] = name;
            contactNames[static_cast<std::size_t>(id)] = std::string(a.JMENO1.trimmed());
            w.add(*f);
        }
        w.finish(*f);
    }

    // Persons: the firm's label contact first, sometimes one or two more.
    if (RecordFile* f = w.start("Osoby")) {
        int rec = 0;
        int reminded = 0; // persons given an anniversary in the coming week
        for (int id = 1; id <= o.firms && !w.error(); ++id) {
            const int count = r.below(4);
            for (int i = 0; i < count; ++i) {
                f->clearBuffer();
                auto& p = f->as<OsobyRecord>();
                p.REC.set(++rec);
                p.ID.set(id);
                const std::string& labelContact = contactNames[static_cast<std::size_t>(id)];
                const std::string name = i == 0 && !labelContact.empty()
                                             ? labelContact
                                             : t(r.pick(kSurnames)) + " " + t(r.pick(kFirstNames));
                p.KONTAKT.set(name);
                if (i == 0) personNames[static_cast<std::size_t>(id)] = name;
                p.FUNKCE.set(t(r.pick(kFunctions)));
                p.OSLOVENI.set(t(r.chance(50) ? "Vážený pane" : "Vážená paní"));
                p.TFZ.set(phone(r));
                if (r.chance(30)) p.TFD.set(phone(r));
                if (r.chance(70)) p.TFM.set(phone(r));
                if (r.chance(20)) p.FAX.set(phone(r));
                const auto space = name.find(' ');
                p.E_MAIL.set(asciiOf(name.substr(0, space)) + "@firma" + std::to_string(id) +
                             ".cz");
                p.VYROCI.set(r.chance(30) ? 1 : 0);
                if (r.chance(60))
                    p.SVATEK.set(std::to_string(1 + r.below(28)) + "." +
                                 std::to_string(1 + r.below(12)));
                if (r.chance(70)) p.NAROZENINY.set(today - 365 * 20 - r.below(365 * 40));
                if (p.VYROCI.get() != 0 && reminded < 6) {
                    // Name days and birthdays today and in the days ahead, for the task list.
                    const std::int32_t day = today + (reminded < 2 ? 0 : reminded);
                    dates::DateParts parts;
                    if (dates::dateToParts(day, parts) == 0) {
                        if (reminded % 2 == 0) {
                            p.SVATEK.set(std::to_string(parts.day) + "." +
                                         std::to_string(parts.month));
                        } else {
                            const int born = parts.year - 30 - reminded;
                            std::int32_t birth = dates::dateFromParts(parts.month, parts.day, born);
                            if (birth < 0) birth = dates::dateFromParts(parts.month, 28, born);
                            p.NAROZENINY.set(birth);
                        }
                    }
                    ++reminded;
                }
                if (r.chance(30)) p.ZALIBY.set(t(r.chance(50) ? "golf, rybaření" : "divadlo"));
                w.add(*f);
            }
        }
        w.finish(*f);
    }

    // Contact history.
    if (RecordFile* f = w.start("Schuzky")) {
        for (int id = 1; id <= o.firms && !w.error(); ++id) {
            const int count = r.below(4);
            for (int i = 0; i < count; ++i) {
                f->clearBuffer();
                auto& s = f->as<SchuzkyRecord>();
                s.ID.set(id);
                s.Vlozil.set(user.substr(0, 10));
                s.Datum.set(today - r.below(365));
                s.CAS.set((8 + r.below(9)) * 360000 + r.below(4) * 15 * 6000 + 1);
                s.Jmeno.set(contactNames[static_cast<std::size_t>(id)].substr(0, 30));
                s.Popis.set(t(r.pick(kSubjects)));
                if (r.chance(60))
                    s.Pozn.set(t("Projednány podmínky dodávek na příští čtvrtletí. Zákazník "
                                 "požaduje slevu při odběru nad 100 kusů."));
                w.add(*f);
            }
        }
        w.finish(*f);
    }

    // Keyword catalogue and attachments.
    if (RecordFile* f = w.start("EVKLICSL")) {
        for (std::size_t i = 0; i < kKeywords.size(); ++i) {
            f->clearBuffer();
            auto& k = f->as<EvklicslRecord>();
            k.IDKS.set(static_cast<int>(i) + 1);
            k.POPIS.set(t(kKeywords[i]));
            k.ZAVEDL.set(user);
            k.DTZRIZENI.set(today - 400 + static_cast<int>(i));
            w.add(*f);
        }
        w.finish(*f);
    }
    if (RecordFile* f = w.start("Klice")) {
        for (int id = 1; id <= o.firms && !w.error(); ++id) {
            const int first = 1 + r.below(static_cast<int>(kKeywords.size()));
            const int count = r.below(3);
            for (int i = 0; i < count; ++i) {
                f->clearBuffer();
                f->as<KliceRecord>().ID.set(id);
                f->as<KliceRecord>().IDKL.set(1 +
                                              (first - 1 + i) % static_cast<int>(kKeywords.size()));
                w.add(*f);
            }
        }
        w.finish(*f);
    }

    // Tasks: due today (earlier and later than now), overdue, tomorrow, later, done.
    if (RecordFile* f = w.start("UKOLY")) {
        int number = 0;
        const int hourNow = o.now > 0 ? (o.now - 1) / 360000 : 12;
        for (int id = 1; id <= o.firms && !w.error(); ++id) {
            if (!r.chance(35)) continue;
            f->clearBuffer();
            auto& u = f->as<UkolyRecord>();
            u.CUKOLU.set(++number);
            u.ID.set(id);
            u.JMENO.set(personNames[static_cast<std::size_t>(id)].substr(0, 30));
            u.DT_ZADANI.set(today - 10 - r.below(20));
            u.TM_ZADANI.set(9 * 360000 + 1);
            u.OS_ZADANI.set(user);
            u.OS_SCHED.set(user);
            u.POPIS.set(t(r.pick(kTasks)));
            int hour = 8 + r.below(10);
            // A few tasks are due already (so start-up shows some reminders), most lie ahead.
            constexpr int ahead[] = {1, 3, 4, 5, 4}; // later today, tomorrow, later, done
            const int kind = number <= 3 ? 2 : number <= 5 ? 0 : ahead[number % 5];
            switch (kind) {
            case 0: // today, earlier
                u.DT_SCHED.set(today);
                hour = std::max(0, hourNow - 1 - r.below(3));
                break;
            case 1: // today, later
                u.DT_SCHED.set(today);
                hour = std::min(23, hourNow + 1 + r.below(3));
                break;
            case 2:
                u.DT_SCHED.set(today - 1 - r.below(5));
                break; // overdue
            case 3:
                u.DT_SCHED.set(today + 1);
                break; // tomorrow
            case 4:
                u.DT_SCHED.set(today + 2 + r.below(30));
                break;
            case 5: // done
                u.DT_SCHED.set(today - r.below(20));
                u.SPLNENO.set(1);
                u.DT_PROV.set(u.DT_SCHED.get());
                u.TM_PROV.set(15 * 360000 + 1);
                u.OS_PROV.set(user);
                break;
            }
            u.TM_SCHED.set(hour * 360000 + 30 * 6000 * r.below(2) + 1);
            if (r.chance(30)) f->setMemo(t("Nezapomenout na podklady od obchodního oddělení."));
            w.add(*f);
        }
        w.finish(*f);
    }

    // Operations and kinds.
    constexpr std::array<std::string_view, 5> operations = {"Telefonát", "Dopis", "Schůzka",
                                                            "Nabídka", "Faktura"};
    if (RecordFile* f = w.start("Operace")) {
        for (std::size_t i = 0; i < operations.size(); ++i) {
            f->clearBuffer();
            f->as<OperaceRecord>().TYPOPERACE.set(static_cast<std::uint8_t>(i + 1));
            f->as<OperaceRecord>().POPIS.set(t(operations[i]));
            w.add(*f);
        }
        w.finish(*f);
    }
    if (RecordFile* f = w.start("Klasifik")) {
        struct Kind {
            std::string_view code, text;
            int op1, delay1, op2, delay2, op3, delay3;
        };
        constexpr Kind kinds[] = {{"OD", "Odběratel", 1, 0, 4, 7, 5, 30},
                                  {"DO", "Dodavatel", 1, 0, 3, 14, 0, 0},
                                  {"ZA", "Zájemce", 2, 0, 1, 7, 3, 21}};
        for (const Kind& k : kinds) {
            f->clearBuffer();
            auto& c = f->as<KlasifikRecord>();
            c.ZKRATKA.set(k.code);
            c.POPIS.set(t(k.text));
            c.KODOP1.set(static_cast<std::uint8_t>(k.op1));
            c.PRODLEVA1.set(static_cast<std::int16_t>(k.delay1));
            c.KODOP2.set(static_cast<std::uint8_t>(k.op2));
            c.PRODLEVA2.set(static_cast<std::int16_t>(k.delay2));
            c.KODOP3.set(static_cast<std::uint8_t>(k.op3));
            c.PRODLEVA3.set(static_cast<std::int16_t>(k.delay3));
            w.add(*f);
        }
        w.finish(*f);
    }

    // Notes and jokes.
    if (RecordFile* f = w.start("Poznamky")) {
        constexpr std::array<std::string_view, 3> titles = {"Porada obchodníků", "Ceník 2027",
                                                            "Školení BOZP"};
        for (std::size_t i = 0; i < titles.size(); ++i) {
            f->clearBuffer();
            f->as<PoznamkyRecord>().CP.set(static_cast<int>(i) + 1);
            f->as<PoznamkyRecord>().DATUM.set(today - 7 * static_cast<int>(i));
            f->as<PoznamkyRecord>().TEXT.set(t(titles[i]));
            f->setMemo(t("Termín bude upřesněn. Účast je povinná pro všechny zaměstnance."));
            w.add(*f);
        }
        w.finish(*f);
    }
    if (RecordFile* f = w.start("Vtipy")) {
        for (std::size_t i = 0; i < kJokes.size(); ++i) {
            f->clearBuffer();
            f->as<VtipyRecord>().NOF.set(static_cast<int>(i) + 1);
            f->setMemo(t(kJokes[i]));
            w.add(*f);
        }
        w.finish(*f);
    }

    // Label sheets (inches).
    if (RecordFile* f = w.start("Label")) {
        struct Sheet {
            std::string_view name;
            double labelWidth, labelHeight, top, left;
        };
        // Sheets sold in shops, 210 x 297 mm, their labels edge to edge across and the
        // spare height split above and below.
        constexpr Sheet sheets[] = {{"A4 3x8 (70 x 36 mm)", 2.756, 1.417, 0.177, 0.0},
                                    {"A4 3x7 (70 x 42,3 mm)", 2.756, 1.665, 0.018, 0.0},
                                    {"A4 2x8 (105 x 37 mm)", 4.134, 1.457, 0.020, 0.0}};
        for (const Sheet& s : sheets) {
            f->clearBuffer();
            auto& l = f->as<LabelRecord>();
            l.LABELTYPE.set(s.name);
            (void)l.PAGEWIDTH.set(8.268);
            (void)l.PAGEHEIGHT.set(11.693);
            (void)l.LABELWIDTH.set(s.labelWidth);
            (void)l.LABELHEIGHT.set(s.labelHeight);
            (void)l.TOPMARGIN.set(s.top);
            (void)l.LEFTMARGIN.set(s.left);
            l.TYPEFACE.set("Corvid CE");
            l.FONTSIZE.set(10);
            l.FONTCOLOR.set(0);
            l.FONTSTYLE.set(400);
            w.add(*f);
        }
        w.finish(*f);
    }

    // The other files of the data directory start empty.
    for (std::string_view label : {"UlVybery", "Vybery"})
        if (RecordFile* f = w.start(label)) w.finish(*f);
    return w.error();
}

} // namespace zv::demo
