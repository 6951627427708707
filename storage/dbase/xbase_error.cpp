#include "storage/dbase/xbase_error.h"

#include <array>

namespace zv::dbase {
namespace {

constexpr std::array<std::string_view, 61> kTexts = {
    "file write failure",
    "file read failure",
    "memory allocation error",
    "file pointer reposition failed",
    "file not found",
    "file corrupted",
    "bad user specified key expression",
    "no handles available",
    "no index pages loaded",
    "index page was not loaded",
    "file close failure",
    "invalid command",
    "invalid handle number",
    "invalid filename",
    "invalid date",
    "invalid time",
    "file not in memo format",
    "invalid dBaseIII version",
    "file header length error",
    "last file change date in error",
    "parameter address NULL",
    "invalid key type",
    "invalid key length",
    "item length incorrect",
    "invalid root page",
    "bad maximum number of keys per page",
    "invalid number of fields",
    "field name invalid",
    "bad field length",
    "decimal places parameter invalid",
    "invalid field type",
    "invalid record length",
    "bad data",
    "memo soft line length invalid",
    "MDX flag in DBF file invalid",
    "file open for reading only",
    "file locking violation",
    "sharing buffer overflow",
    "path not found",
    "access to file denied",
    "invalid access code",
    "file must be locked first",
    "diskette changed",
    "bad minimum number of keys per page",
    "some files remain open",
    "could not open the file",
    "flush to disk failure",
    "invalid tag handle",
    "invalid page size in blocks",
    "invalid tag name",
    "invalid page offset adder",
    "inv. max number of tag table elements",
    "bad tag table element length",
    "invalid tag count",
    "unknown key format switches",
    "unknown switch error",
    "tag in use",
    "Windows GlobalLock error",
    "Windows Task lookup Failed",
    "internal lock buffer overflow",
    "internal lock buffer underflow",
};

} // namespace

std::string_view xbaseText(int number) {
    if (number < 1 || number > static_cast<int>(kTexts.size())) return {};
    return kTexts[static_cast<std::size_t>(number - 1)];
}

std::string xbaseMessage(std::string_view path, int number) {
    const auto slash = path.find_last_of("/\\:");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string out = "File ";
    out += name;
    out += ", xBase Error (";
    out += std::to_string(number);
    out += "): ";
    out += xbaseText(number);
    return out;
}

std::string_view runtimeText(int code) {
    switch (code) {
    case kOk:
        return "";
    case kFileNotFound:
        return "File Not Found";
    case kPathNotFound:
        return "Path Not Found";
    case kAccessDenied:
        return "Access Denied";
    case kRecordNotAvailable:
        return "Record Not Available";
    case kRecordNotFound:
        return "Record Not Found";
    case kInvalidDataFile:
        return "Invalid Data File";
    case kFileNotOpen:
        return "File Not Open";
    case kInvalidKeyFile:
        return "Invalid Key File";
    case kDuplicateKey:
        return "Creates Duplicate Key";
    case kInvalidFilename:
        return "Invalid Filename";
    case kInvalidRecordDeclaration:
        return "Invalid Record Declaration";
    case kFileAlreadyOpen:
        return "File Already Open";
    case kInvalidMemoFile:
        return "Invalid Memo File";
    case kMemoFileMissing:
        return "Memo File Missing";
    case kInvalidFieldType:
        return "Invalid Field Type Descriptor";
    case kInvalidIndexString:
        return "Invalid Index String";
    case kUnsupportedFunction:
        return "Unsupported File Driver Function";
    case kFileSystemError:
        return "File System Error";
    default:
        return "Unknown Error Posted";
    }
}

} // namespace zv::dbase
