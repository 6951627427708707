#include "app/selections/selection/auto_history.h"

#include "app/shell/dictionary/records.h"

#include <vector>

namespace zv::selections {

void primeAutoHistory(access::RecordFile& schuzky, std::string_view userName, std::int32_t today,
                      std::int32_t now) {
    schuzky.clearBuffer();
    auto& r = schuzky.as<rec::SchuzkyRecord>();
    r.Vlozil.set(userName.substr(0, 10));
    r.Datum.set(today);
    r.CAS.set(now);
    r.Jmeno.set("<>");
    r.Popis.set("AG - ");
}

long writeAutoHistory(access::RecordFile& schuzky, access::RecordFile& vybery) {
    // The entry as the user left it, memos included, for every firm alike.
    const std::vector<std::uint8_t> entry(schuzky.record(),
                                          schuzky.record() + schuzky.recordSize());
    std::vector<std::string> memos;
    for (std::size_t m = 0; m < schuzky.def().memos.size(); ++m)
        memos.push_back(schuzky.memo(m));
    long written = 0;
    (void)schuzky.stream();
    for (int rc = vybery.setFile(); rc == 0 && vybery.next() == 0;) {
        std::copy(entry.begin(), entry.end(), schuzky.record());
        for (std::size_t m = 0; m < memos.size(); ++m)
            schuzky.setMemo(memos[m], m);
        schuzky.as<rec::SchuzkyRecord>().ID.set(vybery.as<rec::VyberyRecord>().ID.get());
        schuzky.clearCurrent();
        if (schuzky.add() == 0) ++written;
    }
    (void)schuzky.flush();
    return written;
}

} // namespace zv::selections
