// The dBase IV driver's table: one declared table bound to a .DBF file (and its
// .DBT memo file), with the operations the record access services dispatch to a
// driver: create, open, close, add, read in record order, change, delete (the
// deletion mark), record counts, positions, batch writing and driver commands.
//
// After every operation error() holds a runtime error code (0 = success) and its
// text; failures of the file layer also carry their xBase error number, and with
// extended errors on, the message "File NAME, xBase Error (N): TEXT" goes to the
// notifier. Records are the declaration's record buffer; memos are one text per
// declared memo, in Windows-1250.
//
// Keys: a declaration with keys gives the table a production index N".MDX", one
// tag per key, read at open (a damaged or foreign file is refused with error 38
// and its xBase error; one that disagrees with the table is rebuilt), kept up to
// date on every add, change and delete and rewritten whole through a work file
// (file_swap.h) after each write, or when a batch ends. Reading in a tag's order
// goes through the tag's entries; deleted rows stay in a tag unless its filter
// leaves them out, and reading skips them as in record order.
//
// The command "RECOVER" recounts the rows, packs the memo file (memo_pack.h,
// not for a table opened for reading only) and rebuilds the index from the table.
//
// Deleted rows: reading skips rows with the deletion mark and records() does not
// count them, unless the ignore-status switch is on; then they are read like any
// other row and the command "DELETED" tells whether the current one is marked.
//
// One thread at a time; the record access services serialise calls.
#pragma once

#include "storage/dbase/column_map.h"
#include "storage/dbase/dbf_file.h"
#include "storage/dbase/tag_def.h"
#include "storage/dbase/tag_set.h"
#include "storage/declaration.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zv::dbase {

inline constexpr std::string_view kDriverName = "dBase4";
inline constexpr std::string_view kDriverDescription = "dBase IV File Driver 1.0";

struct ErrorState {
    int code = 0;     // runtime error code, 0 = success
    int xbase = 0;    // xBase error number behind it, 0 = none
    std::string text; // the runtime text or the driver's own message
};

// A saved position: the row number, big-endian.
using Position = std::array<std::uint8_t, 4>;

class DbaseTable {
public:
    explicit DbaseTable(storage::TableDecl decl);
    DbaseTable(const DbaseTable&) = delete;
    DbaseTable& operator=(const DbaseTable&) = delete;
    ~DbaseTable();

    const storage::TableDecl& declaration() const { return decl_; }

    // Makes an empty table file (replacing one of that name) for the declaration.
    // A name without an extension gets ".DBF".
    [[nodiscard]] int create(const std::string& name);
    // Opens the table; mode as the record access services give it (low nibble 0
    // opens for reading only). The file's columns must be those of the declaration.
    [[nodiscard]] int open(const std::string& name, int mode = 0x42);
    [[nodiscard]] int close();
    bool isOpen() const { return file_.isOpen(); }
    // The file name, for messages.
    const std::string& name() const { return path_; }
    // Names the file of a table that is not open (for "RECOVER" before an open).
    void bindName(const std::string& name);

    // Appends the record and its memos; memo block numbers are stored in the
    // record's memo fields. REQUIRES: record.size() >= the declared record length.
    [[nodiscard]] int add(std::span<std::uint8_t> record, const std::vector<std::string>& memos);
    // Rewrites the current row from the record and memos.
    [[nodiscard]] int put(std::span<std::uint8_t> record, const std::vector<std::string>& memos);
    // Rewrites row `number` (from 1), which becomes the current row.
    [[nodiscard]] int putAt(std::uint32_t number, std::span<std::uint8_t> record,
                            const std::vector<std::string>& memos);
    // Sets the deletion mark on the current row.
    [[nodiscard]] int erase();
    // Removes every row.
    [[nodiscard]] int empty();

    // Physical order: setStart() positions before the first row; next() and
    // previous() read into the record and memos; at the end error 33.
    [[nodiscard]] int setStart();
    [[nodiscard]] int setEnd();
    [[nodiscard]] int next(std::span<std::uint8_t> record, std::vector<std::string>& memos);
    [[nodiscard]] int previous(std::span<std::uint8_t> record, std::vector<std::string>& memos);
    // Positions so that next() (or previous() when backward) reads row `number`
    // first; 0 positions at the start (the end when backward).
    [[nodiscard]] int setRecordNumber(std::uint32_t number, bool backward);
    // True when no row follows the one read last.
    bool eof();
    // The row read or written last, 0 for none.
    std::uint32_t currentRow() const { return current_; }
    // Forgets the current row (before an add).
    void clearCurrent();

