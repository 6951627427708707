// libFuzzer target: any bytes read as a CSV file, as the import reads one: the
// format detected, every line split, the first line taken for headings.
#include "app/exchange/import/csv_import.h"
#include "app/exchange/import/csv_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const zv::exchange::CsvFormat format = zv::exchange::detectCsvFormat(text);
    zv::exchange::CsvReader reader(text, format);
    std::vector<std::string> fields;
    long lines = 0, last = 0;
    std::size_t bytes = 0;
    while (reader.next(fields)) {
        if (fields.empty() || fields.size() > zv::exchange::CsvReader::kMaxColumns)
            __builtin_trap();
        if (reader.line() <= last) __builtin_trap(); // lines only go forward
        last = reader.line();
        for (const auto& f : fields)
            bytes += f.size();
        if (lines++ == 0) (void)zv::exchange::csvMappingFromHeader(fields);
        if (lines > long(size) + 1) __builtin_trap(); // every line eats at least one byte
    }
    // A field of UTF-8 text turns into at most as many Windows-1250 bytes.
    if (format.encoding == zv::exchange::CsvEncoding::Utf8 && bytes > size) __builtin_trap();
    return 0;
}
