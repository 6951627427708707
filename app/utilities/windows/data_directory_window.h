// DATASHO, "Umístění datových souborů": the data directory "Adresář s daty:"
// read from ZEVLON.INI. "&OK" gives it a separator at its end where it has none,
// asks before it takes a directory that does not exist or holds no data files,
// writes it and names every data file from it; "&Cancel" writes nothing.
#pragma once

#include "app/shell/frame/window_context.h"
#include "app/utilities/windows/utility_window.h"

class QLineEdit;

namespace zv::utilities {

class DataDirectoryWindow : public UtilityWindow {
public:
    explicit DataDirectoryWindow(frame::WindowContext& context, QWidget* parent = nullptr);

    QLineEdit* entry() const { return entry_; }

    void ok();

private:
    frame::WindowContext& context_;
    QLineEdit* entry_;
};

} // namespace zv::utilities
