#include "error_codes.h"

#include <cerrno>

namespace zv::access {
namespace {

struct Text {
    int code;
    std::string_view text;
};

constexpr Text kTexts[] = {
    {2, "File Not Found"},
    {3, "Path Not Found"},
    {4, "Too Many Open Files"},
    {5, "Access Denied"},
    {7, "Memory Corrupted"},
    {8, "Insufficient Memory"},
    {30, "Entry Not Found"},
    {32, "File Is Already Locked"},
    {33, "Record Not Available"},
    {35, "Record Not Found"},
    {36, "Invalid Data File"},
    {37, "File Not Open"},
    {38, "Invalid Key File"},
    {40, "Creates Duplicate Key"},
    {43, "Record Is Already Held"},
    {45, "Invalid Filename"},
    {46, "Key File Must Be Rebuilt"},
    {47, "Invalid Record Declaration"},
    {48, "Unable To Log Transaction"},
    {52, "File Already Open"},
    {53, "Invalid Corvid File"},
    {54, "No Create Attribute"},
    {55, "File Must Be Shared"},
    {56, "LOGOUT Already Active"},
    {57, "Invalid Memo File"},
    {63, "Exclusive Access Required"},
    {64, "Sharing Violation"},
    {65, "Unable To ROLLBACK Transaction"},
    {73, "Memo File Missing"},
    {75, "Invalid Field Type Descriptor"},
    {76, "Invalid Index String"},
    {77, "Unable To Access Index"},
    {78, "Invalid Number Of Parameters "},
    {79, "Unsupported Data Type In File"},
    {80, "Unsupported File Driver Function"},
    {81, "Unknown Error Posted"},
    {88, "Invalid Key Length"},
    {89, "Record Changed By Another Station"},
    {90, "File System Error"},
    {91, "LOGOUT Could Not Be Performed"},
};

// The system's wording of its error numbers 1-91.
constexpr Text kSystemTexts[] = {
    {1, "Invalid Function"},
    {2, "File Not Found"},
    {3, "Path Not Found"},
    {4, "Too Many Open Files"},
    {5, "Access Denied"},
    {6, "Invalid Handle"},
    {7, "Memory Control Blocks Destroyed"},
    {8, "Insufficient Memory"},
    {9, "Invalid Memory Block Address"},
    {10, "Invalid Environment"},
    {11, "Invalid Format"},
    {12, "Invalid Access Code"},
    {13, "Invalid Data"},
    {15, "Invalid Drive"},
    {16, "Cannot Remove Current Directory"},
    {17, "Not Same Device"},
    {18, "No More Files"},
    {19, "Write Protect"},
    {20, "Unknown Unit"},
    {21, "Drive Not Ready"},
    {22, "Unknown Command"},
    {23, "Data Error"},
    {24, "Bad Request Structure Length"},
    {25, "Seek Error"},
    {26, "Unknown Media Type"},
    {27, "Sector Not Found"},
    {28, "Printer Out Of Paper"},
    {29, "Write Fault"},
    {30, "Read Fault"},
    {31, "General Failure"},
    {32, "Sharing Violation"},
    {33, "Lock Violation"},
    {34, "Invalid Disk Change"},
    {35, "FCB Unavailable"},
    {36, "Sharing Buffer Overflow"},
    {38, "Reached End Of File"},
    {39, "Disk Full"},
    {50, "Network Request Not Supported"},
    {51, "Remote Computer Not Listening"},
    {52, "Duplicate Name On Network"},
    {53, "Network Path Not Found"},
    {54, "Network Busy"},
    {55, "Network Device No Longer Exists"},
    {56, "Network Command Limit Exceeded"},
    {57, "Network Adapter Hardware Error"},
    {58, "Incorrect Response From Network"},
    {59, "Unexpected Network Error"},
    {60, "Incompatible Remote Adapter"},
    {61, "Print Queue Full"},
    {62, "No Space For Print File"},
    {63, "Print File Deleted"},
    {64, "Network Name Deleted"},
    {65, "Network Access Denied"},
    {66, "Network Device Type Incorrect"},
    {67, "Network Name Not Found"},
    {68, "Network Name Limit Exceeded"},
    {69, "Network Session Limit Exceeded"},
    {70, "Sharing Temporarily Paused"},
    {71, "Network Request Not Accepted"},
    {72, "Redirection Paused"},
    {80, "File Exists"},
    {82, "Cannot Make Directory Entry"},
    {83, "Fail On Critical Error"},
    {84, "Too Many Redirections"},
    {85, "Duplicate Redirection"},
    {86, "Invalid Password"},
    {87, "Invalid Parameter"},
    {88, "Network Data Fault"},
    {89, "No Process Slots"},
};

} // namespace

std::string errorText(int code) {
    if (code > kOsErrorBase && code <= kOsErrorBase + 91) {
        for (const Text& t : kSystemTexts)
            if (t.code == code - kOsErrorBase) return std::string(t.text);
        return "System Error " + std::to_string(code - kOsErrorBase);
    }
    for (const Text& t : kTexts)
        if (t.code == code) return std::string(t.text);
    return "Unknown Error Posted";
}

int osErrorCode(int e) {
    int system;
    switch (e) {
    case ENOENT:
        system = 2;
        break;
    case ENOTDIR:
        system = 3;
        break;
    case EMFILE:
    case ENFILE:
        system = 4;
        break;
    case EACCES:
    case EPERM:
        system = 5;
        break;
    case EBADF:
        system = 6;
        break;
    case ENOMEM:
        system = 8;
        break;
    case EINVAL:
        system = 87;
        break;
    case EXDEV:
        system = 17;
        break;
    case EROFS:
        system = 19;
        break;
    case ENXIO:
    case ENODEV:
        system = 21;
        break;
    case ESPIPE:
        system = 25;
        break;
    case EIO:
        system = 31;
        break;
    case EBUSY:
    case ETXTBSY:
        system = 32;
        break;
    case EAGAIN:
    case EDEADLK:
        system = 33;
        break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        system = 39;
        break;
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTUNREACH:
        system = 51;
        break;
    case ESTALE:
        system = 64;
        break;
    case EEXIST:
        system = 80;
        break;
    case ENAMETOOLONG:
        system = 3;
        break;
    default:
        system = 31;
        break;
    }
    return kOsErrorBase + system;
}

} // namespace zv::access
