#include "app/records/kinds/firm_search.h"

#include "app/shell/access/error_codes.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"
#include "platform/czech_order.h"

#include <algorithm>
#include <cstring>

namespace zv::records {
namespace {

constexpr char kFieldStart = '\x01'; // never typed, so a text never runs across two fields

void appendFolded(std::string& out, std::string_view text) {
    for (unsigned char c : text)
        out.push_back(static_cast<char>(cp1250::plainLower(c)));
}

} // namespace

std::string foldForSearch(std::string_view text1250) {
    std::string out;
    out.reserve(text1250.size());
    appendFolded(out, text1250);
    return out;
}

int FirmSearch::load(access::RecordFile& adresar) {
    std::vector<Firm> firms;
    std::string keptOrder;
    const bool czechOrder = adresar.storedOrder(&keptOrder) == 0 && keptOrder == "CZ";
    const std::vector<std::uint8_t> saved(adresar.record(),
                                          adresar.record() + adresar.recordSize());
    int code = adresar.setFile();
    while (code == 0) {
        code = adresar.next();
        if (code != 0) break;
        const auto& r = adresar.as<rec::AdresarRecord>();
        Firm f;
        f.id = r.ID.get();
        for (std::string_view field : {r.FIRMA.trimmed(), r.MESTO.trimmed(), r.JMENO1.trimmed(),
                                       r.TF1.trimmed(), r.ICO.trimmed()}) {
            f.folded.push_back(kFieldStart);
            appendFolded(f.folded, field);
        }
        const auto name = r.FIRMA.trimmed();
        // One width for every key, as the firm's name field holds at most 50 letters.
        f.order = czechOrder ? czech::sortKey(name, 50, false) : foldForSearch(name);
        firms.push_back(std::move(f));
    }
    std::copy(saved.begin(), saved.end(), adresar.record());
    if (code != access::kRecordNotAvailable) return code;
    // By name, in the order the firm list keeps (Czech or accents aside).
    std::sort(firms.begin(), firms.end(), [](const Firm& a, const Firm& b) {
        return a.order != b.order ? a.order < b.order : a.id < b.id;
    });
    firms_ = std::move(firms);
    return 0;
}

std::vector<std::int32_t> FirmSearch::find(std::string_view text1250, std::size_t limit,
                                           bool* more) const {
    std::vector<std::int32_t> ids;
    if (more) *more = false;
    std::string query = foldForSearch(text1250);
    while (!query.empty() && query.back() == ' ')
        query.pop_back();
    const auto first = query.find_first_not_of(' ');
    if (first == std::string::npos || limit == 0) return ids;
    query.erase(0, first);
    for (const Firm& f : firms_) {
        if (!memmem(f.folded.data(), f.folded.size(), query.data(), query.size())) continue;
        if (ids.size() == limit) {
            if (more) *more = true;
            break;
        }
        ids.push_back(f.id);
    }
    return ids;
}

} // namespace zv::records
