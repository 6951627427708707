// libFuzzer target: any text given to evaluate() and to a filter, with a few names bound.
#include "app/selections/evaluator/evaluator.h"

#include "platform/codepage.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

char firma[20] = "Abc                ";
unsigned char id[4] = {5, 0, 0, 0};
std::int32_t local = 7;
std::string text = "Praha";

bool bindOnce() {
    using zv::storage::FieldType;
    bool ok = zv::evaluator::bindField("ADR:FIRMA", FieldType::String, firma, sizeof firma - 1);
    ok = zv::evaluator::bindField("ADR:ID", FieldType::Long, id, sizeof id) && ok;
    ok = zv::evaluator::bindInteger("LocalID", &local) && ok;
    ok = zv::evaluator::bindText("Mesto", &text) && ok;
    return ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool bound = bindOnce();
    (void)bound;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // GETINI could read any file named in the input; keep the fuzzer to pure evaluation.
    if (zv::cp1250::upper(input).find("GETINI") != std::string::npos) return 0;
    const zv::evaluator::Result r = zv::evaluator::evaluate(input);
    if (r.error != 0 && !r.value.empty()) __builtin_trap();
    zv::evaluator::Filter f;
    const int compiled = f.compile(input);
    // A filter compiles exactly when evaluate() parses (801 and 800 both mean it does not).
    if ((compiled == 0) != (r.error == 0)) __builtin_trap();
    if (compiled == 0) (void)f.accepts();
    return 0;
}
