#include "app/records/duplicates/duplicate_search.h"

#include "app/records/duplicates/firm_match.h"
#include "app/shell/dictionary/records.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace zv::records {

std::vector<DuplicatePair> findDuplicates(access::RecordFile& adresar) {
    std::vector<DuplicateFirm> firms;
    std::vector<std::string> nameKeys; // per firm: its name key, for the order of the pairs
    // The first firm of each IČO and of each name and town (the lowest number).
    std::unordered_map<std::string, std::size_t> byIco, byName;
    std::map<std::pair<std::size_t, std::size_t>, unsigned> found;
    for (int rc = adresar.setFile(); rc == 0 && adresar.next() == 0;) {
        const auto& r = adresar.as<rec::AdresarRecord>();
        firms.push_back({r.ID.get(), std::string(r.FIRMA.trimmed()), std::string(r.MESTO.trimmed()),
                         std::string(r.ICO.trimmed())});
        nameKeys.push_back(firmNameKey(firms.back().name));
    }
    // In number order, so that the first of a group is the one to keep.
    std::vector<std::size_t> order(firms.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return firms[a].id < firms[b].id; });
    auto meet = [&](std::unordered_map<std::string, std::size_t>& firstOf, std::string key,
                    std::size_t i, unsigned reason) {
        if (key.empty()) return;
        const auto [at, isFirst] = firstOf.emplace(std::move(key), i);
        if (!isFirst) found[{at->second, i}] |= reason;
    };
    for (const std::size_t i : order) {
        meet(byIco, icoKey(firms[i].ico), i, kSameIco);
        if (!nameKeys[i].empty())
            meet(byName, nameKeys[i] + '|' + matchText(firms[i].town), i, kSameNameAndTown);
    }
    std::vector<std::pair<std::pair<std::size_t, std::size_t>, unsigned>> sorted(found.begin(),
                                                                                 found.end());
    std::sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
        const std::string& ka = nameKeys[a.first.first];
        const std::string& kb = nameKeys[b.first.first];
        if (ka != kb) return ka < kb;
        const auto ida = std::pair(firms[a.first.first].id, firms[a.first.second].id);
        const auto idb = std::pair(firms[b.first.first].id, firms[b.first.second].id);
        return ida < idb;
    });
    std::vector<DuplicatePair> pairs;
    pairs.reserve(sorted.size());
    for (const auto& [p, reasons] : sorted)
        pairs.push_back({firms[p.first], firms[p.second], reasons});
    return pairs;
}

std::string reasonText(unsigned reasons) {
    if (reasons == (kSameIco | kSameNameAndTown)) return "IČO, název a město";
    if (reasons & kSameIco) return "IČO";
    return "název a město";
}

} // namespace zv::records
