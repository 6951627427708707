#include "app/records/browse/browse_engine.h"

#include "app/records/browse/locator_search.h"
#include "app/records/browse/thumb.h"
#include "app/shell/access/database.h"
#include "app/shell/access/look_up.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"

#include <algorithm>
#include <limits>

namespace zv::records {
namespace {

constexpr std::size_t kLocatorMax = 30;

std::string cellText(const Column& column, access::RecordFile& file, access::Database& db) {
    if (column.text) return column.text(file);
    const auto* field = dict::fieldOf(file.def(), column.field);
    if (!field) return {};
    if (column.lookup) {
        access::RecordFile* other = db.fileOrNull(column.lookup.file);
        return other ? access::lookUpText(*other, column.lookup.key,
                                          dict::fieldInteger(*field, file.record()),
                                          column.lookup.shown)
                     : std::string();
    }
    std::string text = dict::fieldText(*field, file.record());
    if (column.zeroPad > 0 && !dict::isTextField(*field) &&
        text.size() < std::size_t(column.zeroPad) && !text.empty() && text[0] != '-')
        text.insert(0, std::size_t(column.zeroPad) - text.size(), '0');
    return text;
}

} // namespace

BrowseEngine::BrowseEngine(services::ProcedureServices& services, BrowseDecl decl, int pageSize)
    : s_(services), decl_(std::move(decl)), file_(services.db.file(decl_.file)), view_(file_),
      pageSize_(std::max(1, pageSize)) {
    for (const auto& o : decl_.orders)
        keys_.push_back(file_.keyNumber(o.key));
    locators_.resize(decl_.orders.size());
    if (!decl_.restrictField.empty())
        restrictSpec_ = dict::fieldOf(file_.def(), decl_.restrictField);
}

int BrowseEngine::open() {
    const int code = view_.open(access::kOpenDenyWrite);
    if (code != 0) {
        s_.saveError();
        s_.message(msg::ViewOpenError);
        return code;
    }
    applyFilter();
    return 0;
}

void BrowseEngine::close() {
    view_.close();
}

void BrowseEngine::setFilter(access::View::Filter filter) {
    filter_ = std::move(filter);
    applyFilter();
}

void BrowseEngine::applyFilter() {
    const auto& own = sortOrder().filter;
    if (!own || !filter_) {
        view_.setFilter(own ? own : filter_);
        return;
    }
    view_.setFilter(
        [own, general = filter_](const access::RecordFile& f) { return own(f) && general(f); });
}

void BrowseEngine::setPageSize(int rows) {
    rows = std::max(1, rows);
    if (rows == pageSize_) return;
    pageSize_ = rows;
    if (order_ != 0) refresh(RefreshMode::KeepFirst);
}

const SortOrder& BrowseEngine::sortOrder() const {
    static const SortOrder none;
    if (order_ < 1 || order_ > static_cast<int>(decl_.orders.size())) return none;
    return decl_.orders[std::size_t(order_ - 1)];
}

const std::string& BrowseEngine::locator() const {
    static const std::string none;
    if (order_ < 1 || order_ > static_cast<int>(locators_.size())) return none;
    return locators_[std::size_t(order_ - 1)];
}

const dict::FieldSpec* BrowseEngine::keyField(const SortOrder& order) const {
    const auto* fd = dict::fileByLabel(decl_.file);
    if (!fd) return nullptr;
    const int k = file_.keyNumber(order.key);
    if (k < 0) return nullptr;
    const auto& key = fd->keys[std::size_t(k)];
    if (key.components.empty()) return nullptr;
    const int f = fd->layout->indexOf(key.components.front());
    return f < 0 ? nullptr : &fd->layout->fields[std::size_t(f)];
}

TextKeyOrder BrowseEngine::textKeyOrder() {
    if (!czechKeys_) {
        // The file's own order, known once it is open.
        std::string order;
        if (file_.storedOrder(&order) == 0 && !order.empty()) czechKeys_ = order == "CZ";
    }
    if (czechKeys_.value_or(false)) return TextKeyOrder::Czech;
    const auto& keys = file_.declaration().keys;
    const bool noCase = key_ >= 0 && static_cast<std::size_t>(key_) < keys.size() &&
                        (keys[std::size_t(key_)].flags & storage::kKeyNoCase);
    return noCase ? TextKeyOrder::BytesNoCase : TextKeyOrder::Bytes;
}

void BrowseEngine::setRestriction(std::int64_t value) {
    if (restriction_ && *restriction_ == value) return;
    restriction_ = value;
    restrictionChanged_ = true;
    if (order_ != 0) setOrder(order_);
}

void BrowseEngine::setOrder(int order, bool force) {
    const int count = static_cast<int>(decl_.orders.size());
    if (count == 0) return;
    if (order < 1 || order > count) order = count;
    const bool changed = order != order_;
    if (changed && !firstDisplay_) {
        // A new order starts with an empty locator and a blank key field.
        locators_[std::size_t(order - 1)].clear();
        if (const auto* f = keyField(decl_.orders[std::size_t(order - 1)]))
            dict::blankField(*f, file_.record());
    }
    if (!changed && !force && !restrictionChanged_ && !firstDisplay_) return;
    order_ = order;
    key_ = keys_[std::size_t(order - 1)];
    restrictionChanged_ = false;
    applyFilter();
    if (firstDisplay_ && selecting_) {
        firstDisplay_ = false;
        locateAtBuffer();
        return;
    }
    firstDisplay_ = false;
    emptyPage();
    startTop();
    refresh(RefreshMode::KeepHighlight);
}

void BrowseEngine::emptyPage() {
    rows_.clear();
    current_ = 0;
}

void BrowseEngine::startTop() {
    if (restrictSpec_ && restriction_) {
        file_.clearBuffer();
        dict::setFieldInteger(*restrictSpec_, file_.record(), *restriction_);
        (void)view_.setKeyValue(key_);
        return;
    }
    if (const auto& start = sortOrder().start) {
        file_.clearBuffer();
        start(file_);
        (void)view_.setKeyValue(key_);
        return;
    }
    (void)view_.setKey(key_);
}

void BrowseEngine::startBottom() {
    if (restrictSpec_ && restriction_) {
        // Just past the parent's records: the first value after it, read backwards.
        if (*restriction_ >= std::numeric_limits<std::int32_t>::max()) {
            (void)view_.setKeyEnd(key_);
            return;
        }
        file_.clearBuffer();
        dict::setFieldInteger(*restrictSpec_, file_.record(), *restriction_ + 1);
        (void)view_.setKeyValue(key_);
        return;
    }
    (void)view_.setKeyEnd(key_);
}

int BrowseEngine::read(bool forward) {
    for (;;) {
        const int code = forward ? view_.next() : view_.previous();
        if (code != 0 || !restrictSpec_ || !restriction_) return code;
        const std::int64_t v = dict::fieldInteger(*restrictSpec_, file_.record());
        if (v == *restriction_) return 0;
        // Past the parent's records in this direction: the end of this list.
        if (forward ? v > *restriction_ : v < *restriction_) return access::kRecordNotAvailable;
    }
}

BrowseRow BrowseEngine::makeRow() {
    BrowseRow row;
    row.record.assign(file_.record(), file_.record() + file_.recordSize());
    row.position = view_.position();
    if (decl_.rowColour) row.colour = decl_.rowColour(file_);
    row.cells.reserve(decl_.columns.size());
    for (const auto& c : decl_.columns)
        row.cells.push_back(cellText(c, file_, s_.db));
    // Looked-up columns may read other files; the row's own record stays in the buffer.
    return row;
}

int BrowseEngine::fill(int items, bool forward) {
    if (failed_ || !view_.isOpen()) return 0;
    std::optional<access::Position> skip;
    if (!rows_.empty()) {
        const auto& edge = forward ? rows_.back().position : rows_.front().position;
        (void)view_.reset(edge);
        skip = edge;
    }
    int filled = 0;
    while (items > 0) {
        const int code = read(forward);
        if (code == access::kRecordNotAvailable) break;
        if (code != 0) {
            s_.saveError();
            s_.message(msg::RecordRetrieval, decl_.file);
            failed_ = true;
            break;
        }
        if (skip) {
            const bool same = view_.position().recordNumber == skip->recordNumber;
            skip.reset();
            if (same) continue;
        }
        if (addQueue_ && static_cast<int>(rows_.size()) >= pageSize_) {
            if (forward)
                rows_.erase(rows_.begin());
            else
                rows_.pop_back();
        }
        if (forward)
            rows_.push_back(makeRow());
        else
            rows_.insert(rows_.begin(), makeRow());
        --items;
        ++filled;
    }
    addQueue_ = true;
    return filled;
}

void BrowseEngine::refresh(RefreshMode mode) {
    if (order_ == 0 || failed_) return;
    std::optional<access::Position> target;
    if (mode == RefreshMode::AroundCurrent) {
        target = file_.position(key_);
        (void)view_.reset(*target);
    } else if (mode == RefreshMode::FromEnd) {
        startBottom();
    } else if (!rows_.empty()) {
        if (current_ >= 1) target = rows_[std::size_t(current_ - 1)].position;
        (void)view_.reset(rows_.front().position);
    } else {
        startTop();
    }
    emptyPage();
    addQueue_ = false;
    const bool backwards = mode == RefreshMode::FromEnd;
    int got = fill(pageSize_, !backwards);
    if (target && static_cast<int>(rows_.size()) < pageSize_ && !failed_) {
        if (got == 0) {
            if (backwards)
                startTop();
            else
                startBottom();
        }
        addQueue_ = false;
        got += fill(pageSize_ - static_cast<int>(rows_.size()), backwards);
    }
    addQueue_ = true;
    if (rows_.empty()) {
        current_ = 0;
        file_.clearBuffer();
        return;
    }
    current_ = backwards ? static_cast<int>(rows_.size()) : 1;
    if (target) {
        current_ = static_cast<int>(rows_.size());
        for (std::size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].position.recordNumber == target->recordNumber) {
                current_ = static_cast<int>(i) + 1;
                break;
            }
    }
    (void)readCurrent();
}

