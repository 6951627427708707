#include "app/records/form/form_engine.h"

#include "app/shell/access/database.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/field_values.h"
#include "app/shell/services/referential_rules.h"
#include "platform/codepage.h"

namespace zv::records {

using services::Button;

namespace {
constexpr int kNumberingTries = 3;
}

FormEngine::FormEngine(services::ProcedureServices& services, FormDecl decl)
    : s_(services), decl_(std::move(decl)), file_(services.db.file(decl_.file)) {}

FormEngine::~FormEngine() {
    if (!finished_) cancel();
}

FormEngine::Image FormEngine::snapshot() const {
    Image image;
    image.record.assign(file_.record(), file_.record() + file_.recordSize());
    for (std::size_t i = 0; i < file_.def().memos.size(); ++i)
        image.memos.push_back(file_.memo(i));
    return image;
}

void FormEngine::restore(const Image& image) {
    std::copy(image.record.begin(), image.record.end(), file_.record());
    for (std::size_t i = 0; i < image.memos.size(); ++i)
        file_.setMemo(image.memos[i], i);
}

bool FormEngine::changed() const {
    const Image now = snapshot();
    return now.record != original_.record || now.memos != original_.memos;
}

void FormEngine::finish(int response) {
    response_ = response;
    finished_ = true;
}

std::string FormEngine::keyName(int key) const {
    const std::string name = file_.def().keyName(std::size_t(key));
    for (const auto& [k, shown] : decl_.keyNames)
        if (cp1250::equalNoCase(k, name)) return shown;
    return name;
}

int FormEngine::numberRecord() {
    const auto* field = dict::fieldOf(file_.def(), decl_.numberField);
    const int key = file_.keyNumber(decl_.numberKey);
    if (!field || key < 0) return 80; // a form declared without a usable number field
    const Image mine = snapshot();
    std::int64_t number = 1;
    int code = file_.setKeyEnd(key);
    if (code == 0) code = file_.previous();
    if (code == 0)
        number = dict::fieldInteger(*field, file_.record()) + 1;
    else if (code != access::kRecordNotAvailable) {
        restore(mine);
        return code;
    }
    restore(mine);
    // Numbers in use elsewhere are passed over (a bounded walk: a form never loops).
    for (int skipped = 0; decl_.numberTaken && decl_.numberTaken(number) && skipped < 100000;
         ++skipped)
        ++number;
    dict::setFieldInteger(*field, file_.record(), number);
    if (decl_.numbered) decl_.numbered(file_);
    return 0;
}

int FormEngine::addPlaceholder() {
    for (;;) {
        for (int tries = 0; tries < kNumberingTries; ++tries) {
            const int read = numberRecord();
            if (read != 0) {
                s_.saveError();
                s_.message(msg::RecordRetrieval, file_.def().label);
                return read;
            }
            if (file_.add() == 0) {
                placeholder_ = true;
                pos_ = file_.position(-1);
                return 0;
            }
        }
        s_.saveError();
        if (s_.message(msg::AutoNumberError) != Button::Retry)
            return s_.saved.code ? s_.saved.code : access::kUnknownError;
    }
}

bool FormEngine::begin(int request) {
    request_ = request;
    navigation_ = 0;
    if (request == kRequestInsert) {
        file_.clearBuffer();
        file_.clearCurrent();
        if (decl_.primeInsert) decl_.primeInsert(file_);
        original_ = snapshot();
        if (!decl_.numberField.empty() && addPlaceholder() != 0) {
            finish(kResponseCancelled);
            return false;
        }
        return true;
    }
    // Change or delete: the record in the buffer is the file's current record.
    pos_ = file_.position(-1);
    if (request == kRequestDelete) {
        if (s_.message(msg::ConfirmDelete) != Button::Ok) {
            finish(kResponseCancelled);
            return false;
        }
        for (;;) {
            makeCurrent();
            if (services::deleteRule(s_, file_) == services::kRuleDone) {
                finish(kResponseCompleted);
                return false;
            }
            if (s_.message(msg::DeleteRetry) != Button::Yes) {
                finish(kResponseCancelled);
                return false;
            }
        }
    }
    if (pos_.valid()) {
        file_.watch();
        (void)file_.reget(pos_);
    }
    original_ = snapshot();
    return true;
}

void FormEngine::makeCurrent() {
    if (!pos_.valid() || file_.position(-1).recordNumber == pos_.recordNumber) return;
    // Another window read this file meanwhile: make our record current again,
    // keeping the values on the screen.
    const Image mine = snapshot();
    file_.watch();
    (void)file_.reget(pos_);
    restore(mine);
}

std::string FormEngine::title() const {
    if (request_ == kRequestInsert) return decl_.insertTitle;
    std::string t = decl_.changeTitle;
    if (const auto* f = dict::fieldOf(file_.def(), decl_.titleField)) {
        std::string value = dict::fieldText(*f, original_.record.empty() ? file_.record()
                                                                         : original_.record.data());
        if (value.size() > std::size_t(decl_.titleClip)) value.resize(std::size_t(decl_.titleClip));
        t += "  (" + cp1250::toUtf8(value) + ")";
    }
    return t;
}

FormEngine::OkResult FormEngine::ok() {
    if (finished_) return OkResult::Closed;
    if (decl_.validate) {
        if (const std::string why = decl_.validate(file_); !why.empty()) {
            s_.messages.show(
                {cp1250::fromUtf8(title()), why, services::Icon::Exclamation, {Button::Ok}});
            return OkResult::StayOpen;
        }
    }
    if (request_ == kRequestInsert && decl_.saveInsert) {
        decl_.saveInsert(file_);
        finish(kResponseCompleted);
        return OkResult::Closed;
    }
    if (request_ == kRequestInsert) {
        if (decl_.stampChange) decl_.stampChange(file_);
        int code = 0;
        if (placeholder_) {
            makeCurrent();
            code = file_.put();
        } else {
            code = file_.add();
            if (code == 0) pos_ = file_.position(-1);
        }
        if (code == 0) {
            placeholder_ = false;
            finish(kResponseCompleted);
            return OkResult::Closed;
        }
        s_.saveError();
        if (code == access::kDuplicateKey) {
            const auto& keys = file_.def().keys;
            std::string name;
            for (std::size_t k = 0; k < keys.size() && name.empty(); ++k)
                if (!(keys[k].flags & storage::kKeyDuplicates) && file_.duplicate(int(k)))
                    name = keyName(int(k));
            s_.message(msg::DuplicateKey, name);
        } else {
            s_.message(msg::InsertError);
        }
        return OkResult::StayOpen;
    }
    // Change.
    if (!changed() && !decl_.okCompletesUnchanged) {
        finish(navigation_ != 0 ? kResponseCompleted : kResponseCancelled);
        return OkResult::Closed;
    }
    if (decl_.stampChange) decl_.stampChange(file_);
    for (;;) {
        makeCurrent();
        const int result = services::updateRule(s_, file_, true, original_.record);
        if (result == services::kRuleDone) {
            finish(kResponseCompleted);
            return OkResult::Closed;
        }
        if (result == services::kRuleChangedElsewhere) {
            // The other station's version is in the buffer; it is the new original.
            file_.watch();
            (void)file_.reget(pos_);
            original_ = snapshot();
            return OkResult::Reloaded;
        }
        if (s_.message(msg::UpdateRetry) != Button::Yes) return OkResult::StayOpen;
    }
}

void FormEngine::cancel() {
    if (finished_) return;
    if (placeholder_) {
        // The numbered record added at opening goes again.
        const Image screen = snapshot();
        if (file_.reget(pos_) == 0) (void)file_.remove();
        placeholder_ = false;
        restore(screen);
        file_.clearCurrent();
    }
    finish(kResponseCancelled);
}

} // namespace zv::records
