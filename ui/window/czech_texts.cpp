#include "ui/window/czech_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zv::ui {

bool useCzechTexts(QCoreApplication& app) {
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    QLocale::setDefault(czech);
    // "qt_cs" gathers the catalogues of every Qt module the program uses.
    auto* translator = new QTranslator(&app);
    if (!translator->load(czech, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace zv::ui