bool BrowseEngine::readCurrent() {
    if (current_ < 1 || current_ > static_cast<int>(rows_.size())) return false;
    if (file_.reget(rows_[std::size_t(current_ - 1)].position) == 0) return true;
    // Gone since the page was read (another window or station): show what was read.
    const auto& r = rows_[std::size_t(current_ - 1)].record;
    std::copy(r.begin(), r.end(), file_.record());
    return false;
}

void BrowseEngine::finishMove() {
    if (order_ >= 1) locators_[std::size_t(order_ - 1)].clear();
    current_ = std::clamp(current_, rows_.empty() ? 0 : 1, static_cast<int>(rows_.size()));
    if (rows_.empty())
        file_.clearBuffer();
    else
        (void)readCurrent();
}

void BrowseEngine::choose(int row) {
    if (row < 1 || row > static_cast<int>(rows_.size())) return;
    current_ = row;
    finishMove();
}

void BrowseEngine::scrollDown() {
    if (rows_.empty()) return;
    if (current_ < static_cast<int>(rows_.size())) {
        ++current_;
    } else if (fill(1, true) == 1) {
        current_ = static_cast<int>(rows_.size());
    }
    finishMove();
}

void BrowseEngine::scrollUp() {
    if (rows_.empty()) return;
    if (current_ > 1)
        --current_;
    else
        (void)fill(1, false);
    finishMove();
}

