#include "app/shell/help/help_topics.h"

#include "platform/paths.h"

#include <algorithm>
#include <cctype>

namespace zv::help {
namespace {

// Pages shared by several windows name the window that leads to the others.
constexpr Topic kWindows[] = {
    {"MAIN", "main.html"},
    // The address book.
    {"ADRESAR_S", "adresar_s.html"},
    {"ADRESAR_U", "adresar_u.html"},
    {"DUPLICITY_W", "duplicity_w.html"},
    {"OSOBY_S", "osoby_s.html"},
    {"OSOBY_U", "osoby_u.html"},
    {"HISTORIE_U", "historie_u.html"},
    {"KLICE_U", "klice_u.html"},
    {"EVKLIC_S", "evklic_s.html"},
    {"EVKLIC_U", "evklic_u.html"},
    {"KATEGORIE_U", "kategorie_u.html"},
    {"CISTI$QW", "kategorie_u.html"},
    {"OPERACE_S", "operace_s.html"},
    {"OPERACE_U", "operace_u.html"},
    {"KLASIFIK_S", "klasifik_s.html"},
    {"KLASIFIK_U", "klasifik_u.html"},
    {"POZNAMKY_S", "poznamky_s.html"},
    {"POZNAMKY_U", "poznamky_u.html"},
    // Tasks and the calendar.
    {"UKOLY_S", "ukoly_s.html"},
    {"UKOLY_U", "ukoly_u.html"},
    {"UKOLY_U1", "ukoly_u.html"},
    {"KALENDAR", "kalendar.html"},
    {"UKAZUKOLY", "ukazukoly.html"},
    {"AUTOHISTORIE", "autohistorie.html"},
    // The selection and printing.
    {"VYBER_S", "vyber_s.html"},
    {"VYBER_U", "vyber_u.html"},
    {"WWW", "www.html"},
    {"PODMINKA", "podminka.html"},
    {"ULOZVYBER_S", "ulozvyber_s.html"},
    {"NACTIVYBER_S", "nactivyber_s.html"},
    {"ULVYBERY_U", "ulvybery_u.html"},
    {"LABEL_R", "label_r.html"},
    {"LABEL_S", "label_s.html"},
    {"LABEL_U", "label_u.html"},
    {"PREHLEDF_R", "prehledy.html"},
    {"PREHLEDM_R", "prehledy.html"},
    {"HISTORIE_R", "historie_r.html"},
    {"REPORTPREVIEW", "reportpreview.html"},
    {"PREVIEW:JUMPTOPAGE", "reportpreview.html"},
    {"PREVIEW:SELECTDISPLAY", "reportpreview.html"},
    // Exchange and maintenance.
    {"EXPORT_W", "export_w.html"},
    {"IMPORT_W", "import_w.html"},
    {"CSVMAP_W", "import_w.html"},
    {"ZALOHUJ", "zalohuj.html"},
    {"OBNOV", "obnov.html"},
    {"NASTAVENIZALOHY", "nastavenizalohy.html"},
    {"OPRAVAKLICU", "opravaklicu.html"},
    {"BUILDFILE$QW", "opravaklicu.html"},
    // Small utilities.
    {"ZVLSHOW", "zvlshow.html"},
    {"ZJISTIUZIVATELE", "zjistiuzivatele.html"},
    {"VTIPY_W", "vtipy_w.html"},
    {"VTIPYSHOW", "vtipyshow.html"},
    {"UPDATEVTIPY", "updatevtipy.html"},
    {"SPORTKA", "sportka.html"},
    {"DATASHO", "datasho.html"},
    {"INFOSHO", "infosho.html"},
};

// Each keyword leads to the page of the window that names it.
constexpr Topic kKeywords[] = {
    {"UpdateAdresar", "vyber_u.html"},
    {"UpdateUlVybery", "ulvybery_u.html"},
    {"LabelSho", "label_s.html"},
    {"UpdateLabel", "label_u.html"},
    {"~H_Zaloha", "zalohuj.html"},
    {"~H_Obnova", "obnov.html"},
    {"~H_NastaveniZalohy", "nastavenizalohy.html"},
    {"~H_OpravaKlicu", "opravaklicu.html"},
    {"~H_Data", "datasho.html"},
    {"~H_Vtipy_S", "vtipyshow.html"},
    {"~H_Vtipy_U", "updatevtipy.html"},
};

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

std::string_view find(std::span<const Topic> topics, std::string_view name) {
    for (const Topic& t : topics)
        if (sameName(t.name, name)) return t.page;
    return {};
}

} // namespace

std::span<const Topic> windowTopics() {
    return kWindows;
}

std::span<const Topic> keywordTopics() {
    return kKeywords;
}

std::string_view pageOf(std::string_view name) {
    if (name.empty()) return {};
    const std::string_view page = find(kWindows, name);
    return page.empty() ? find(kKeywords, name) : page;
}

std::vector<std::string> helpDirectories(std::string_view programDirectory) {
    return {paths::native("HELP\\Zevlon"), paths::join(programDirectory, "../share/zevlon/help"),
            paths::join(programDirectory, "help")};
}

} // namespace zv::help
