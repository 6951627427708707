// The order of text keys settled at start ("RAZENI" in ZEVLON.INI): the files
// kept in the other order are rebuilt in the one set, each shown in "Vytvářím
// klíče" while it is rebuilt; a file that could not be rebuilt (another
// station holds it open) is named with the reason and keeps its order.
#pragma once

#include "app/shell/frame/window_context.h"

#include <QString>

#include <vector>

class QWidget;

namespace zv::utilities {

struct FileRepair;

void settleTextOrder(frame::WindowContext& context, QWidget* parent);

// The message naming the files that kept their order; empty when none.
QString textOrderProblems(const std::vector<FileRepair>& results);

} // namespace zv::utilities