void BrowseEngine::pageDown() {
    if (rows_.empty()) return;
    const int got = fill(pageSize_, true);
    if (got < pageSize_) current_ += pageSize_ - got;
    finishMove();
}

void BrowseEngine::pageUp() {
    if (rows_.empty()) return;
    const int got = fill(pageSize_, false);
    if (got < pageSize_) current_ -= pageSize_ - got;
    finishMove();
}

void BrowseEngine::top() {
    emptyPage();
    startTop();
    addQueue_ = false;
    (void)fill(pageSize_, true);
    addQueue_ = true;
    current_ = rows_.empty() ? 0 : 1;
    finishMove();
}

void BrowseEngine::bottom() {
    emptyPage();
    startBottom();
    addQueue_ = false;
    (void)fill(pageSize_, false);
    addQueue_ = true;
    current_ = static_cast<int>(rows_.size());
    finishMove();
}

void BrowseEngine::locateAtBuffer() {
    if (restrictSpec_ && restriction_)
        dict::setFieldInteger(*restrictSpec_, file_.record(), *restriction_);
    (void)view_.setKeyValue(key_);
    emptyPage();
    addQueue_ = false;
    int got = fill(pageSize_, true);
    if (static_cast<int>(rows_.size()) < pageSize_ && !failed_) {
        if (got == 0) startBottom();
        addQueue_ = false;
        (void)fill(pageSize_ - static_cast<int>(rows_.size()), false);
    }
    addQueue_ = true;
    // The located record is the first one read forwards; none read: the last row.
    const int before = static_cast<int>(rows_.size()) - got;
    current_ = got > 0 ? before + 1 : static_cast<int>(rows_.size());
    if (rows_.empty()) {
        current_ = 0;
        file_.clearBuffer();
    } else {
        (void)readCurrent();
    }
}

