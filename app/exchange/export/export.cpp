#include "app/exchange/export/export.h"

#include "app/exchange/export/csv_export.h"
#include "app/exchange/export/vcard.h"
#include "app/shell/access/saved_record.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/dates/standard_date.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace zv::exchange {
namespace {

using rec::AdresarRecord;
using rec::ExpDbfRecord;
using rec::ExpLogRecord;
using rec::OsobyRecord;
using rec::SchuzkyRecord;
using rec::VyberyRecord;

const char* const kSources[] = {"Adresar", "Osoby", "Schuzky", "Vybery"};

std::string trimmedRight(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// The record and memos of `from` copied into `to`, whose layout is the same.
void copyRecord(const access::RecordFile& from, access::RecordFile& to) {
    const std::size_t n = std::min(from.recordSize(), to.recordSize());
    std::memcpy(to.record(), from.record(), n);
    for (std::size_t m = 0; m < to.def().memos.size() && m < from.def().memos.size(); ++m)
        to.setMemo(from.memo(m), m);
}

// A standard date as the dBase table's calendar date (day, month, year).
void setCalendarDate(std::uint8_t* field, std::int32_t standard) {
    dates::DateParts parts;
    std::memset(field, 0, 4);
    if (standard == 0 || dates::dateToParts(standard, parts) != 0) return;
    field[0] = std::uint8_t(parts.day);
    field[1] = std::uint8_t(parts.month);
    field[2] = std::uint8_t(parts.year & 0xFF);
    field[3] = std::uint8_t(parts.year >> 8);
}

// The e-mail of the firm's contact person (ADR:JMENO1) among its persons, "" when none.
std::string contactEmail(const AdresarRecord& firm,
                         const std::vector<std::vector<std::uint8_t>>& persons) {
    const std::string contact = trimmedRight(std::string(firm.JMENO1.trimmed()));
    std::string email;
    if (contact.empty()) return email;
    for (const auto& bytes : persons) {
        const auto& p = *reinterpret_cast<const OsobyRecord*>(bytes.data());
        if (trimmedRight(std::string(p.KONTAKT.trimmed())) == contact)
            email = trimmedRight(std::string(p.E_MAIL.trimmed()));
    }
    return email;
}

bool startsWith(const std::string& path, std::string_view text) {
    std::ifstream in(path, std::ios::binary);
    std::string head(text.size(), '\0');
    in.read(head.data(), std::streamsize(head.size()));
    return in.gcount() == std::streamsize(head.size()) && head == text;
}

} // namespace

bool mayOverwriteAsExport(const std::string& physicalName, ExportFormat format) {
    const std::string path = paths::native(physicalName);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    if (format == ExportFormat::Vcard) return startsWith(path, "BEGIN:VCARD");
    if (format == ExportFormat::Csv) {
        const std::string persons = paths::native(personsCsvName(physicalName));
        return startsWith(path, csvHeader(*dict::fileByLabel("Adresar"))) &&
               (!std::filesystem::exists(persons, ec) ||
                startsWith(persons, csvHeader(*dict::fileByLabel("Osoby"))));
    }
    std::ifstream in(path, std::ios::binary);
    char head[32] = {};
    in.read(head, sizeof head);
    const std::streamsize got = in.gcount();
    if (format == ExportFormat::Dbase) // a dBase IV table begins with its version byte
        return got >= 32 && (head[0] == 0x03 || head[0] == char(0x8B) || head[0] == char(0x83));
    // A native file holds its signature at byte 14; an earlier export names its ExpLog.
    if (got < 18 || std::memcmp(head + 14, "qUaR", 4) != 0) return false;
    std::ifstream all(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(all)),
                            std::istreambuf_iterator<char>());
    return bytes.find("EXPLOG") != std::string::npos || bytes.find("ExpLog") != std::string::npos;
}

struct Exporter::Files {
    std::vector<access::RecordFile*> opened;  // address book and selection (standard open)
    std::vector<access::RecordFile*> targets; // the export tables
    std::ofstream text;                       // vCards, or the firms' CSV
    std::ofstream persons;                    // the persons' CSV
};

