#include "uninstall/install_log.h"

#include <algorithm>

namespace zv::uninstall {

namespace {

std::uint32_t readUint32(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= std::uint32_t(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    }
    return value;
}

// A text field ends at its first NUL, or after its whole size when it has none.
std::string readText(std::string_view bytes, std::size_t offset) {
    std::string_view field = bytes.substr(offset, kTextSize);
    return std::string(field.substr(0, std::min(field.find('\0'), field.size())));
}

void writeText(std::string& record, std::size_t offset, const std::string& text) {
    std::size_t n = std::min(text.find('\0'), std::min(text.size(), kTextSize - 1));
    record.replace(offset, n, text, 0, n);
}

} // namespace

std::vector<LogEntry> parseInstallLog(std::string_view bytes) {
    std::vector<LogEntry> entries;
    entries.reserve(bytes.size() / kRecordSize);
    for (std::size_t at = 0; bytes.size() - at >= kRecordSize; at += kRecordSize) {
        std::string_view record = bytes.substr(at, kRecordSize);
        entries.push_back(LogEntry{readUint32(record, kKindOffset),
                                   readText(record, kFirstTextOffset),
                                   readText(record, kSecondTextOffset)});
    }
    return entries;
}

std::string encodeLogRecord(const LogEntry& entry) {
    std::string record(kRecordSize, '\0');
    for (std::size_t i = 0; i < 4; ++i) {
        record[kKindOffset + i] = static_cast<char>((entry.kind >> (8 * i)) & 0xFF);
    }
    writeText(record, kFirstTextOffset, entry.first);
    writeText(record, kSecondTextOffset, entry.second);
    return record;
}

std::string productName(const std::vector<LogEntry>& entries) {
    std::string name;
    for (const LogEntry& entry : entries) {
        if (entry.kind == kProduct) name = entry.first;
    }
    return name;
}

} // namespace zv::uninstall