void BrowseEngine::setLocatorValue() {
    const SortOrder& o = sortOrder();
    const auto* f = keyField(o);
    if (!f) return;
    for (const auto& name : o.blankOnLocate)
        if (const auto* b = dict::fieldOf(file_.def(), name)) dict::blankField(*b, file_.record());
    // Numbers take the typed text as a number; text is found whatever its accents.
    std::string text = locators_[std::size_t(order_ - 1)];
    if (o.locator == LocatorKind::Text && dict::isTextField(*f) && !text.empty()) {
        const std::vector<std::uint8_t> prepared(file_.record(),
                                                 file_.record() + file_.recordSize());
        text = locatorTarget(text, textKeyOrder(), [&](const std::string& at, std::string* found) {
            std::copy(prepared.begin(), prepared.end(), file_.record());
            if (restrictSpec_ && restriction_)
                dict::setFieldInteger(*restrictSpec_, file_.record(), *restriction_);
            dict::setFieldText(*f, file_.record(), at);
            if (file_.setKeyValue(key_) != 0 || file_.next() != 0) return false;
            *found = dict::fieldText(*f, file_.record());
            return true;
        });
        std::copy(prepared.begin(), prepared.end(), file_.record());
    }
    dict::setFieldText(*f, file_.record(), text);
    locateAtBuffer();
}

bool BrowseEngine::typeCharacter(char c) {
    if (!hasLocator()) return false;
    std::string& loc = locators_[std::size_t(order_ - 1)];
    if (loc.size() >= kLocatorMax) return false;
    if (sortOrder().locator == LocatorKind::Number && (c < '0' || c > '9')) return false;
    loc.push_back(c);
    setLocatorValue();
    return true;
}

void BrowseEngine::backspace() {
    if (!hasLocator()) return;
    std::string& loc = locators_[std::size_t(order_ - 1)];
    if (loc.empty()) return;
    loc.pop_back();
    setLocatorValue();
}

void BrowseEngine::locateText(std::string_view text) {
    if (!hasLocator()) return;
    std::string& loc = locators_[std::size_t(order_ - 1)];
    loc.assign(text.substr(0, kLocatorMax));
    setLocatorValue();
}

