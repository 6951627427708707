// Keys kept outside the file: their entries never enter the file's tree; each
// opened table holds them in memory, built from its data records when first
// used and built again once the table has changed.
#include "storage/keys.h"
#include "storage/quarto_internal.h"

namespace zv::storage::quarto {

bool isOutsideKey(const Table& t, int key) {
    return key >= 0 && static_cast<std::size_t>(key) < t.def.keys.size() &&
           (t.def.keys[static_cast<std::size_t>(key)].flags & kKeyOutside);
}

int buildOutsideKey(Table& t, int key) {
    NativeFile& f = *t.pf->file;
    OutsideKey fresh;
    fresh.changeCounter = f.changeCounter();
    fresh.writes = t.pf->writes;
    bool unique = !(t.def.keys[static_cast<std::size_t>(key)].flags & kKeyDuplicates);
    int result = 0;
    std::string dataPrefix = dataKey(t.number, 0).substr(0, 5);
    PageRecord d;
    bool found = false;
    if (int rc = f.ceiling(dataKey(t.number, 1), &d, &found)) return rc;
    while (found && d.key.compare(0, 5, dataPrefix) == 0) {
        std::uint32_t record = fromBe32(d.key, 5);
        std::string entry;
        if (d.payload.size() == t.def.recordLength &&
            buildEntry(t.def, key, t.number, bytes(d.payload), record, &entry)) {
            if (!fresh.entries.emplace(entry, be32(record)).second && unique)
                result = kDuplicateKey;
        }
        std::string next = d.key;
        if (int rc = f.successor(next, &d, &found)) return rc;
    }
    fresh.built = true;
    t.outside[key] = std::move(fresh);
    return result;
}

namespace {

// The key's store, current with the file.
int currentStore(Table& t, int key, OutsideKey** out) {
    OutsideKey& k = t.outside[key];
    if (!k.built || k.writes != t.pf->writes || k.changeCounter != t.pf->file->changeCounter()) {
        int rc = buildOutsideKey(t, key);
        if (rc && rc != kDuplicateKey) return rc;
    }
    *out = &t.outside[key];
    return 0;
}

} // namespace

int seekEntry(Table& t, int key, Seek how, const std::string& at, PageRecord* out, bool* found) {
    if (!isOutsideKey(t, key)) {
        NativeFile& f = *t.pf->file;
        switch (how) {
        case Seek::Ceiling:
            return f.ceiling(at, out, found);
        case Seek::Floor:
            return f.floor(at, out, found);
        case Seek::Successor:
            return f.successor(at, out, found);
        case Seek::Predecessor:
            return f.predecessor(at, out, found);
        }
        return 0;
    }
    OutsideKey* store = nullptr;
    if (int rc = currentStore(t, key, &store)) return rc;
    auto& m = store->entries;
    auto it = m.end();
    switch (how) {
    case Seek::Ceiling:
        it = m.lower_bound(at);
        break;
    case Seek::Successor:
        it = m.upper_bound(at);
        break;
    case Seek::Floor:
        it = m.upper_bound(at);
        it = it == m.begin() ? m.end() : std::prev(it);
        break;
    case Seek::Predecessor:
        it = m.lower_bound(at);
        it = it == m.begin() ? m.end() : std::prev(it);
        break;
    }
    *found = it != m.end();
    if (*found) {
        out->key = it->first;
        out->payload = it->second;
    }
    return 0;
}

int outsideCount(Table& t, int key, std::uint32_t* count) {
    OutsideKey* store = nullptr;
    if (int rc = currentStore(t, key, &store)) return rc;
    *count = static_cast<std::uint32_t>(store->entries.size());
    return 0;
}

} // namespace zv::storage::quarto
