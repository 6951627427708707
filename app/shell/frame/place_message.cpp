#include "app/shell/frame/place_message.h"

#include <QDir>
#include <QMessageBox>

#include <cstring>

namespace zv::frame {
namespace {

QString shown(const std::string& path) {
    return QDir::toNativeSeparators(QString::fromLocal8Bit(path));
}

} // namespace

bool tellProgramPlace(const ProgramPlace& place, QWidget* parent) {
    if (place.error != 0) {
        QMessageBox::critical(
            parent, QStringLiteral("ZEVLON"),
            QStringLiteral("Složku %1 nelze vytvořit ani otevřít: %2.\n"
                           "Program bez ní nemůže pracovat a skončí.")
                .arg(shown(place.directory), QString::fromLocal8Bit(std::strerror(place.error))));
        return false;
    }
    if (place.firstStart) {
        QMessageBox::information(
            parent, QStringLiteral("ZEVLON"),
            QStringLiteral("V tomto adresáři není soubor ZEVLON.INI, proto ZEVLON pracuje ve "
                           "vašich vlastních složkách.\n\n"
                           "Nastavení (ZEVLON.INI) a aktuální výběr: %1\n"
                           "Data adresáře (zatím prázdná): %2\n\n"
                           "Jiný adresář s daty nastavíte v menu System, Data.")
                .arg(shown(place.directory), shown(place.dataDirectory)));
    }
    return true;
}

} // namespace zv::frame
