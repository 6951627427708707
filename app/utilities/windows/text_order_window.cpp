#include "app/utilities/windows/text_order_window.h"

#include "app/utilities/repair/text_order.h"
#include "app/utilities/windows/key_repair_window.h"
#include "ui/window/text.h"

#include <QMessageBox>
#include <QStringList>

#include <memory>

namespace zv::utilities {

QString textOrderProblems(const std::vector<FileRepair>& results) {
    QStringList failed;
    for (const FileRepair& r : results)
        if (!r.ok())
            failed << ui::qtText(r.baseName()) + QStringLiteral(": ") + ui::qtText(r.outcome());
    if (failed.isEmpty()) return {};
    return QStringLiteral("Tyto soubory se nepodařilo přestavět do nastaveného řazení "
                          "a zůstávají v dosavadním:\n\n") +
           failed.join('\n');
}

void settleTextOrder(frame::WindowContext& context, QWidget* parent) {
    std::unique_ptr<BuildFileWindow> shown;
    const auto results = convertTextOrder(context.db, [&](const std::string& physicalName) {
        shown.reset();
        shown = showRebuilding(physicalName, parent);
    });
    shown.reset();
    const QString problems = textOrderProblems(results);
    if (!problems.isEmpty())
        QMessageBox(QMessageBox::Warning, QStringLiteral("Řazení"), problems, QMessageBox::Ok,
                    parent)
            .exec();
}

} // namespace zv::utilities
