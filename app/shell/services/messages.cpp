#include "messages.h"

#include "app/shell/access/error_codes.h"
#include "platform/codepage.h"

namespace zv::services {

std::string errorForMessage(const SavedError& e) {
    if (e.code == access::kFileSystemError)
        return e.driverText + " (" + std::to_string(e.driverCode) + ")";
    return e.text + " (" + std::to_string(e.code) + ")";
}

Message standardMessage(int n, std::string_view name1, std::string_view name2,
                        const SavedError& error) {
    const std::string a(name1);
    const std::string b(name2);
    const std::string err = errorForMessage(error);
    const Buttons ok{Button::Ok};
    const Buttons yesNo{Button::Yes, Button::No};
    const Buttons okCancel{Button::Ok, Button::Cancel};
    switch (n) {
    case msg::InvalidFile:
        return {"Invalid File", "Invalid File!", Icon::Hand, ok};
    case msg::InvalidKey:
        return {"Invalid Key", a + " key file is invalid.  Do you\nwant to rebuild the key?",
                Icon::Question, yesNo};
    case msg::KeyRebuildError:
        return {"Key Rebuild Error",
                "Error: (" + err + ") repairing key for " + a +
                    ".  Press OK to end this application.",
                Icon::Hand, ok};
    case msg::FileCreationError:
        return {"File Creation Error",
                "Error: (" + err + ") creating " + a + ".  Press OK to end this application.",
                Icon::Hand, ok};
    case msg::CreatedFileOpenError:
        return {"File Creation Error",
                "Error: (" + err + ") opening created file: " + a +
                    ".  Press OK to end this application.",
                Icon::Hand, ok};
    case msg::ProcedureNotDefined:
        return {"Procedure not defined", "The Procedure " + a + " has not\nbeen defined.",
                Icon::Hand, ok};
    case msg::KeyedReadError:
        return {"", "Unable to read keyed record.  Error: " + err + ".  Insert Aborted",
                Icon::Exclamation, ok};
    case msg::RangeLower:
        return {"Range Error", "The value of " + a + " must be lower than " + b, Icon::Exclamation,
                ok};
    case msg::RangeHigher:
        return {"Range Error", "The value of " + a + " must be higher than " + b, Icon::Exclamation,
                ok};
    case msg::RangeBetween:
        return {"Range Error", "The value of " + a + " must be between " + b + ".",
                Icon::Exclamation, ok};
    case msg::NotInLookupFile:
        return {"Field Contents Error",
                "The value for " + a + " must be found in the " + b + " file.", Icon::Exclamation,
                ok};
    case msg::ReferencedOnUpdate:
        return {"Referential Integrity Update Error",
                "This record is referenced from the file " + a +
                    ".  Linking field(s) have been restricted from change and have been reset to "
                    "original values.",
                Icon::Exclamation, ok};
    case msg::ReferencedOnDelete:
        return {"Referential Integrity Delete Error",
                "This record is referenced from the file " + a +
                    ".  This record cannot be deleted while these references exist.",
                Icon::Exclamation, ok};
    case msg::InsertError:
        return {"Record Insert Error",
                "An error was experienced during the update of record.  Error: " + err + ".",
                Icon::Exclamation, ok};
    case msg::UpdateOperationError:
        return {"Update Operation Error",
                "An error (" + err +
                    ") was experienced when attempting to update a record from the file.  Probable "
                    "Cause: " +
                    a,
                Icon::Exclamation, ok};
    case msg::UpdateRetry:
        return {"Record Update Error",
                "An error was experienced changing this record.  Do you want to try to save again?",
                Icon::Question, yesNo};
    case msg::DeleteOperationError:
        return {"Delete Operation Error",
                "An error (" + err +
                    ") was experienced when attempting to delete a record from the file " + a + ".",
                Icon::Exclamation, ok};
    case msg::DeleteRetry:
        return {"Record Update Error",
                "An error was experienced deleting this record.  Do you want to try to save again?",
                Icon::Question, yesNo};
    case msg::InsertNotAllowed:
    case msg::ChangeNotAllowed:
    case msg::DeleteNotAllowed: {
        const char* what = n == msg::InsertNotAllowed   ? "insert"
                           : n == msg::ChangeNotAllowed ? "change"
                                                        : "delete";
        const char* plural = n == msg::InsertNotAllowed   ? "inserts"
                             : n == msg::ChangeNotAllowed ? "changes"
                                                          : "deletes";
        return {"Invalid Request",
                std::string("This procedure was called to ") + what + " a record, however " +
                    plural +
                    " are not allowed for this procedure.  Press OK to return to the calling "
                    "procedure",
                Icon::Exclamation, ok};
    }
    case msg::CreationNotAllowed:
        return {"File Creation Not Allowed",
                "The File " + a +
                    "was not found, and creation of the file is not allowed.  Press OK to end this "
                    "application.",
                Icon::Hand, ok};
    case msg::ConfirmCancel:
        return {"Update Cancelled", "Are you sure you want to cancel?", Icon::Question, yesNo};
    case msg::DuplicateKey:
        return {"Duplicate Key Error",
                "Adding this record creates a duplicate entry for the key:" + a, Icon::Exclamation,
                ok};
    case msg::AutoNumberError:
        return {"Auto Increment Error",
                "Attempts to automatically number this record have failed.  Error: " + err,
                Icon::Exclamation,
                {Button::Retry, Button::Cancel}};
    case msg::FileLoadError:
        return {"File Load Error", "Error: (" + err + ") loading " + a + ".", Icon::Exclamation,
                ok};
    case msg::StopLoading:
        return {"Cancel Request", "Are you certain you want to stop loading " + a + "?",
                Icon::Question, yesNo};
    case msg::EmptyTextFile:
        return {"File Load Error", "The file you've requested contains no text.", Icon::Exclamation,
                ok};
    case msg::EndOfFile:
        if (cp1250::equalNoCase(a, "Beginning"))
            return {"Beginning of File Error",
                    "The beginning of the viewed file was encountered.  Do you want to start again "
                    "from the end of the file?",
                    Icon::Question, yesNo};
        return {"End of File Error",
                "The end of the viewed file was encountered.  Do you want to start again from the "
                "beginning?",
                Icon::Question, yesNo};
    case msg::FileAccessError:
        return {"File Access Error",
                "File (" + a + ") could not be opened.  Error: " + err +
                    ".  Press OK to end this application.",
                Icon::Hand, okCancel};
    case msg::ProcessError:
        if (cp1250::equalNoCase(b, "DELETE"))
            return {"Process DELETE Error",
                    "An error was experienced when deleting a record from the " + a +
                        " file.  Error: " + err,
                    Icon::Exclamation, ok};
        return {"Process PUT Error",
                "An error was experienced when making changes to the " + a +
                    " file.  Error: " + err,
                Icon::Exclamation, ok};
    case msg::ConfirmDelete:
        return {cp1250::fromUtf8("Rušení záznamu"),
                cp1250::fromUtf8("Chcete zrušit vybraný záznam !\nTlačítkem OK zrušení potvrdíte."),
                Icon::Question, okCancel};
    case msg::SaveChanges:
        return {"Update Cancelled",
                "Do you want to save the changes to this record?",
                Icon::Question,
                {Button::Yes, Button::No, Button::Cancel}};
    case msg::TransactionFraming:
        return {"Transaction Framing Error",
                "Error: (" + err + ") attempting to frame the " + b + " transaction on " + a +
                    ".  " + b + " transaction cancelled.",
                Icon::Hand, ok};
    case msg::RecordRetrieval:
        return {"Record Retrieval Error",
                "Error: (" + err + ") attempting to access a record from the " + a +
                    " file.  Returning to previous window.",
                Icon::Hand, ok};
    case msg::ViewOpenError:
        return {"View Open Error",
                "Error: (" + err +
                    ") attempting to open the current VIEW. Filter and Range Limits ignored.",
                Icon::Exclamation, ok};
    case msg::RecordAdded:
        return {"Record Added",
                "This record has been added to the file. Do you want to add another record?",
                Icon::Question, yesNo};
    case msg::ChangedByAnotherStation:
        return {"Record Was Not Updated",
                "This record was changed by another station. Those changes will now be displayed. "
                "Use the Ditto Button or Ctrl+' to recall your changes.",
                Icon::Exclamation, ok};
    default:
        return {"Procedure not defined", "Message " + std::to_string(n) + " has not been defined.",
                Icon::Hand, ok};
    }
}

Button ScriptedMessages::show(const Message& message) {
    shown_.push_back(message);
    if (answers_.empty()) return message.buttons.empty() ? Button::Ok : message.buttons.front();
    const Button b = answers_.front();
    answers_.pop_front();
    return b;
}

} // namespace zv::services
