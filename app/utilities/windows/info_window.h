// INFOSHO: the window "ZEVLON" about the program: the logo, the maker's lines,
// "Datum poslední úpravy:" with the day the program was built, a button that
// opens the product's web page in the default web browser, and "&Zavřít".
#pragma once

#include "app/utilities/windows/utility_window.h"

#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace zv::utilities {

class InfoWindow : public UtilityWindow {
public:
    // `openPage` opens an address in the browser (the desktop's opener when empty).
    explicit InfoWindow(std::function<void(const std::string& address)> openPage = {},
                        QWidget* parent = nullptr);

    QLabel* dateLabel() const { return date_; }
    QPushButton* webButton() const { return web_; }

private:
    QLabel* date_;
    QPushButton* web_;
};

} // namespace zv::utilities
