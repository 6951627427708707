// "Hledat:" under the firm list: typing shows the firms holding the text in
// their name, town, contact, telephone or IČO, whatever its accents; Enter or
// a double click on one shows that firm in the list.
#pragma once

#include "app/shell/frame/window_context.h"

class QWidget;

namespace zv::records {

class BrowseWindow;

// The panel for the firm list `window` (its parent).
QWidget* makeFirmSearchPanel(frame::WindowContext& context, QWidget* window);

} // namespace zv::records