int BrowseEngine::thumbPosition() {
    if (rows_.empty() || current_ < 1) return 1;
    const auto* f = keyField(sortOrder());
    if (!f) return 1;
    const auto& rec = rows_[std::size_t(current_ - 1)].record;
    if (dict::isTextField(*f))
        return thumbPositionForText(dict::fieldText(*f, rec.data()),
                                    textKeyOrder() == TextKeyOrder::Czech);
    // Number orders: proportional between the first and the last key value.
    const std::vector<std::uint8_t> saved(file_.record(), file_.record() + file_.recordSize());
    std::int64_t lo = 0, hi = 0;
    if (file_.setKey(key_) == 0 && file_.next() == 0) lo = dict::fieldInteger(*f, file_.record());
    if (file_.setKeyEnd(key_) == 0 && file_.previous() == 0)
        hi = dict::fieldInteger(*f, file_.record());
    std::copy(saved.begin(), saved.end(), file_.record());
    (void)readCurrent();
    return thumbPositionForNumber(dict::fieldInteger(*f, rec.data()), lo, hi);
}

void BrowseEngine::thumbTo(int position) {
    if (order_ == 0) return;
    const auto* f = keyField(sortOrder());
    if (!f) return;
    if (position <= 1) {
        top();
        return;
    }
    if (position >= kThumbPositions && !dict::isTextField(*f)) {
        bottom();
        return;
    }
    file_.clearBuffer();
    if (dict::isTextField(*f)) {
        std::string prefix(thumbPrefix(position));
        while (!prefix.empty() && prefix.back() == ' ')
            prefix.pop_back();
        dict::setFieldText(*f, file_.record(), prefix);
    } else {
        std::int64_t lo = 0, hi = 0;
        if (file_.setKey(key_) == 0 && file_.next() == 0)
            lo = dict::fieldInteger(*f, file_.record());
        if (file_.setKeyEnd(key_) == 0 && file_.previous() == 0)
            hi = dict::fieldInteger(*f, file_.record());
        file_.clearBuffer();
        dict::setFieldInteger(*f, file_.record(), thumbNumberForPosition(position, lo, hi));
    }
    locators_[std::size_t(order_ - 1)].clear();
    locateAtBuffer();
}

void BrowseEngine::removeCurrentRow() {
    if (current_ < 1 || current_ > static_cast<int>(rows_.size())) return;
    rows_.erase(rows_.begin() + (current_ - 1));
    // Top the page up from below, else from above.
    if (!rows_.empty()) {
        if (fill(1, true) == 0) {
            if (fill(1, false) == 1) ++current_;
        }
    } else {
        refresh(RefreshMode::KeepHighlight);
        return;
    }
    finishMove();
}

long BrowseEngine::recordCount() {
    return file_.records();
}

FormOutcome BrowseEngine::runRequest(int request,
                                     const std::function<FormOutcome(int request)>& form) {
    FormOutcome outcome;
    int local = request;
    if (local != kRequestInsert) {
        if (rows_.empty()) return outcome;
        if (!readCurrent()) { // gone since the page was read
            refresh(RefreshMode::KeepHighlight);
            return outcome;
        }
    }
    for (;;) {
        if (local == kRequestInsert) {
            file_.clearBuffer();
            file_.clearCurrent();
        }
        view_.close();
        outcome = form(local);
        (void)view_.open();
        applyFilter();
        const int nav = outcome.navigation;
        if (nav == 0) break;
        if (outcome.response == kResponseCompleted) refresh(RefreshMode::AroundCurrent);
        if (nav == kNavSaveAndAdd || (nav == kNavNext && local == kRequestInsert)) {
            local = kRequestInsert;
            continue;
        }
        switch (nav) {
        case kNavNext:
            scrollDown();
            break;
        case kNavPrevious:
            scrollUp();
            break;
        case kNavPageDown:
            pageDown();
            break;
        case kNavPageUp:
            pageUp();
            break;
        case kNavFirst:
            top();
            break;
        case kNavLast:
            bottom();
            break;
        default:
            break;
        }
        if (rows_.empty()) break;
        local = kRequestChange;
    }
    if (outcome.response == kResponseCompleted &&
        (local == kRequestInsert || local == kRequestChange)) {
        refresh(RefreshMode::AroundCurrent);
    } else if (outcome.response == kResponseCompleted && local == kRequestDelete) {
        removeCurrentRow();
    } else {
        refresh(RefreshMode::KeepHighlight);
    }
    return outcome;
}

} // namespace zv::records
