// The windows of start-up: the product picture (ZVLSHOW), who is the user
// (ZJISTIUZIVATELE) and the joke of the day (VTIPY_W). Each runs modally and
// ends before the next starts.
#pragma once

#include <QDialog>

class QLineEdit;

#include <string>

namespace zv::frame {

// ZVLSHOW: the product picture; closes on its timer or a click.
class ProductPictureWindow : public QDialog {
public:
    explicit ProductPictureWindow(int milliseconds = 1500, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// ZJISTIUZIVATELE: "Zjištění uživatele" with the entry "Uživatel:" (at most 20
// characters), "&OK" and "&Cancel"; both keep what the entry holds.
class UserNameDialog : public QDialog {
public:
    explicit UserNameDialog(const std::string& userName1250, QWidget* parent = nullptr);
    std::string userName() const; // Windows-1250, at most 20 characters
    QLineEdit* entry() const { return entry_; }

private:
    QLineEdit* entry_;
};

// Runs ZJISTIUZIVATELE: the logon name cut to 20 characters, as the user left it.
std::string identifyUser(const std::string& logonName1250, QWidget* parent);

// VTIPY_W: a window without caption showing "Vtip pro tuto chvíli:", the joke and
// the logo; closes on its timer, on any key or any click.
class JokeWindow : public QDialog {
public:
    explicit JokeWindow(const std::string& joke1250, int milliseconds = 8000,
                        QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace zv::frame
