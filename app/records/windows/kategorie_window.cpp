// KATEGORIE_U: the captions of the first caption set, each with the button
// that clears its category in every firm (through CISTI$QW).
#include "app/records/windows/entity_windows.h"

#include "app/records/categories/category_clearing.h"
#include "app/records/kinds/categories.h"
#include "app/records/windows/category_clearing_window.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/open_files.h"
#include "platform/codepage.h"
#include "ui/window/text.h"

#include <QLineEdit>
#include <QPushButton>

namespace zv::records {
namespace {

// Clears category n in every firm once the user agreed; its caption is blanked
// on the form when every firm was cleared (OK then writes it).
void clearFromForm(frame::WindowContext& context, FormWindow& form, int n) {
    QLineEdit* caption = form.lineOf(captionField(n));
    const std::string title = cp1250::fromUtf8("Zadávání kategorií");
    const std::string question =
        clearingQuestion(n, caption ? ui::recordText(caption->text().trimmed()) : std::string());
    using services::Button;
    if (context.services.messages.show(
            {title, question, services::Icon::Question, {Button::No, Button::Yes}}) != Button::Yes)
        return;
    CategoryClearingWindow progress(&form);
    const ClearingOutcome out = clearCategory(context.services, n, progress);
    switch (out.result) {
    case ClearingResult::Cleared:
        if (caption) caption->clear();
        break;
    case ClearingResult::Stopped:
    case ClearingResult::Failed:
        context.services.messages.show(
            {title,
             cp1250::fromUtf8(out.result == ClearingResult::Stopped
                                  ? "Čištění kategorie bylo přerušeno. Žádná firma se nezměnila."
                                  : "Kategorie nebyla vyčištěna. Žádná firma se nezměnila."),
             services::Icon::Information,
             {Button::Ok}});
        break;
    case ClearingResult::NotOpened:
    case ClearingResult::NoSuchCategory:
        break;
    }
    if (caption) caption->setFocus();
}

} // namespace

int callKategorieForm(frame::WindowContext& context, QWidget* parent) {
    context.state.actionRequest = kRequestChange;
    context.state.actionResponse = kResponseCancelled;
    OpenFiles files(context.services, {"Kategorie"});
    if (!files.ok()) return kResponseCancelled;
    auto& kategorie = context.db.file("Kategorie");
    if (readFirstCaptionSet(kategorie) != 0) {
        context.services.saveError();
        context.services.message(msg::RecordRetrieval, kategorie.def().label);
        return kResponseCancelled;
    }
    FormWindow w(context, kategorieForm(), parent);
    for (int n = 1; n <= kCategoryCount; ++n)
        if (QPushButton* clear = w.buttonBeside(captionField(n)))
            QObject::connect(clear, &QPushButton::clicked, &w,
                             [&context, &w, n] { clearFromForm(context, w, n); });
    context.state.actionResponse = w.run(kRequestChange).response;
    return context.state.actionResponse;
}

} // namespace zv::records
