// What the windows of the utilities share: a dialog that keeps its place in a
// section of ZEVLON.INI of its own and, started as an MDI child, closes its
// frame with it; the disabled "Help" button of a window whose help topic the
// program does not have yet.
#pragma once

#include <QDialog>

#include <string>

class QPushButton;

namespace zv::utilities {

class UtilityWindow : public QDialog {
public:
    // `procedure` names the window ("ZALOHUJ"), `section` its place in ZEVLON.INI ("Zalohuj").
    UtilityWindow(const char* procedure, std::string section, QWidget* parent = nullptr);
    ~UtilityWindow() override;

protected:
    // Puts the window where it was last; called once its contents are laid out.
    void restorePlace(bool resizable = false);
    // A button of the window's row; `text` UTF-8.
    QPushButton* button(const char* text, bool isDefault = false);
    QPushButton* helpButton(const char* text);
    // The window of the program that outlives this one (the frame), or null.
    QWidget* programWindow() const;

    void done(int result) override;

private:
    std::string section_;
};

} // namespace zv::utilities
