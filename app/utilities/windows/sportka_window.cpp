#include "app/utilities/windows/sportka_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

namespace zv::utilities {

SportkaWindow::SportkaWindow(RandomInRange random, QWidget* parent)
    : UtilityWindow("SPORTKA", "Sportka", parent), random_(std::move(random)) {
    setWindowTitle(QStringLiteral("Sportka"));
    if (!random_) {
        random_ = [](int low, int high) {
            return static_cast<int>(QRandomGenerator::global()->bounded(low, high + 1));
        };
    }
    auto* numbers = new QHBoxLayout;
    for (auto& field : fields_) {
        field = new QLineEdit(this);
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
        field->setAlignment(Qt::AlignCenter);
        QFont big = field->font();
        big.setPointSizeF(big.pointSizeF() * 1.6);
        big.setBold(true);
        field->setFont(big);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
        numbers->addWidget(field);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(numbers);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    generate_ = button("&Generuj", true);
    QPushButton* ok = button("&OK");
    buttons->addWidget(generate_);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    connect(generate_, &QPushButton::clicked, this, [this] { generate(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    generate_->setFocus();
    restorePlace();
}

void SportkaWindow::generate() {
    const auto drawn = drawSportka(random_);
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->setText(drawn[i] ? QStringLiteral("%1").arg(drawn[i], 2) : QString());
    QApplication::beep();
}

} // namespace zv::utilities
