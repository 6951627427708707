#include "app/selections/windows/label_windows.h"

#include "app/records/kinds/labels.h"
#include "app/records/windows/browse_window.h"
#include "app/records/windows/form_window.h"
#include "app/records/windows/open_files.h"
#include "app/shell/dictionary/records.h"
#include "platform/profile.h"
#include "ui/preview/report_run.h"
#include "ui/report/font_faces.h"
#include "ui/window/text.h"

#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zv::selections {
namespace {

// The layout's font as the sample shows it.
QFont sampleFont(const rec::LabelRecord& l) {
    QFont font(ui::qtText(std::string(l.TYPEFACE.trimmed())));
    font.setPointSize(l.FONTSIZE.get() > 0 ? l.FONTSIZE.get() : 10);
    const std::int32_t style = l.FONTSTYLE.get();
    font.setWeight(QFont::Weight(std::clamp(style & 0xFFF, 100, 900)));
    font.setItalic(style & 0x1000);
    font.setUnderline(style & 0x2000);
    font.setStrikeOut(style & 0x4000);
    return font;
}

} // namespace

bool selectLabel(frame::WindowContext& context, QWidget* parent, LabelOptions* options) {
    QSpinBox* copies = nullptr;
    QSpinBox* skip = nullptr;
    QDoubleSpinBox* spacing = nullptr;
    records::BrowseWindowSpec look;
    look.title = QStringLiteral("Výběr štítku");
    look.section = "Label_S";
    look.selectHint = QStringLiteral("Vybere štítek pro tisk");
    look.closeHint = QStringLiteral("Uzavře okno");
    look.form = [&context](QWidget* p, int request) -> records::FormOutcome {
        return {runLabelForm(context, p, request), 0};
    };
    look.panel = [&](QWidget* owner) {
        auto* panel = new QWidget(owner);
        auto* row = new QHBoxLayout(panel);
        row->setContentsMargins(0, 0, 0, 0);
        auto add = [&](const QString& prompt, QWidget* entry, const QString& hint) {
            auto* label = new QLabel(prompt, panel);
            label->setBuddy(entry);
            entry->setToolTip(hint);
            row->addWidget(label);
            row->addWidget(entry);
        };
        copies = new QSpinBox(panel);
        copies->setRange(1, 255);
        copies->setValue(1);
        add(QStringLiteral("Počet &kopií:"), copies,
            QStringLiteral("Zadejte počet kopií jednoho štítku"));
        skip = new QSpinBox(panel);
        skip->setRange(0, 255);
        skip->setValue(0);
        add(QStringLiteral("&Vynechat:"), skip,
            QStringLiteral("Zadejte počet štítků na které se nic nevytiskne"));
        spacing = new QDoubleSpinBox(panel);
        spacing->setRange(1.0, 3.0);
        spacing->setSingleStep(0.1);
        spacing->setDecimals(1);
        spacing->setValue(1.0);
        add(QStringLiteral("Řá&dkování:"), spacing, QStringLiteral("Zadejte velikost řádkování"));
        row->addStretch(1);
        return panel;
    };
    const int response =
        records::selectFromList(context, records::labelBrowse(), std::move(look), parent);
    if (response != records::kResponseCompleted || !copies) return false;
    options->copies = copies->value();
    options->skip = skip->value();
    options->spacing = spacing->value();
    return true;
}

int runLabelForm(frame::WindowContext& context, QWidget* parent, int request) {
    records::OpenFiles files(context.services, {"Label"});
    if (!files.ok()) return records::kResponseCancelled;
    records::FormWindow w(context, records::labelForm(), parent);
    auto& label = w.file();
    if (QVBoxLayout* note = w.slot("note")) {
        auto* text = new QLabel(QStringLiteral("Všechny míry jsou uvedeny v PALCÍCH"), &w);
        QFont bold = text->font();
        bold.setBold(true);
        text->setFont(bold);
        note->addWidget(text);
    }
    QLabel* sample = nullptr;
    if (QVBoxLayout* font = w.slot("font")) {
        auto* group = new QGroupBox(QStringLiteral("Test fontu"), &w);
        auto* row = new QHBoxLayout(group);
        sample = new QLabel(QStringLiteral("Už přišel čas !"), group);
        sample->setMinimumHeight(48);
        auto* choose = new QPushButton(QStringLiteral("&Font..."), group);
        choose->setToolTip(QStringLiteral("Vyber font pro písmo"));
        choose->setAutoDefault(false);
        auto* colour = new QPushButton(QStringLiteral("&Barva..."), group);
        colour->setToolTip(QStringLiteral("Vyber barvu písma"));
        colour->setAutoDefault(false);
        row->addWidget(sample, 1);
        row->addWidget(choose);
        row->addWidget(colour);
        QObject::connect(colour, &QPushButton::clicked, &w, [&w, &label] {
            w.storeFields();
            auto& l = label.as<rec::LabelRecord>();
            const QColor chosen =
                QColorDialog::getColor(QColor::fromRgb(QRgb(l.FONTCOLOR.get() & 0xFFFFFF)), &w,
                                       QStringLiteral("Vyberte barvu písma"));
            if (!chosen.isValid()) return;
            l.FONTCOLOR.set(std::int32_t(chosen.rgb() & 0xFFFFFF));
            w.loadFields();
        });
        font->addWidget(group);
        QObject::connect(choose, &QPushButton::clicked, &w, [&w, &label, sample] {
            w.storeFields();
            auto& l = label.as<rec::LabelRecord>();
            bool ok = false;
            const QFont chosen = QFontDialog::getFont(&ok, sampleFont(l), &w,
                                                      QStringLiteral("Vyberte font pro tisk"));
            if (!ok) return;
            l.TYPEFACE.set(ui::recordText(chosen.family()));
            l.FONTSIZE.set(chosen.pointSize() > 0 ? chosen.pointSize() : 10);
            l.FONTSTYLE.set(std::int32_t(chosen.weight()) | (chosen.italic() ? 0x1000 : 0) |
                            (chosen.underline() ? 0x2000 : 0) | (chosen.strikeOut() ? 0x4000 : 0));
            w.loadFields();
        });
    }
    w.onLoaded = [&label, sample] {
        if (!sample) return;
        const auto& l = label.as<rec::LabelRecord>();
        sample->setFont(sampleFont(l));
        QPalette p = sample->palette();
        p.setColor(QPalette::WindowText, QColor::fromRgb(QRgb(l.FONTCOLOR.get() & 0xFFFFFF)));
        sample->setPalette(p);
    };
    const int response = w.run(request).response;
    w.onLoaded = nullptr;
    return response;
}

void printLabels(frame::WindowContext& context, QWidget* parent) {
    records::OpenFiles files(context.services, {"Label", "Vybery"});
    if (!files.ok()) return;
    LabelOptions options;
    if (!selectLabel(context, parent, &options)) return;
    auto& label = context.db.file("Label");
    auto& vybery = context.db.file("Vybery");
    if (const std::string fault = labelLayoutFault(label); !fault.empty()) {
        QMessageBox::warning(parent, QStringLiteral("Výběr štítku"), ui::qtText(fault));
        return;
    }
    ui::FontFaces faces;
    ui::ReportWriter writer(labelReport(label, vybery, options), faces);
    LabelRun run(vybery, writer, options);
    const ProfileFile ini(startup::kSettingsFile);
    (void)ui::runReport(
        writer, vybery.records(), [&run] { return run.nextRow(); }, ini, parent);
    if (run.error() != 0) {
        context.services.saveError();
        (void)context.services.message(msg::RecordRetrieval, "Vybery");
    }
}

} // namespace zv::selections
