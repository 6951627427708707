// The evaluator's symbol table: one for the process, names compared without
// regard to letter case (Windows-1250 case table). It holds the built-in
// functions and keyword operators, and the variables and procedures that
// procedures bind. Binding a name that is present replaces the entry's contents;
// parsed expressions that refer to the entry then follow the new binding.
//
// Thread rule: every call takes the table's lock; evaluate() holds the same lock
// while it parses and evaluates, so one evaluation or binding runs at a time.
#pragma once

#include "app/selections/evaluator/value.h"
#include "storage/field_type.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::evaluator {

enum class EntryKind : std::uint8_t { Function, Keyword, Variable, Procedure, Unbound };

enum class Keyword : std::uint8_t { And, Or, Xor, Not };

enum class Function : std::uint8_t {
    Abs,
    Acos,
    Age,
    All,
    Asin,
    Atan,
    Band,
    Bor,
    Bshift,
    Bxor,
    Center,
    Choose,
    Chr,
    Clip,
    Clock,
    Cos,
    Date,
    Day,
    Deformat,
    Format,
    Getini,
    Inlist,
    Inrange,
    Instring,
    Int,
    Left,
    Len,
    Log10,
    Loge,
    Lower,
    Memory,
    Month,
    Numeric,
    Random,
    Right,
    Round,
    Sin,
    Sqrt,
    Sub,
    Tan,
    Today,
    Upper,
    Val,
    Year,
};

// Where a bound variable lives and how it is read. The storage must outlive the
// binding (bind it inside a BindingScope when it is a procedure's own).
struct VariableRef {
    enum class Storage : std::uint8_t {
        Field,   // a field of a record buffer, of fieldType, `size` bytes at data
        Integer, // a std::int32_t
        Real,    // a double
        Text,    // a std::string (Windows-1250)
    };
    Storage storage = Storage::Integer;
    storage::FieldType fieldType = storage::FieldType::Long;
    const void* data = nullptr;
    std::size_t size = 0;
    int places = 0; // decimals of a DECIMAL field

    // The value type the variable takes: whole numbers integer, decimal and floating
    // types real, texts text.
    ValueType type() const;
    // The variable's current value.
    Value read() const;
};

// A bound procedure: called with its arguments as texts, its result used as a real.
using Procedure = std::function<double(const std::vector<std::string>& args)>;

constexpr int kProcedureMaxArgs = 25;

struct Entry {
    EntryKind kind = EntryKind::Unbound;
    std::string name; // as bound or built in
    // Functions
    Function function = Function::Abs;
    int maxArgs = 0;
    ValueType resultType = ValueType::Text;
    // Keyword operators
    Keyword keyword = Keyword::And;
    // Variables and procedures
    VariableRef variable;
    Procedure procedure;
    int scope = 0; // the binding scope that made the entry, 0 for none
};

class SymbolTable {
public:
    // The table of the process, filled with the built-in entries on first use.
    static SymbolTable& instance();

    std::recursive_mutex& mutex() { return mutex_; }

    // The entry of a name, or null.
    std::shared_ptr<Entry> find(std::string_view name) const;

    // Binds a name (already cut to its valid part) to the contents.
    void bind(const std::string& name, Entry contents);

    // Opens a binding scope; its bindings go when it is closed.
    int pushScope();
    // Closes a scope: 0, or 802 when it is not the innermost open scope (its
    // bindings go all the same, so nothing refers to storage that is gone).
    int popScope(int id);

    SymbolTable(const SymbolTable&) = delete;
    SymbolTable& operator=(const SymbolTable&) = delete;

private:
    SymbolTable();
    void remove(const std::shared_ptr<Entry>& entry);
    bool scopeOpen(int id) const;

    struct Change {
        std::shared_ptr<Entry> entry;
        std::optional<Entry> previous; // contents before the scope bound it; none when new
    };
    struct Scope {
        int id = 0;
        std::vector<Change> changes;
    };

    mutable std::recursive_mutex mutex_;
    std::map<std::string, std::shared_ptr<Entry>> entries_; // by upper-case name
    std::vector<Scope> scopes_;                             // open scopes, innermost last
    int nextScope_ = 1;
};

// The part of a text that is a name: "?", "_" or a letter, then letters, digits,
// "_" and ":", and one trailing "#", "$" or '"'. Empty when the text starts otherwise.
std::string_view namePart(std::string_view text);

// Letters of names: A-Z, a-z and the letters of Windows-1250.
bool isNameLetter(unsigned char c);

} // namespace zv::evaluator