Exporter::Exporter(services::ProcedureServices& s, ExportOptions options)
    : s_(s), options_(std::move(options)), files_(std::make_unique<Files>()) {
    for (const char* label : kSources) {
        auto& f = s_.db.file(label);
        if (services::standardOpen(s_, f) != services::OpenOutcome::Opened) {
            error_ = s_.db.errorCode() ? s_.db.errorCode() : access::kFileNotOpen;
            return;
        }
        files_->opened.push_back(&f);
    }
    const std::string file = trimmedRight(options_.file);
    total_ = s_.db.file("Vybery").records();
    if (options_.format == ExportFormat::Vcard || options_.format == ExportFormat::Csv) {
        auto open = [&](std::ofstream& out, const std::string& name) {
            errno = 0;
            out.open(paths::native(name), std::ios::binary | std::ios::trunc);
            if (!out && error_ == 0)
                error_ = errno ? access::osErrorCode(errno) : access::kInvalidFilename;
        };
        open(files_->text, file);
        if (options_.format == ExportFormat::Csv) {
            open(files_->persons, personsCsvName(file));
            files_->text << csvHeader(s_.db.file("Adresar").def());
            files_->persons << csvHeader(s_.db.file("Osoby").def());
        }
        return;
    }
    if (options_.format == ExportFormat::Native) {
        const std::pair<const char*, const char*> tables[] = {
            {"ExpAdr", "Adresy"}, {"ExpOso", "Osoby"}, {"ExpSch", "Schuzky"}, {"ExpLog", "ExpLog"}};
        for (const auto& [label, table] : tables)
            s_.db.file(label).setPhysicalName(file + "\\!" + table);
    } else {
        s_.db.file("ExpDbf").setPhysicalName(file);
    }
    const std::vector<const char*> labels =
        options_.format == ExportFormat::Native
            ? std::vector<const char*>{"ExpAdr", "ExpOso", "ExpSch", "ExpLog"}
            : std::vector<const char*>{"ExpDbf"};
    for (const char* label : labels) {
        auto& f = s_.db.file(label);
        if (f.isOpen()) (void)f.close();
        // A table of the same name in the file is replaced.
        if (f.create() != 0 || f.open(access::kOpenDenyWrite) != 0) {
            error_ = s_.db.errorCode() ? s_.db.errorCode() : access::kInvalidDataFile;
            return;
        }
        (void)f.stream();
        files_->targets.push_back(&f);
    }
}

Exporter::~Exporter() {
    if (!finished_) (void)finish();
    for (auto* f : files_->opened)
        services::standardRelease(*f);
}

bool Exporter::next() {
    if (error_ != 0 || finished_) return false;
    auto& vybery = s_.db.file("Vybery");
    int rc = 0;
    if (!started_) {
        started_ = true;
        rc = vybery.setFile();
    } else {
        rc = vybery.reset(last_);        // the entry exported last ...
        if (rc == 0) rc = vybery.next(); // ... read again,
    }
    if (rc == 0) rc = vybery.next(); // and the one after it
    if (rc != 0) return false;       // the end, or a read error ends it the same way
    last_ = vybery.position(-1);
    ++counts_.entries;
    auto& adresar = s_.db.file("Adresar");
    adresar.clearBuffer();
    adresar.as<AdresarRecord>().ID.set(vybery.as<VyberyRecord>().ID.get());
    if (adresar.getByKey(adresar.keyNumber("ADR:BYID")) != 0) return true; // gone: counted only
    if (options_.format == ExportFormat::Native)
        exportFirmNative();
    else if (options_.format == ExportFormat::Dbase)
        exportFirmDbase();
    else
        exportFirmText();
    return true;
}

void Exporter::exportFirmNative() {
    auto& adresar = s_.db.file("Adresar");
    const std::int32_t id = adresar.as<AdresarRecord>().ID.get();
    auto& expAdr = s_.db.file("ExpAdr");
    copyRecord(adresar, expAdr); // the firm's note too
    expAdr.clearCurrent();
    if (expAdr.add() == 0) ++counts_.firms;

    auto& osoby = s_.db.file("Osoby");
    auto& expOso = s_.db.file("ExpOso");
    osoby.clearBuffer();
    osoby.as<OsobyRecord>().ID.set(id);
    if (osoby.setKeyValue(osoby.keyNumber("OSO:BYID")) == 0) {
        while (osoby.next() == 0 && osoby.as<OsobyRecord>().ID.get() == id) {
            copyRecord(osoby, expOso); // the person's note too
            expOso.clearCurrent();
            if (expOso.add() == 0) ++counts_.persons;
        }
    }

    auto& schuzky = s_.db.file("Schuzky");
    auto& expSch = s_.db.file("ExpSch");
    schuzky.clearBuffer(); // date and time at their lowest: the firm's first meeting
    schuzky.as<SchuzkyRecord>().ID.set(id);
    if (schuzky.setKeyValue(schuzky.keyNumber("SCH:BYID")) == 0) {
        while (schuzky.next() == 0 && schuzky.as<SchuzkyRecord>().ID.get() == id) {
            copyRecord(schuzky, expSch);
            expSch.clearCurrent();
            if (expSch.add() == 0) ++counts_.meetings;
        }
    }
}

