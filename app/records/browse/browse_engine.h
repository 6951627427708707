// The browse engine: the logic of every list window of the program, without a
// screen. It holds one page of rows (each with the displayed texts, a copy of
// the record and its position), fills it forwards and backwards through a
// view of the file, scrolls by row, page, top and bottom, refreshes in the
// modes below, switches sort orders, locates by typed text, keeps the
// 100-position thumb, restricts an embedded list to its parent's value and runs
// insert, change and delete requests through a form with the form's
// navigation requests.
//
// Invariants, kept after every public call:
//  1. rows().size() <= pageSize();
//  2. current() is 0 exactly when rows() is empty, else 1..rows().size();
//  3. with rows, the file's record buffer holds the current row's record
//     (re-read by its position after any move);
//  4. rows are in the current key order, consecutive in the view.
//
// Thread rule: used by one procedure; the file's buffer is shared with other
// windows, so every action re-reads by position before relying on it.
#pragma once

#include "app/records/browse/browse_decl.h"
#include "app/records/browse/locator_search.h"
#include "app/shell/access/view.h"
#include "app/shell/services/procedure_services.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zv::records {

// Requests a browse hands its form, and answers.
constexpr int kRequestInsert = 1;
constexpr int kRequestChange = 2;
constexpr int kRequestDelete = 3;
constexpr int kRequestSelect = 4;
constexpr int kResponseCompleted = 1;
constexpr int kResponseCancelled = 2;

// Navigation requests a form hands back to its browse (0 = none).
constexpr int kNavSaveAndAdd = 2000;
constexpr int kNavLast = 2004;
constexpr int kNavFirst = 2005;
constexpr int kNavPageDown = 2006;
constexpr int kNavPageUp = 2007;
constexpr int kNavNext = 2008;
constexpr int kNavPrevious = 2009;

enum class RefreshMode {
    AroundCurrent = 1, // re-read around the record now in the buffer (after a form)
    KeepHighlight = 2, // refresh keeping the highlighted record
    KeepFirst = 3,     // keep the first row
    FromEnd = 4,       // fill backwards from the end
    FromFirst = 5,     // re-read from the first row
};

struct BrowseRow {
    std::vector<std::string> cells;        // Windows-1250 texts of the columns
    std::vector<std::uint8_t> record;      // the record as read
    access::Position position;             // its place in the key order of the page
    std::uint32_t colour = kDefaultColour; // its background, 0xRRGGBB
};

// What a form answered.
struct FormOutcome {
    int response = kResponseCancelled;
    int navigation = 0;
};

class BrowseEngine {
public:
    BrowseEngine(services::ProcedureServices& services, BrowseDecl decl, int pageSize = 10);
    BrowseEngine(const BrowseEngine&) = delete;
    BrowseEngine& operator=(const BrowseEngine&) = delete;

    const BrowseDecl& decl() const { return decl_; }
    access::RecordFile& file() { return file_; }

    // Opens the view (the file must be open). Errors give message 36 and the
    // browse goes on without filter. Returns the open's code.
    int open();
    void close();
    bool isOpen() const { return view_.isOpen(); }

    // A record filter (true keeps the record), besides the sort order's own;
    // takes effect at the next refresh.
    void setFilter(access::View::Filter filter);

    // Selecting mode (request 4): the first display positions on the record in
    // the buffer.
    void setSelecting(bool selecting) { selecting_ = selecting; }
    bool selecting() const { return selecting_; }

    // Rows on a page (the list's visible height); at least 1.
    void setPageSize(int rows);
    int pageSize() const { return pageSize_; }

    // Sort order 1..orders (anything else: the fallback, the last order). Fills
    // the page when the order or the restriction changed, or when forced.
    void setOrder(int order, bool force = false);
    int order() const { return order_; }
    const SortOrder& sortOrder() const;

    // The parent's value of an embedded list; the list refills when it changes.
    void setRestriction(std::int64_t value);

    // The page.
    const std::vector<BrowseRow>& rows() const { return rows_; }
    int current() const { return current_; }
    bool empty() const { return rows_.empty(); }
    // Highlights row n (1-based) as a click would and reads its record.
    void choose(int row);

    // Scrolling.
    void scrollDown();
    void scrollUp();
    void pageDown();
    void pageUp();
    void top();
    void bottom();

    void refresh(RefreshMode mode);

    // Locators of the current order.
    const std::string& locator() const;
    bool hasLocator() const { return sortOrder().locator != LocatorKind::None; }
    // A character typed in the list (Windows-1250); false when the order has no
    // locator or the locator is full (30 characters).
    bool typeCharacter(char c);
    void backspace();
    // The locator field accepted with this text.
    void locateText(std::string_view text1250);

    // The thumb: its position for the current row, and dragging it.
    int thumbPosition();
    void thumbTo(int position);

    // Insert, change or delete through a form. form(request) runs the form with
    // the file's buffer prepared and returns its outcome; navigation requests
    // call it again as they ask. Returns the last outcome.
    FormOutcome runRequest(int request, const std::function<FormOutcome(int request)>& form);

    // A read error while filling closed the browse (message 35 was shown).
    bool failed() const { return failed_; }
    // Total records of the file (for the count field).
    long recordCount();

    // Re-reads the current row's record into the buffer; false when it is gone.
    bool readCurrent();

private:
    const dict::FieldSpec* keyField(const SortOrder& order) const;
    int keyNumber() const { return key_; }
    BrowseRow makeRow();
    int read(bool forward);
    void startTop();
    void startBottom();
    int fill(int items, bool forward);
    void emptyPage();
    void applyFilter();
    void locateAtBuffer();
    void finishMove();
    void removeCurrentRow();
    void setLocatorValue();
    // How the current key compares text (the file's order, asked once).
    TextKeyOrder textKeyOrder();

    services::ProcedureServices& s_;
    BrowseDecl decl_;
    access::RecordFile& file_;
    access::View view_;
    access::View::Filter filter_;
    std::vector<int> keys_;             // key number of each order
    std::vector<std::string> locators_; // locator text of each order
    std::vector<BrowseRow> rows_;
    int current_ = 0;
    int pageSize_;
    int order_ = 0; // 0 until the first setOrder
    int key_ = -1;
    bool addQueue_ = false; // a fill drops rows from the other end
    bool selecting_ = false;
    bool firstDisplay_ = true;
    bool failed_ = false;
    const dict::FieldSpec* restrictSpec_ = nullptr;
    std::optional<std::int64_t> restriction_;
    bool restrictionChanged_ = false;
    std::optional<bool> czechKeys_; // the file keeps its text keys in Czech order
};

} // namespace zv::records
