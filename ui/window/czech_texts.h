// Qt's own texts in Czech: the buttons of message boxes ("Ano", "Ne",
// "Zrušit"), the print, file, font and colour dialogs and the context menus
// of entry fields. The program's own texts are unaffected. Call once, after
// the application object is made; GUI thread only.
#pragma once

class QCoreApplication;

namespace zv::ui {

// Loads Qt's Czech translations and makes Czech the default locale of the
// dialogs. False when the translations are not installed (Qt then speaks English).
bool useCzechTexts(QCoreApplication& app);

} // namespace zv::ui
