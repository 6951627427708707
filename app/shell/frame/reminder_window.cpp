#include "reminder_window.h"

#include "app/shell/access/look_up.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/dates/picture.h"
#include "platform/profile.h"
#include "ui/runtime/dialog_units.h"
#include "ui/window/icons.h"
#include "ui/window/text.h"
#include "ui/window/window_state.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace zv::frame {

using rec::UkolyRecord;

namespace {

QLineEdit* shown(const std::string& text1250, QWidget* parent) {
    auto* e = new QLineEdit(ui::qtText(text1250), parent);
    e->setReadOnly(true);
    return e;
}

std::string dateText(std::int32_t d) {
    static const auto picture = dates::compile("@d6.");
    return picture ? dates::format(*picture, d) : std::string();
}

std::string timeText(std::int32_t t) {
    static const auto picture = dates::compile("@t1");
    return picture ? dates::format(*picture, t) : std::string();
}

} // namespace

ReminderWindow::ReminderWindow(frame::WindowContext& context, int thread,
                               std::function<void(std::int32_t)> openFirm)
    : context_(context), thread_(thread) {
    setObjectName("UKAZUKOLY");
    setWindowIcon(ui::icon(ui::IconKind::Tasks));
    if (thread >= 1 && thread <= startup::kThreadSlots)
        task_ = context.state.reminderSlots[static_cast<std::size_t>(thread)];

    // The task and its firm, copied out of the shared buffers at once.
    UkolyRecord task{};
    std::string memo, firmName;
    auto& uko = context.db.file("UKOLY");
    if (services::standardOpen(context.services, uko) == services::OpenOutcome::Opened) {
        uko.clearBuffer();
        uko.as<UkolyRecord>().CUKOLU.set(task_);
        if (uko.getByKey(uko.keyNumber("UKO:BYCUKOLU")) == 0) {
            task = uko.as<UkolyRecord>();
            memo = uko.memo();
        }
        services::standardRelease(uko);
    }
    firm_ = task.ID.get();
    auto& adr = context.db.file("Adresar");
    if (firm_ != 0 &&
        services::standardOpen(context.services, adr) == services::OpenOutcome::Opened) {
        firmName = access::firmName(adr, firm_);
        services::standardRelease(adr);
    }

    setWindowTitle(
        ui::qtText(timeText(task.TM_SCHED.get()) + " - " + std::string(task.POPIS.trimmed())));

    auto* tabs = new QTabWidget(this);
    auto* definition = new QWidget;
    auto* d = new QFormLayout(definition);
    d->addRow(QStringLiteral("Číslo úkolu:"), shown(std::to_string(task.CUKOLU.get()), definition));
    d->addRow(QStringLiteral("Úkol:"), shown(std::string(task.POPIS.trimmed()), definition));
    auto* firmRow = new QHBoxLayout;
    firmRow->addWidget(shown(std::to_string(firm_), definition), 1);
    firmRow->addWidget(shown(firmName, definition), 3);
    d->addRow(QStringLiteral("ID firmy:"), firmRow);
    d->addRow(QStringLiteral("Jméno:"), shown(std::string(task.JMENO.trimmed()), definition));
    d->addRow(QStringLiteral("Datum:"), shown(dateText(task.DT_SCHED.get()), definition));
    d->addRow(QStringLiteral("Čas:"), shown(timeText(task.TM_SCHED.get()), definition));
    d->addRow(QStringLiteral("Řešitel:"), shown(std::string(task.OS_SCHED.trimmed()), definition));
    tabs->addTab(definition, QStringLiteral("Definice úkolu"));

    auto* system = new QWidget;
    auto* s = new QFormLayout(system);
    s->addRow(QStringLiteral("Datum zadání:"), shown(dateText(task.DT_ZADANI.get()), system));
    s->addRow(QStringLiteral("Čas zadání:"), shown(timeText(task.TM_ZADANI.get()), system));
    s->addRow(QStringLiteral("Zadal:"), shown(std::string(task.OS_ZADANI.trimmed()), system));
    auto* done = new QCheckBox(QStringLiteral("Splněno"), system);
    done->setChecked(task.SPLNENO.get() != 0);
    done->setEnabled(false);
    s->addRow(QString(), done);
    s->addRow(QStringLiteral("Datum splnění:"), shown(dateText(task.DT_PROV.get()), system));
    s->addRow(QStringLiteral("Čas splnění:"), shown(timeText(task.TM_PROV.get()), system));
    s->addRow(QStringLiteral("Splnil:"), shown(std::string(task.OS_PROV.trimmed()), system));
    tabs->addTab(system, QStringLiteral("Systémové údaje"));

    auto* note = new QPlainTextEdit(ui::qtText(memo));
    note->setReadOnly(true);
    tabs->addTab(note, QStringLiteral("Poznámka"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* firm = new QPushButton(QStringLiteral("&Firma"), this);
    ok->setDefault(true);
    firm->setEnabled(static_cast<bool>(openFirm) && firm_ != 0);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    connect(firm, &QPushButton::clicked, this, [this, openFirm] {
        context_.state.actionRequest = 2;
        if (openFirm) openFirm(firm_);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(firm);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);

    // Cascade, then what the user chose last time for the size.
    QTimer::singleShot(0, this, [this] {
        QWidget* frame = parentWidget() ? parentWidget() : this;
        const QPoint at = ui::dialogUnitsToPixels(*this, cascade(thread_), cascade(thread_));
        frame->move(at);
    });
}

void ReminderWindow::closeEvent(QCloseEvent* event) {
    const ProfileFile ini(".\\ZEVLON.INI");
    QWidget* frame = parentWidget() ? parentWidget() : this;
    (void)ui::saveWindowState(*frame, ini, "UkazUkoly");
    if (thread_ >= 1 && thread_ <= startup::kThreadSlots &&
        context_.state.reminderSlots[static_cast<std::size_t>(thread_)] == task_)
        context_.state.reminderSlots[static_cast<std::size_t>(thread_)] = 0;
    event->accept();
}

} // namespace zv::frame
