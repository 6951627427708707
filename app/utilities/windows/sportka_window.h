// SPORTKA, "Sportka": six lottery numbers from "&Generuj", shown in the order
// drawn with the system's warning sound; blank before the first draw. "&OK"
// closes the window.
#pragma once

#include "app/utilities/lottery/sportka.h"
#include "app/utilities/windows/utility_window.h"

#include <array>

class QLineEdit;
class QPushButton;

namespace zv::utilities {

class SportkaWindow : public UtilityWindow {
public:
    // `random` draws each number; the program's random generator when empty.
    explicit SportkaWindow(RandomInRange random = {}, QWidget* parent = nullptr);

    QLineEdit* numberField(int i) const { return fields_.at(static_cast<std::size_t>(i)); }
    QPushButton* generateButton() const { return generate_; }

    void generate();

private:
    RandomInRange random_;
    std::array<QLineEdit*, kSportkaNumbers> fields_{};
    QPushButton* generate_;
};

} // namespace zv::utilities
