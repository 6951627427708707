// The form engine: the logic of every update form of the program, without a
// screen. It handles the three requests a browse hands a form:
//  - insert: defaults, then numbering (the number field of the last record in
//    the number key + 1, or 1) with the record added at once as a
//    placeholder; three failed tries give message 25, whose Retry starts
//    again. A form without numbering adds its record at OK instead;
//  - change: a copy of the record and memos is taken at opening; OK writes
//    through the file's update rule only when something differs;
//  - delete: no window; message 32 asks, the delete rule deletes, message 18
//    offers to try again.
// OK of an insert writes the placeholder (message 24 names a duplicated key,
// message 14 any other error); Cancel, or a form abandoned without OK, deletes
// the placeholder again.
//
// Thread rule: used by one procedure. The record buffer is shared; before it
// writes, the engine makes its own record the file's current one again.
#pragma once

#include "app/records/browse/browse_engine.h"
#include "app/records/form/form_layout.h"
#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zv::records {

struct FormDecl {
    std::string file;        // file label, "Adresar"
    std::string numberField; // "ADR:ID" numbered on insert; "" adds the record at OK
    std::string numberKey;   // "ADR:BYID"
    std::string insertTitle; // UTF-8, the whole title of an insert
    std::string changeTitle; // UTF-8, followed by "  (" field ")" when titleField is set
    std::string titleField;  // "ADR:FIRMA"
    int titleClip = 40;      // characters of titleField shown
    // Key names as message 24 shows them ("ADR:BYFIRMA" -> "ADR:ByFirma").
    std::vector<std::pair<std::string, std::string>> keyNames;
    // Defaults of a new record, put in the cleared buffer before numbering.
    std::function<void(access::RecordFile&)> primeInsert;
    // Stamps of a change (who and when), set at OK when something changed.
    std::function<void(access::RecordFile&)> stampChange;
    // Numbers a new record must not take (a saved selection whose file is still on
    // disk); numbering goes on to the next one.
    std::function<bool(std::int64_t number)> numberTaken;
    // What follows from the number, filled in before the record is reserved.
    std::function<void(access::RecordFile&)> numbered;
    // OK of a change completes even when nothing was edited (it then writes the
    // stamps): for forms whose OK means "do it", as overwriting a saved selection.
    bool okCompletesUnchanged = false;
    // Why the record cannot be written as it stands (Windows-1250); "" when it can.
    // Checked at OK before anything is written; the form stays open with the reason.
    std::function<std::string(const access::RecordFile&)> validate;
    // OK of an insert hands the record to this instead of adding it (a form that
    // writes elsewhere, as the automatic history writes one entry per firm).
    std::function<void(access::RecordFile&)> saveInsert;

    // The window.
    std::string procedure;          // "ADRESAR_U"
    std::string section;            // its section of ZEVLON.INI ("Adresar_U")
    std::vector<std::string> files; // opened while it runs, besides `file`
    std::vector<FormTab> tabs;
    int width = 0, height = 0; // its first size in pixels (0: as laid out)
    int minimumWidth = 0;
    bool navigation = false; // the buttons that save and move to another record
    std::string okHint, cancelHint;
    // After a request completed (insert, change or delete).
    std::function<void()> completed;
};

class FormEngine {
public:
    FormEngine(services::ProcedureServices& services, FormDecl decl);
    // A form abandoned without OK or Cancel is cancelled.
    ~FormEngine();
    FormEngine(const FormEngine&) = delete;
    FormEngine& operator=(const FormEngine&) = delete;

    access::RecordFile& file() { return file_; }
    const FormDecl& decl() const { return decl_; }

    // Runs what comes before the window. True when the window is to open; false
    // when the request was completed or refused without it (see response()).
    bool begin(int request);
    int request() const { return request_; }

    // The window title (UTF-8).
    std::string title() const;

    enum class OkResult {
        Closed,   // response() says how; the window closes
        StayOpen, // an error was shown; focus goes back to the first field
        Reloaded, // another station's version was read into the buffer; show it
    };
    // OK after the window's fields were written into the buffer and validated.
    OkResult ok();
    void cancel();

    // Navigation request of the button that asked for OK (0 = none).
    void setNavigation(int n) { navigation_ = n; }
    int navigation() const { return navigation_; }

    bool finished() const { return finished_; }
    int response() const { return response_; }
    FormOutcome outcome() const { return {response_, navigation_}; }

    // True when the buffer or memos differ from the copy taken at opening.
    bool changed() const;

private:
    struct Image {
        std::vector<std::uint8_t> record;
        std::vector<std::string> memos;
    };
    Image snapshot() const;
    void restore(const Image& image);
    int numberRecord(); // 0, or a read error other than end of data
    int addPlaceholder();
    void makeCurrent();
    std::string keyName(int key) const;
    void finish(int response);

    services::ProcedureServices& s_;
    FormDecl decl_;
    access::RecordFile& file_;
    Image original_;           // the record and memos as they came in
    access::Position pos_;     // the form's record in the file (record order)
    bool placeholder_ = false; // an insert's record is in the file
    int request_ = 0;
    int navigation_ = 0;
    int response_ = kResponseCancelled;
    bool finished_ = false;
};

} // namespace zv::records
