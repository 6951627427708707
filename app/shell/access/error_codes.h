// Error codes of the record access services and their texts, as the standard
// messages show them. 0 is success; 33 is the end of the data; 301-391 are
// operating-system failures (300 + the system error number) in the system's wording.
#pragma once

#include <string>
#include <string_view>

namespace zv::access {

enum ErrorCode : int {
    kNoError = 0,
    kFileNotFound = 2,
    kPathNotFound = 3,
    kTooManyOpenFiles = 4,
    kAccessDenied = 5,
    kMemoryCorrupted = 7,
    kInsufficientMemory = 8,
    kEntryNotFound = 30,
    kFileLocked = 32,
    kRecordNotAvailable = 33,
    kRecordNotFound = 35,
    kInvalidDataFile = 36,
    kFileNotOpen = 37,
    kInvalidKeyFile = 38,
    kDuplicateKey = 40,
    kRecordHeld = 43,
    kInvalidFilename = 45,
    kRebuildKeys = 46,
    kInvalidDeclaration = 47,
    kUnableToLog = 48,
    kFileAlreadyOpen = 52,
    kNoCreateAttribute = 54,
    kUnsupportedFunction = 80,
    kUnknownError = 81,
    kRecordChanged = 89,
    kFileSystemError = 90,
    kOsErrorBase = 300,
};

// The text of a code ("Creates Duplicate Key"); for 301-391 the system's wording
// of the underlying error ("Sharing Violation"). Unknown codes give "Unknown Error Posted".
std::string errorText(int code);

// The code under which an operating-system error number (errno) is reported:
// 300 + the matching system error number ("Sharing Violation" is 332).
int osErrorCode(int errnoValue);

} // namespace zv::access
