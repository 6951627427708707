// Menu items of the frame that the active window serves: while the selection
// list is the active window it adds and removes firms for "&Výběry" and
// prints for "&Tisk". A window serving commands implements this besides being
// a widget; the frame asks the active MDI child and enables the items it serves.
#pragma once

#include <string_view>

namespace zv::frame {

// The commands by name, as the frame's items carry them.
namespace command {
inline constexpr std::string_view kAddAll = "AddAll";               // "Vyber &všechny"
inline constexpr std::string_view kRemoveAll = "RemoveAll";         // "&Zruš všechny"
inline constexpr std::string_view kAddByField = "AddByField";       // Přidej / "Podle &položky"
inline constexpr std::string_view kAddByKey = "AddByKey";           // Přidej / "Podle &klíče"
inline constexpr std::string_view kRemoveByField = "RemoveByField"; // Uber / "Podle &položky"
inline constexpr std::string_view kRemoveByKey = "RemoveByKey";     // Uber / "Podle &klíče"
inline constexpr std::string_view kLoad = "LoadSelection";          // "&Načti výběr"
inline constexpr std::string_view kSave = "SaveSelection";          // "U&lož výběr"
inline constexpr std::string_view kPrintSetup = "PrintSetup";       // "&Nastavení tisku"
inline constexpr std::string_view kLabels = "PrintLabels";          // "Ti&sk štítků"
inline constexpr std::string_view kByFirms = "PrintByFirms";        // "Tisk &přehled dle Firem"
inline constexpr std::string_view kByTowns = "PrintByTowns";        // "Tisk &přehled dle Měst"
} // namespace command

class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // Whether the window serves the command now.
    virtual bool serves(std::string_view command) const = 0;
    virtual void runCommand(std::string_view command) = 0;
};

} // namespace zv::frame
