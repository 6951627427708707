#include "app/records/kinds/catalogue.h"

#include "app/records/kinds/address_book.h"
#include "app/records/kinds/categories.h"
#include "app/records/kinds/entities.h"
#include "app/records/kinds/jokes.h"
#include "app/records/kinds/labels.h"
#include "app/records/kinds/saved_selections.h"
#include "app/records/kinds/tasks.h"
#include "app/records/kinds/vybery.h"

namespace zv::records {

std::vector<NamedBrowse> browseDeclarations() {
    return {
        {"ADRESAR_S", adresarBrowse()},
        {"EVKLIC_S", evklicBrowse()},
        {"VYBER_S", vyberBrowse()},
        {"ULOZVYBER_S", savedSelectionsBrowse()},
        {"LABEL_S", labelBrowse()},
        {"UKOLY_S", ukolyBrowse(taskListValues(0))},
        {"KALENDAR", dayTasksBrowse(taskListValues(0))},
        {"OSOBY_S", osobyBrowse()},
        {"OPERACE_S", operaceBrowse()},
        {"KLASIFIK_S", klasifikBrowse()},
        {"POZNAMKY_S", poznamkyBrowse()},
        {"VTIPYSHOW", vtipyBrowse()},
    };
}

std::vector<FormDecl> formDeclarations(const startup::AppState& state) {
    return {adresarForm(state),
            osobyForm(0),
            historieForm(state, 0),
            kliceForm(0),
            ukolyForm(state),
            ukolyForm1(state, 0),
            vyberForm(),
            autoHistoryForm(state, 0, nullptr),
            savedSelectionForm(state, false),
            labelForm(),
            evklicForm(state),
            operaceForm(),
            klasifikForm(),
            poznamkyForm(),
            kategorieForm(),
            vtipyForm()};
}

} // namespace zv::records
