// VYBER_S, "Aktuální výběr": the working selection in an MDI child. The list
// with its three orders, the row count, "&Change" (the row's firm in the firm
// form), "&Delete" (through VYBER_U), "Close", "Š&títky", "A-historie" and the
// animated picture; firms dropped from the firm list join the selection; and
// while it is the active window it serves the frame's selection items: add
// all, remove all, add and remove by condition or keyword.
#pragma once

#include "app/records/windows/browse_window.h"
#include "app/selections/selection/selection.h"
#include "app/shell/frame/procedures.h"
#include "app/shell/frame/window_commands.h"

namespace zv::selections {

class SelectionWindow : public records::BrowseWindow, public frame::CommandTarget {
public:
    SelectionWindow(frame::WindowContext& context, QWidget* parent = nullptr);

    bool serves(std::string_view command) const override;
    void runCommand(std::string_view command) override;

    // The automatic history for every selected firm (the "A-historie" button).
    void autoHistory();
    // "U&lož výběr" and "&Načti výběr": the catalogue list, then the copy.
    void saveSelection();
    void loadSelection();

private:
    // Runs one operation with the progress window and shows the list again.
    void operate(const std::function<Outcome(Selection&, Progress&)>& operation);
    void byCondition(bool add);
    void byKeyword(bool add);

    frame::WindowContext& context_;
};

// Registers VYBER_S (started) with the frame.
void addSelectionProcedures(frame::ProcedureTable& table, frame::WindowContext& context);

} // namespace zv::selections
