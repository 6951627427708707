#include "joke_of_the_day.h"

#include "app/shell/dictionary/records.h"
#include "app/shell/services/standard_open.h"
#include "platform/codepage.h"

namespace zv::startup {

std::string jokeOfTheDay(services::ProcedureServices& s, const RandomInt& random) {
    const std::string fallback = cp1250::fromUtf8("Pro dnešek si žádný nezasloužíš");
    auto& vtipy = s.db.file("Vtipy");
    if (services::standardOpen(s, vtipy) != services::OpenOutcome::Opened) return fallback;
    const long count = vtipy.records();
    int number = 0;
    const int rounds = random(1, 10);
    for (int i = 0; i < rounds; ++i)
        number = random(1, static_cast<int>(count < 1 ? 1 : count));
    std::string text = fallback;
    vtipy.clearBuffer();
    vtipy.as<rec::VtipyRecord>().NOF.set(number);
    if (count > 0 && vtipy.setKeyValue(vtipy.keyNumber("VTI:BYNOF")) == 0 && vtipy.next() == 0)
        text = vtipy.memo();
    services::standardRelease(vtipy);
    return text;
}

} // namespace zv::startup
