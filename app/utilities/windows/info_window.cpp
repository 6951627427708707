#include "app/utilities/windows/info_window.h"

#include "app/utilities/info/program_info.h"
#include "platform/dates/picture.h"
#include "platform/program_start.h"
#include "ui/window/icons.h"
#include "ui/window/text.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv::utilities {

InfoWindow::InfoWindow(std::function<void(const std::string&)> openPage, QWidget* parent)
    : UtilityWindow("INFOSHO", "InfoSho", parent) {
    setWindowTitle(QStringLiteral("ZEVLON"));
    if (!openPage) {
        // The desktop's opener starts the default browser; one that cannot start says nothing.
        openPage = [](const std::string& address) { (void)startProgram("xdg-open " + address); };
    }
    auto* logo = new QLabel(this);
    logo->setPixmap(ui::icon(ui::IconKind::Program).pixmap(72, 72));
    auto* maker = new QVBoxLayout;
    bool first = true;
    for (std::string_view line : makerLines()) {
        auto* label = new QLabel(QString::fromUtf8(line.data(), int(line.size())), this);
        if (first) {
            QFont bold = label->font();
            bold.setBold(true);
            bold.setPointSizeF(bold.pointSizeF() * 1.3);
            label->setFont(bold);
            first = false;
        }
        maker->addWidget(label);
    }
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(new QLabel(QStringLiteral("Datum poslední úpravy:"), this));
    date_ = new QLabel(this);
    date_->setObjectName("lastChange");
    if (const auto picture = dates::compile("@d5."))
        date_->setText(ui::qtText(dates::format(*picture, lastChangeDate())));
    dateRow->addWidget(date_);
    dateRow->addStretch(1);
    maker->addSpacing(8);
    maker->addLayout(dateRow);

    auto* top = new QHBoxLayout;
    top->addWidget(logo, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(maker, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    auto* buttons = new QHBoxLayout;
    web_ = button("&Webová stránka");
    web_->setToolTip(QString::fromUtf8(kWebPage.data(), int(kWebPage.size())));
    QPushButton* close = button("&Zavřít", true);
    buttons->addWidget(web_);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(web_, &QPushButton::clicked, this, [openPage] { openPage(std::string(kWebPage)); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    close->setFocus();
    layout->setSizeConstraint(QLayout::SetFixedSize);
    restorePlace();
}

} // namespace zv::utilities
