// Filters over 100,000 records: a filter is parsed once and evaluated for each
// record, as browse lists and reports do, with the record copied into the bound
// buffer first. Prints the time per pass and per record for a few filters, and for
// comparison the same through evaluate(), which parses every time.
#include "app/selections/evaluator/evaluator.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kRecords = 100000;

// A task record: due date (LONG), done flag (BYTE), text STRING(30).
struct Record {
    unsigned char bytes[35];
};

std::vector<Record> makeRecords() {
    std::vector<Record> records(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        Record& r = records[i];
        const std::int32_t due = 72000 + i % 400;
        std::memcpy(r.bytes, &due, 4);
        r.bytes[4] = static_cast<unsigned char>(i % 3 == 0);
        std::memset(r.bytes + 5, ' ', 30);
        const int n = std::snprintf(reinterpret_cast<char*>(r.bytes + 5), 30, "Firma %d", i % 997);
        r.bytes[5 + n] = ' ';
    }
    return records;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main() {
    using namespace zv::evaluator;
    const std::vector<Record> records = makeRecords();
    Record buffer{};
    std::int32_t sh = 72100, dnes = 72200;
    bool ok = bindField("UKO:DT_SCHED", zv::storage::FieldType::Long, buffer.bytes, 4);
    ok = bindField("UKO:Splneno", zv::storage::FieldType::Byte, buffer.bytes + 4, 1) && ok;
    ok = bindField("UKO:TEXT", zv::storage::FieldType::String, buffer.bytes + 5, 30) && ok;
    ok = bindInteger("SH", &sh) && bindInteger("Dnes", &dnes) && ok;
    if (!ok) {
        std::fprintf(stderr, "binding failed\n");
        return 1;
    }
    const char* filters[] = {
        "UKO:Splneno = 0",
        "UKO:DT_SCHED >= SH AND UKO:DT_SCHED <= Dnes AND (UKO:Splneno = 0)",
        "UKO:TEXT = 'Firma 5'",
        "INSTRING('9', UKO:TEXT) > 0 OR UPPER(SUB(UKO:TEXT, 1, 1)) = 'X'",
    };
    std::printf("records: %d\n", kRecords);
    for (const char* text : filters) {
        Filter f;
        if (f.compile(text) != 0) {
            std::fprintf(stderr, "filter does not compile: %s\n", text);
            return 1;
        }
        int passed = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const Record& r : records) {
            buffer = r;
            if (f.accepts()) ++passed;
        }
        const double s = seconds(start);
        std::printf("filter  %-70s %8.4f s  %6.0f ns/record  %d passed\n", text, s,
                    s * 1e9 / kRecords, passed);
    }
    // The same condition through evaluate(), parsed for every record.
    const char* text = filters[1];
    int passed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const Record& r : records) {
        buffer = r;
        if (isTrue(evaluate(text))) ++passed;
    }
    const double s = seconds(start);
    std::printf("evaluate %-69s %8.4f s  %6.0f ns/record  %d passed\n", text, s, s * 1e9 / kRecords,
                passed);
    return 0;
}
