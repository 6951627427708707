// The expression evaluator: turns an expression held as text into a value at run
// time. Procedures bind their fields and variables by name; the selection
// conditions, browse and report filters are texts evaluated against the record
// buffers the names are bound to (read at evaluation time).
//
//   evaluate("ADR:P1 = 0 AND UPPER(ADR:MESTO) = 'PRAHA'")  ->  {"1", 0}
//
// Callers treat the text "0" as false and any other non-empty text as true.
//
// Thread rule: one process-wide symbol table; evaluations and bindings from any
// thread are serialised by its lock. A bound procedure may itself evaluate and bind.
// Texts are Windows-1250.
#pragma once

#include "app/selections/evaluator/symbol_table.h"
#include "storage/declaration.h"
#include "storage/field_type.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zv::evaluator {

constexpr int kInvalidExpression = 800; // "Invalid expression for EVALUATE"
constexpr int kNoBind = 801;            // "No BIND on variable"
constexpr int kMismatchedScope = 802;   // "Mismatched PUSHSCOPE/POPSCOPE"

// The text of an error code; empty for codes of other kinds.
std::string_view errorText(int code);

struct Result {
    std::string value; // the result as text; empty on failure
    int error = 0;     // 0 or an error code
};

// Evaluates an expression (at most 1000 characters of it are read). A failed parse,
// an unknown name included, gives an empty value and 800.
Result evaluate(std::string_view expression);

// How callers read a result: false when it is empty or "0".
inline bool isTrue(const Result& r) {
    return !r.value.empty() && r.value != "0";
}

// Binding. The name is taken up to the first character that is not a letter, digit,
// "_" or ":" (one trailing "#", "$" or '"' belongs to it); binding a name that is
// present replaces its entry. False, and nothing bound, when the name is empty or the
// storage is missing or too small for its type.
// REQUIRES: the storage outlives the binding (see BindingScope).
[[nodiscard]] bool bindInteger(std::string_view name, const std::int32_t* variable);
[[nodiscard]] bool bindReal(std::string_view name, const double* variable);
[[nodiscard]] bool bindText(std::string_view name, const std::string* variable);
// A record field of `size` bytes at `data` (places: decimals of a DECIMAL field).
[[nodiscard]] bool bindField(std::string_view name, storage::FieldType type, const void* data,
                             std::size_t size, int places = 0);
[[nodiscard]] bool bindProcedure(std::string_view name, Procedure procedure);

// Binds every field of a table declaration by its name to its place in a record
// buffer of decl.recordLength bytes; false when a field lies outside the record or
// cannot be bound (the others are bound all the same).
[[nodiscard]] bool bindFields(const storage::TableDecl& decl, const void* record);

// Binding scopes: the names bound while a scope is open are unbound when it closes,
// and what they replaced comes back. Scopes close innermost first; closing another
// one gives 802 (its names are unbound all the same).
int pushScope();
[[nodiscard]] int popScope(int scope);

// A scope for the life of an object, e.g. of a procedure's window.
class BindingScope {
public:
    BindingScope() : id_(pushScope()) {}
    ~BindingScope() { (void)close(); }
    // 0, or 802 when inner scopes are still open; later calls give 0.
    [[nodiscard]] int close() {
        const int id = id_;
        id_ = 0;
        return id ? popScope(id) : 0;
    }
    BindingScope(const BindingScope&) = delete;
    BindingScope& operator=(const BindingScope&) = delete;

private:
    int id_;
};

struct Node;

// A filter: parsed once, evaluated for each record with the same result that
// evaluate() gives for its text at that moment.
class Filter {
public:
    Filter();
    ~Filter();
    Filter(Filter&&) noexcept;
    Filter& operator=(Filter&&) noexcept;

    // 0, 800 when the text is no expression, 801 for a name that is not bound.
    [[nodiscard]] int compile(std::string_view expression);
    bool compiled() const { return root_ != nullptr; }

    // The result for the present contents of the bound variables. Not compiled: an
    // empty value and 800; a name unbound since compile(): an empty value and 801.
    Result evaluate() const;
    // Whether a record passes: the result is neither empty nor "0".
    bool accepts() const;

private:
    std::unique_ptr<Node> root_;
};

} // namespace zv::evaluator
