#include "view.h"

#include <cstring>

namespace zv::access {

int View::open(std::uint16_t) {
    if (!file_.isOpen()) return kFileNotOpen;
    open_ = true;
    start_ = Start::None;
    return 0;
}

int View::setKey(int key) {
    key_ = key;
    start_ = Start::Begin;
    return 0;
}

int View::setKeyEnd(int key) {
    key_ = key;
    start_ = Start::End;
    return 0;
}

int View::setKeyValue(int key) {
    key_ = key;
    start_ = Start::Value;
    value_.assign(file_.record(), file_.record() + file_.recordSize());
    return 0;
}

int View::reset(const Position& pos) {
    key_ = pos.key;
    pos_ = pos;
    start_ = Start::At;
    return 0;
}

int View::next() {
    return read(true);
}

int View::previous() {
    return read(false);
}

int View::read(bool forward) {
    if (!open_) return kFileNotOpen;
    int code = 0;
    bool skipCurrent = false; // the first record read is the one last returned
    switch (start_) {
    case Start::None:
    case Start::Begin:
        // From the start of the order; reading backward starts from its end.
        if (key_ < 0)
            code = file_.setFile();
        else
            code = forward ? file_.setKey(key_) : file_.setKeyEnd(key_);
        break;
    case Start::End:
        if (forward) return kRecordNotAvailable; // nothing lies after the end
        code = key_ < 0 ? kRecordNotAvailable : file_.setKeyEnd(key_);
        break;
    case Start::Value:
        std::memcpy(file_.record(), value_.data(), value_.size());
        code = forward ? file_.setKeyValue(key_) : file_.setKeyValueBack(key_);
        break;
    case Start::After:
        // Unless somebody used the file since, it still stands at the record
        // last read and reading goes on from there.
        if (file_.calls() == calls_) break;
        code = file_.reset(pos_);
        skipCurrent = true;
        break;
    case Start::At:
        code = file_.reset(pos_);
        break;
    }
    if (code != 0) return code;
    for (;;) {
        code = forward ? file_.next() : file_.previous();
        if (code != 0) return code;
        const Position here = file_.position(key_);
        if (skipCurrent && here.recordNumber == pos_.recordNumber) {
            skipCurrent = false;
            continue;
        }
        skipCurrent = false;
        pos_ = here;
        start_ = Start::After;
        calls_ = file_.calls();
        if (!filter_ || filter_(file_)) return 0;
    }
}

} // namespace zv::access