void Exporter::exportFirmDbase() {
    auto& adresar = s_.db.file("Adresar");
    auto& row = s_.db.file("ExpDbf");
    row.clearBuffer();
    const dict::Layout& from = *adresar.def().layout;
    const dict::Layout& to = *row.def().layout;
    const auto& firm = adresar.as<AdresarRecord>();
    for (const auto& field : to.fields) {
        const int i = from.indexOf(field.member);
        if (i < 0) continue;
        const auto& source = from.fields[std::size_t(i)];
        std::uint8_t* target = row.record() + field.offset;
        if (field.type == storage::FieldType::Real && field.size == sizeof(double)) {
            const double v = double(dict::fieldInteger(source, adresar.record()));
            std::memcpy(target, &v, sizeof v);
        } else if (field.type == storage::FieldType::Date && field.size == 4) {
            setCalendarDate(target, std::int32_t(dict::fieldInteger(source, adresar.record())));
        } else if (field.size == source.size) {
            std::memcpy(target, adresar.record() + source.offset, field.size);
        }
    }
    // The salutation and e-mail of the firm's contact person, of this firm only.
    auto& osoby = s_.db.file("Osoby");
    const std::string contact = trimmedRight(std::string(firm.JMENO1.trimmed()));
    if (!contact.empty()) {
        const access::SavedRecord keep(adresar);
        osoby.clearBuffer();
        osoby.as<OsobyRecord>().KONTAKT.set(contact);
        if (osoby.setKeyValue(osoby.keyNumber("OSO:BYPR")) == 0) {
            while (osoby.next() == 0 &&
                   std::string(osoby.as<OsobyRecord>().KONTAKT.trimmed()) == contact) {
                if (osoby.as<OsobyRecord>().ID.get() != firm.ID.get()) continue;
                row.as<ExpDbfRecord>().OSLOVENI.set(osoby.as<OsobyRecord>().OSLOVENI.trimmed());
                row.as<ExpDbfRecord>().EMAIL.set(osoby.as<OsobyRecord>().E_MAIL.trimmed());
            }
        }
    }
    row.clearCurrent();
    if (row.add() == 0) ++counts_.firms;
}

void Exporter::exportFirmText() {
    auto& adresar = s_.db.file("Adresar");
    const auto& firm = adresar.as<AdresarRecord>();
    const std::int32_t id = firm.ID.get();
    // The persons first, so the firm's card can carry its contact's e-mail.
    auto& osoby = s_.db.file("Osoby");
    std::vector<std::vector<std::uint8_t>> persons;
    std::vector<std::string> notes;
    osoby.clearBuffer();
    osoby.as<OsobyRecord>().ID.set(id);
    if (osoby.setKeyValue(osoby.keyNumber("OSO:BYID")) == 0) {
        while (osoby.next() == 0 && osoby.as<OsobyRecord>().ID.get() == id) {
            persons.emplace_back(osoby.record(), osoby.record() + osoby.recordSize());
            notes.push_back(osoby.memo());
        }
    }
    const std::string firmName(firm.FIRMA.trimmed());
    if (options_.format == ExportFormat::Vcard) {
        files_->text << firmVcard(firm, adresar.memo(), contactEmail(firm, persons));
        for (std::size_t i = 0; i < persons.size(); ++i)
            files_->text << personVcard(*reinterpret_cast<const OsobyRecord*>(persons[i].data()),
                                        notes[i], firmName);
    } else {
        files_->text << csvLine(adresar.def(), adresar.record(), {adresar.memo()});
        for (std::size_t i = 0; i < persons.size(); ++i)
            files_->persons << csvLine(osoby.def(), persons[i].data(), {notes[i]});
    }
    if (files_->text) ++counts_.firms;
    counts_.persons += long(persons.size());
}

ExportCounts Exporter::finish() {
    if (finished_) return counts_;
    finished_ = true;
    if (error_ == 0 && options_.format == ExportFormat::Native) {
        auto& log = s_.db.file("ExpLog");
        log.clearBuffer();
        log.as<ExpLogRecord>().OSOBA.set(options_.creator);
        log.as<ExpLogRecord>().DT.set(options_.date);
        log.as<ExpLogRecord>().ZAZNAMU.set(std::int32_t(counts_.entries));
        log.setMemo(options_.description);
        log.clearCurrent();
        (void)log.add();
    }
    for (auto* f : files_->targets) {
        (void)f->flush();
        (void)f->close();
    }
    files_->targets.clear();
    for (std::ofstream* out : {&files_->text, &files_->persons}) {
        if (!out->is_open()) continue;
        errno = 0;
        out->close();
        if (out->fail() && error_ == 0) // a disk that filled up, say
            error_ = errno ? access::osErrorCode(errno) : access::kFileSystemError;
    }
    return counts_;
}

} // namespace zv::exchange
