// Errors of the dBase layer: the runtime error codes the record access services
// report, the xBase error numbers with their texts, and the message shown when
// extended errors are on.
#pragma once

#include <string>
#include <string_view>

namespace zv::dbase {

// Runtime error codes reported to the record access services.
enum RuntimeError : int {
    kOk = 0,
    kFileNotFound = 2,
    kPathNotFound = 3,
    kAccessDenied = 5,
    kRecordNotAvailable = 33,
    kRecordNotFound = 35,
    kInvalidDataFile = 36,
    kFileNotOpen = 37,
    kInvalidKeyFile = 38,
    kDuplicateKey = 40,
    kInvalidFilename = 45,
    kInvalidRecordDeclaration = 47,
    kFileAlreadyOpen = 52,
    kInvalidMemoFile = 57,
    kMemoFileMissing = 73,
    kInvalidFieldType = 75,
    kInvalidIndexString = 76,
    kUnsupportedFunction = 80,
    kFileSystemError = 90,
};

// xBase error numbers, numbered from 1 in the order of their texts.
enum class Xbase : int {
    None = 0,
    FileWrite = 1,
    FileRead = 2,
    Memory = 3,
    Seek = 4,
    FileNotFound = 5,
    FileCorrupted = 6,
    BadKeyExpression = 7,
    NoIndexPages = 9,
    InvalidFilename = 14,
    InvalidDate = 15,
    InvalidKeyType = 22,
    InvalidKeyLength = 23,
    ItemLength = 24,
    InvalidRootPage = 25,
    BadMaxKeys = 26,
    NotMemoFormat = 17,
    InvalidVersion = 18,
    HeaderLength = 19,
    InvalidFieldCount = 27,
    FieldNameInvalid = 28,
    BadFieldLength = 29,
    DecimalsInvalid = 30,
    InvalidFieldType = 31,
    InvalidRecordLength = 32,
    BadData = 33,
    ReadOnly = 36,
    PathNotFound = 39,
    AccessDenied = 40,
    CouldNotOpen = 46,
    FlushFailure = 47,
    InvalidPageSize = 49,
    InvalidTagName = 50,
    TagTableElements = 52,
    TagEntryLength = 53,
    InvalidTagCount = 54,
};

// The text of an xBase error number; empty for a number outside the table.
std::string_view xbaseText(int number);

// "File NAME, xBase Error (N): TEXT" with NAME the file name without its directory.
std::string xbaseMessage(std::string_view path, int number);

// The runtime table's text for the codes this driver reports.
std::string_view runtimeText(int code);

} // namespace zv::dbase
