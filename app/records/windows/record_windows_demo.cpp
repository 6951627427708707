// Shows ADRESAR_S or ADRESAR_U on a few hundred demo firms held in memory and
// saves a picture of the window, for looking at the windows as a user would.
// Usage: record_windows_demo browse|form|tab N|persons|select OUT.png [firms]
#include "app/records/windows/record_windows.h"

#include "app/records/windows/browse_window.h"
#include "app/records/windows/entity_forms.h"
#include "app/shell/access/testing/memory_driver.h"
#include "platform/dates/standard_date.h"
#include "app/shell/demo/demo_data.h"
#include "app/shell/dictionary/field_text.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"

#include <QApplication>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstring>

using namespace zv;

namespace {

class BoxMessages : public services::MessageService {
public:
    services::Button show(const services::Message& m) override {
        std::printf("message: %s: %s\n", cp1250::toUtf8(m.title).c_str(),
                    cp1250::toUtf8(m.text).c_str());
        return m.buttons.empty() ? services::Button::Ok : m.buttons.front();
    }
};

void grabLater(const QString& out, int tab, int delay) {
    QTimer::singleShot(delay, [out, tab] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) w = QApplication::activeWindow();
        if (!w) {
            for (QWidget* t : QApplication::topLevelWidgets())
                if (t->isVisible()) w = t;
        }
        if (!w) {
            std::fprintf(stderr, "no window\n");
            QApplication::exit(1);
            return;
        }
        if (tab >= 0)
            if (auto* tabs = w->findChild<QTabWidget*>()) tabs->setCurrentIndex(tab);
        QTimer::singleShot(300, [w, out] {
            w->grab().save(out);
            std::printf("saved %s (%dx%d)\n", qPrintable(out), w->width(), w->height());
            QApplication::exit(0);
        });
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: record_windows_demo browse|form|tabN|select OUT.png [firms]\n");
        return 2;
    }
    const std::string what = argv[1];
    const QString out = QString::fromLocal8Bit(argv[2]);
    access::testing::MemoryDriver driver;
    access::Database db;
    db.registerDriver(driver);
    BoxMessages messages;
    services::ProcedureServices services{db, messages, {}};
    startup::AppState state;
    state.userName = "Demo";
    state.dnes = dates::today();
    frame::WindowContext context{{db, services, state}};
    demo::DemoOptions options;
    options.firms = argc > 3 ? std::atoi(argv[3]) : 300;
    options.today = state.dnes;
    options.now = dates::clockTime();
    std::string failed;
    if (const int code = demo::createDemoData(db, options, &failed)) {
        std::fprintf(stderr, "demo data: %s: error %d\n", failed.c_str(), code);
        return 1;
    }
    if (what == "browse" || what == "select") {
        QWidget* w = records::makeAdresarBrowse(context, 1, what == "select" ? 4 : 0);
        if (!w) return 1;
        w->show();
        grabLater(out, -1, 500);
        return app.exec();
    }
    // A dependent record's form on the first record of firm 3.
    using Runner = records::FormOutcome (*)(frame::WindowContext&, QWidget*, int, std::int32_t);
    const struct {
        const char* name;
        const char* file;
        const char* key;
        const char* link;
        Runner run;
    } dependents[] = {{"osoby", "Osoby", "OSO:BYID", "OSO:ID", records::runOsobyForm},
                      {"historie", "Schuzky", "SCH:BYID", "SCH:ID", records::runHistorieForm},
                      {"klice", "Klice", "KLI:BYID", "KLI:ID", records::runKliceForm},
                      {"ukoly", "UKOLY", "UKO:BYID", "UKO:ID", records::runUkolyForm1}};
    for (const auto& d : dependents) {
        if (what != d.name) continue;
        auto& f = db.file(d.file);
        if (f.open() != 0) return 1;
        f.clearBuffer();
        if (f.setKeyValue(f.keyNumber(d.key)) != 0 || f.next() != 0) return 1;
        grabLater(out, 0, 500);
        const auto firm = dict::fieldInteger(dict::fieldByName(d.link).layoutField(), f.record());
        d.run(context, nullptr, 2, static_cast<std::int32_t>(firm));
        return 0;
    }
    // The firm form on firm 3.
    int tab = 0;
    if (what.rfind("tab", 0) == 0) tab = std::atoi(what.c_str() + 3);
    auto& adr = db.file("Adresar");
    if (adr.open() != 0) return 1;
    adr.clearBuffer();
    adr.as<rec::AdresarRecord>().ID.set(3);
    if (adr.setKeyValue(0) != 0 || adr.next() != 0) return 1;
    grabLater(out, tab, 500);
    records::callAdresarForm(context, nullptr, what == "insert" ? 1 : 2);
    return 0;
}
