// The numbered standard messages, and the one message service through which
// every message box of the program goes. The window program shows a real box;
// tests give scripted answers and read what was shown.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

// The standard messages by number, named after what they say.
namespace zv::msg {
enum Number : int {
    InvalidFile = 1,              // "Invalid File"
    InvalidKey = 2,               // "Invalid Key": rebuild the key?
    KeyRebuildError = 3,          // "Key Rebuild Error"
    FileCreationError = 4,        // "File Creation Error" creating
    CreatedFileOpenError = 5,     // "File Creation Error" opening the created file
    ProcedureNotDefined = 6,      // "Procedure not defined"
    KeyedReadError = 7,           // "Unable to read keyed record"
    RangeLower = 8,               // "Range Error": lower than
    RangeHigher = 9,              // "Range Error": higher than
    RangeBetween = 10,            // "Range Error": between
    NotInLookupFile = 11,         // "Field Contents Error"
    ReferencedOnUpdate = 12,      // "Referential Integrity Update Error"
    ReferencedOnDelete = 13,      // "Referential Integrity Delete Error"
    InsertError = 14,             // "Record Insert Error"
    UpdateOperationError = 15,    // "Update Operation Error"
    UpdateRetry = 16,             // "Record Update Error": save again?
    DeleteOperationError = 17,    // "Delete Operation Error"
    DeleteRetry = 18,             // "Record Update Error" deleting: try again?
    InsertNotAllowed = 19,        // "Invalid Request": inserts
    ChangeNotAllowed = 20,        // "Invalid Request": changes
    DeleteNotAllowed = 21,        // "Invalid Request": deletes
    CreationNotAllowed = 22,      // "File Creation Not Allowed"
    ConfirmCancel = 23,           // "Update Cancelled": sure to cancel?
    DuplicateKey = 24,            // "Duplicate Key Error"
    AutoNumberError = 25,         // "Auto Increment Error"
    FileLoadError = 26,           // "File Load Error"
    StopLoading = 27,             // "Cancel Request": stop loading?
    EmptyTextFile = 28,           // "File Load Error": no text
    EndOfFile = 29,               // "End of File Error" / "Beginning of File Error"
    FileAccessError = 30,         // "File Access Error"
    ProcessError = 31,            // "Process PUT Error" / "Process DELETE Error"
    ConfirmDelete = 32,           // "Rušení záznamu": delete the record?
    SaveChanges = 33,             // "Update Cancelled": save the changes?
    TransactionFraming = 34,      // "Transaction Framing Error"
    RecordRetrieval = 35,         // "Record Retrieval Error"
    ViewOpenError = 36,           // "View Open Error"
    RecordAdded = 37,             // "Record Added": add another?
    ChangedByAnotherStation = 38, // "Record Was Not Updated"
};
} // namespace zv::msg

namespace zv::services {

enum class Button { Ok, Cancel, Yes, No, Retry, Abort, Ignore };
enum class Icon { None, Information, Question, Exclamation, Hand };

// The buttons a box offers, in order; the first is the default.
using Buttons = std::vector<Button>;

struct Message {
    std::string title; // Windows-1250
    std::string text;  // Windows-1250; "\n" breaks a line
    Icon icon = Icon::Exclamation;
    Buttons buttons{Button::Ok};
};

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows the message and returns the button pressed.
    virtual Button show(const Message& message) = 0;
};

// The error that caused a message: saved at each failure so a later message shows
// it even after other calls.
struct SavedError {
    int code = 0;
    std::string text;
    int driverCode = 0;
    std::string driverText;
};

// "error" as messages show it: the saved text and its number in parentheses; for
// 90 the driver's own text and number.
std::string errorForMessage(const SavedError& error);

// The standard message number n (1-38) with up to two names (a file or key, an
// operation or cause); the saved error fills the "error" pieces. Message 29 takes
// "End" or "Beginning" as its first name.
Message standardMessage(int n, std::string_view name1, std::string_view name2,
                        const SavedError& error);

// A message service with scripted answers, for tests: each show() records the
// message and answers the next scripted button (or the message's default).
class ScriptedMessages : public MessageService {
public:
    void answer(Button b) { answers_.push_back(b); }
    Button show(const Message& message) override;
    const std::vector<Message>& shown() const { return shown_; }
    void clear() { shown_.clear(); }

private:
    std::deque<Button> answers_;
    std::vector<Message> shown_;
};

} // namespace zv::services