    // Key order (tag = the key's number in the declaration). setKeyStart()
    // positions before the first entry (atEnd: after the last); setKeyValue() at
    // the key the record gives: reading forward from its first entry, backward from
    // its last, or at the entry of row `recno` when recno != 0; next() and
    // previous() then read in the tag's order until setStart() or
    // setRecordNumber() return to record order.
    [[nodiscard]] int setKeyStart(int tag, bool atEnd);
    enum class KeySeek { Forward, Backward, Record };
    [[nodiscard]] int setKeyValue(int tag, std::span<const std::uint8_t> record, KeySeek seek,
                                  std::uint32_t recno = 0);
    // Reads the first row whose key equals the one the record gives.
    [[nodiscard]] int getByKey(int tag, std::span<std::uint8_t> record,
                               std::vector<std::string>& memos);
    [[nodiscard]] int keyRecords(int tag, std::uint32_t& count);
    // Does the record's key for a unique tag belong to another row already.
    [[nodiscard]] int testDuplicate(int tag, std::span<const std::uint8_t> record, bool& duplicate);
    // Rebuilds every tag from the table and writes the index.
    [[nodiscard]] int buildIndex();
    const TagSet& tags() const { return tags_; }

    // Rows in the table (see Deleted rows above).
    [[nodiscard]] int records(std::uint32_t& count);
    Position position() const;
    // Positions so that the next read returns the row at that position.
    [[nodiscard]] int reset(std::span<const std::uint8_t> position);
    // Reads the row at that position.
    [[nodiscard]] int reget(std::span<const std::uint8_t> position, std::span<std::uint8_t> record,
                            std::vector<std::string>& memos);

    void beginBatch();
    [[nodiscard]] int endBatch();

    // A driver command; the answer, empty when there is none.
    std::string command(std::string_view text);

    const ErrorState& error() const { return error_; }
    // What the user is shown for the last error: the xBase message when extended
    // errors are on and the file layer failed, otherwise the error text.
    std::string message() const;
    // The driver's own wording of the last error, empty when the runtime text
    // says it all: the xBase text (the xBase message with extended errors on) or
    // a message of the column rules.
    std::string driverText() const;
    // Receives the xBase message of each failure while extended errors are on.
    void setNotifier(std::function<void(const std::string&)> notify) {
        notify_ = std::move(notify);
    }

    int buffers() const { return buffers_; }
    bool extendedErrors() const { return extErrors_; }
    bool ignoreStatus() const { return ignoreStatus_; }

private:
    int ok();
    int fail(int code, Xbase x = Xbase::None, std::string text = {});
    int failXbase(Xbase x);
    int recover();
    [[nodiscard]] int step(int direction, std::span<std::uint8_t> record,
                           std::vector<std::string>& memos);
    bool countLive();
    [[nodiscard]] int readInto(std::uint32_t number, std::span<std::uint8_t> record,
                               std::vector<std::string>& memos);
    [[nodiscard]] int writeRecord(std::uint32_t number, std::span<std::uint8_t> record,
                                  const std::vector<std::string>& memos);
    bool rowDeleted(std::uint32_t number, bool& deleted);
    bool visible(std::uint32_t number);
    // Index upkeep (dbase_table_keys.cpp).
    std::string indexPath() const;
    std::string ndxPath(const Tag& tag) const;
    [[nodiscard]] int loadIndex();
    [[nodiscard]] Xbase rebuildTags(TagSet& into);
    [[nodiscard]] Xbase saveIndex();
    [[nodiscard]] int indexChanged();
    [[nodiscard]] int keyStep(int direction, std::span<std::uint8_t> record,
                              std::vector<std::string>& memos);
    bool keyRowFrom(std::span<const std::uint8_t> record, std::vector<std::uint8_t>& row);
    bool validTag(int tag) const {
        return tag >= 0 && static_cast<std::size_t>(tag) < tags_.size();
    }

    storage::TableDecl decl_;
    ColumnMap map_;
    MapResult mapResult_;
    DbfFile file_;
    std::string path_;          // the table's file name (set by create and open)
    bool readOnlyOpen_ = false; // opened with a read-only access mode
    std::uint32_t current_ = 0; // row read last, 0 = none
    std::uint32_t cursor_ = 0;  // reading position: 0 before the first row, rows + 1 after
    std::uint32_t pending_ = 0; // row the next read returns (after reset), 0 = none
    std::uint32_t live_ = 0;    // rows without the deletion mark
    int buffers_ = 8;
    bool extErrors_ = false;
    bool ignoreStatus_ = false;
    ErrorState error_;
    std::function<void(const std::string&)> notify_;
    std::vector<std::uint8_t> row_; // scratch row
    std::vector<TagDef> defs_;      // the declaration's keys
    TagSet tags_;                   // the tags in memory while open
    bool indexDirty_ = false;       // tags changed since the index was written
    // Key order: order_ is the tag read through, -1 for record order. The key
    // cursor stands before the first entry (0), at keyAt_ (1) or after the last (2);
    // keyInclusive_ says whether a read forward returns keyAt_ itself.
    int order_ = -1;
    int keyWhere_ = 0;
    TagEntry keyAt_;
    bool keyInclusive_ = false;
};

} // namespace zv::dbase
