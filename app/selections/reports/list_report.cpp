#include "app/selections/reports/list_report.h"

#include "app/selections/bindings/file_bindings.h"
#include "app/selections/evaluator/evaluator.h"
#include "app/shell/access/error_codes.h"
#include "app/shell/access/look_up.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"
#include "platform/dates/picture.h"

#include <algorithm>

namespace zv::selections {
namespace {

using rec::SchuzkyRecord;
using rec::VyberyRecord;
using ui::Length;

Length mils(std::int64_t n) {
    return Length::mils(n);
}

ui::FontSpec face(const char* name, double points, bool bold = false) {
    ui::FontSpec f;
    f.face = name;
    f.points = points;
    f.weight = bold ? 700 : 400;
    return f;
}

const ui::FontSpec kTitle = face("Corvid CE", 14, true);
const ui::FontSpec kCaption = face("Corvid CE", 8, true);
const ui::FontSpec kText = face("Small Fonts", 8);
const ui::FontSpec kTextBold = face("Small Fonts", 8, true);
const Length kWidth = mils(7268); // the width of the default A4 area
const Length kLine = mils(165);   // one line of 8-point text

std::string dateText(std::int32_t day) {
    const auto picture = dates::compile("@d5.");
    return picture ? dates::format(*picture, day) : std::string();
}

std::string utf(const char* utf8) {
    return cp1250::fromUtf8(utf8);
}

// Text cut to a field width of `chars` characters (the widths the lists give).
std::string cut(std::string_view text, std::size_t chars) {
    return std::string(text.substr(0, std::min(chars, text.size())));
}

// The words of a text on lines of at most `chars` characters (a word longer than
// a line is cut into pieces); line breaks in the text are kept.
std::vector<std::string> wrap(std::string_view text, std::size_t chars) {
    std::vector<std::string> lines;
    std::string line;
    auto flush = [&] {
        lines.push_back(line);
        line.clear();
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++i;
            flush();
            continue;
        }
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\r' && text[end] != '\n')
            ++end;
        std::string_view word = text.substr(i, end - i);
        i = end;
        while (!word.empty()) {
            const std::size_t room = chars - std::min(chars, line.size() + (line.empty() ? 0 : 1));
            if (word.size() <= room) {
                if (!line.empty()) line += ' ';
                line += word;
                word = {};
            } else if (line.empty()) {
                line = std::string(word.substr(0, chars));
                word.remove_prefix(std::min(chars, word.size()));
                flush();
            } else {
                flush();
            }
        }
    }
    if (!line.empty()) flush();
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

ui::Band footer() {
    ui::Band b;
    b.height = mils(300);
    b.addLine({Length(), mils(60)}, {kWidth, mils(60)});
    b.addText({Length(), mils(110), mils(600), Length()}, kCaption, "Strana");
    b.addField({mils(600), mils(110), mils(600), Length()}, kCaption, ui::pageNumberSource());
    return b;
}

ui::Band firmsHeader(std::int32_t today) {
    ui::Band b;
    b.height = mils(520);
    b.addText({Length(), Length(), mils(5000), Length()}, kTitle, "Seznam firem");
    b.addText({mils(5268), mils(80), mils(2000), Length()}, kCaption, dateText(today),
              ui::Align::Right);
    b.addLine({Length(), mils(380)}, {kWidth, mils(380)}, mils(10));
    return b;
}

// One firm: three lines of captions and fields, a thin rule under them.
ui::Band firmDetail(const access::RecordFile& vybery) {
    const auto& v = *reinterpret_cast<const VyberyRecord*>(vybery.record());
    ui::Band b;
    b.height = kLine * std::int64_t(3) + mils(90);
    auto caption = [&](std::int64_t x, int line, const char* text) {
        b.addText({mils(x), kLine * std::int64_t(line), mils(650), Length()}, kCaption, utf(text));
    };
    auto text = [&](std::int64_t x, int line, std::int64_t w, std::string value,
                    bool bold = false) {
        b.addText({mils(x), kLine * std::int64_t(line), mils(w), Length()},
                  bold ? kTextBold : kText, std::move(value));
    };
    caption(0, 0, "Firma:");
    text(650, 0, 3850, cut(v.FIRMA.trimmed(), 50), true);
    caption(4600, 0, "Osoba:");
    text(5250, 0, 2018, cut(v.JMENO1.trimmed(), 30));
    caption(0, 1, "Ulice:");
    text(650, 1, 3850, cut(v.ULICE.trimmed(), 50));
    caption(4600, 1, "Tel.:");
    text(5250, 1, 2018, cut(v.TF1.trimmed(), 20));
    caption(0, 2, "PSČ:");
    text(650, 2, 650, std::string(v.PSC.trimmed()));
    caption(1400, 2, "Město:");
    text(2050, 2, 2450, cut(v.MESTO.trimmed(), 50));
    caption(4600, 2, "Fax:");
    text(5250, 2, 2018, cut(v.FAX1.trimmed(), 20));
    b.addLine({Length(), kLine * std::int64_t(3) + mils(40)},
              {kWidth, kLine * std::int64_t(3) + mils(40)}, Length(), 0xB0B0B0);
    return b;
}

ui::Band historyHeader(access::Database& db, std::int32_t firm, std::int32_t today) {
    // The firm's name and address, three lines of 50 characters.
    std::string name, street, town;
    if (access::RecordFile* adresar = db.fileOrNull("Adresar"); adresar && adresar->isOpen()) {
        name = cut(access::firmName(*adresar, firm), 50);
        street = cut(access::lookUpText(*adresar, "ADR:BYID", firm, "ADR:ULICE"), 50);
        town = cut(access::lookUpText(*adresar, "ADR:BYID", firm, "ADR:PSC") + "  " +
                       access::lookUpText(*adresar, "ADR:BYID", firm, "ADR:MESTO"),
                   50);
    }
    ui::Band b;
    b.height = mils(900);
    b.addText({Length(), Length(), mils(5000), Length()}, face("Corvid CE", 12, true), name);
    b.addText({Length(), mils(230), mils(5000), Length()}, kText, street);
    b.addText({Length(), mils(400), mils(5000), Length()}, kText, town);
    b.addText({mils(4268), Length(), mils(3000), Length()}, kTitle, utf("Historie kontaktů"),
              ui::Align::Right);
    b.addText({mils(5268), mils(300), mils(2000), Length()}, kCaption, dateText(today),
              ui::Align::Right);
    b.addLine({Length(), mils(700)}, {kWidth, mils(700)}, mils(10));
    return b;
}

// One contact: date, who recorded it, the person, the subject; the note under them.
ui::Band historyDetail(const access::RecordFile& schuzky) {
    const auto& s = *reinterpret_cast<const SchuzkyRecord*>(schuzky.record());
    const std::vector<std::string> note = wrap(cut(s.Pozn.trimmed(), 255), 100);
    ui::Band b;
    b.height = kLine * std::int64_t(1 + note.size()) + mils(90);
    b.addText({Length(), Length(), mils(850), Length()}, kTextBold, dateText(s.Datum.get()));
    b.addText({mils(900), Length(), mils(1000), Length()}, kText, cut(s.Vlozil.trimmed(), 10));
    b.addText({mils(1950), Length(), mils(2200), Length()}, kText, cut(s.Jmeno.trimmed(), 30));
    b.addText({mils(4200), Length(), mils(3068), Length()}, kTextBold, cut(s.Popis.trimmed(), 40));
    for (std::size_t i = 0; i < note.size(); ++i)
        b.addText({mils(300), kLine * std::int64_t(i + 1), kWidth - mils(300), Length()}, kText,
                  note[i]);
    const Length rule = kLine * std::int64_t(1 + note.size()) + mils(40);
    b.addLine({Length(), rule}, {kWidth, rule}, Length(), 0xB0B0B0);
    return b;
}

} // namespace

struct ListRun::Filter {
    evaluator::BindingScope names;
    evaluator::Filter compiled;
};

ListReport listReport(ListKind kind, access::Database& db, std::int32_t today, std::int32_t firm) {
    ListReport l;
    l.report.pageFooter = footer();
    l.report.layout.flow = ui::DetailFlow::Down;
    switch (kind) {
    case ListKind::FirmsByName:
    case ListKind::FirmsByTown:
        l.file = "Vybery";
        l.key = kind == ListKind::FirmsByName ? "VYB:BYFIRMA" : "VYB:BYMESTO";
        l.report.pageHeader = firmsHeader(today);
        l.detail = firmDetail;
        break;
    case ListKind::History:
        l.file = "Schuzky";
        l.key = "SCH:BYID";
        l.filter = "SCH:ID = LocalID";
        l.report.pageHeader = historyHeader(db, firm, today);
        l.detail = historyDetail;
        l.from = [firm](access::RecordFile& f) { f.as<SchuzkyRecord>().ID.set(firm); };
        break;
    }
    l.report.detail = ui::Band{};
    return l;
}

ListRun::ListRun(access::Database& db, const ListReport& list, ui::ReportWriter& writer,
                 std::int32_t firm)
    : file_(db.file(list.file)), list_(list), writer_(writer), firm_(firm) {}

ListRun::~ListRun() {
    if (quickScan_) (void)file_.send("QUICKSCAN=off");
}

bool ListRun::nextRow() {
    if (error_ != 0) return false;
    if (!started_) {
        started_ = true;
        quickScan_ = file_.send("QUICKSCAN=on") == 0;
        if (!list_.filter.empty()) {
            filter_ = std::make_unique<Filter>();
            (void)bindFile(file_);
            (void)evaluator::bindInteger("LocalID", &firm_);
            if (const int code = filter_->compiled.compile(list_.filter)) {
                error_ = code;
                return false;
            }
        }
        file_.clearBuffer();
        const int key = file_.keyNumber(list_.key);
        int rc = 0;
        if (list_.from) {
            list_.from(file_);
            rc = file_.setKeyValue(key);
        } else {
            rc = file_.setKey(key);
        }
        if (rc != 0) {
            error_ = rc;
            return false;
        }
    }
    for (;;) {
        const int rc = file_.next();
        if (rc != 0) {
            if (rc != access::kRecordNotAvailable) error_ = rc;
            return false;
        }
        if (!filter_ || filter_->compiled.accepts()) break;
        if (list_.from) return false; // past the records the order holds together
    }
    writer_.printDetail(list_.detail(file_));
    ++rows_;
    return true;
}

} // namespace zv::selections
