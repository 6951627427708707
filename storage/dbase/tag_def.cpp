#include "storage/dbase/tag_def.h"

#include <algorithm>

namespace zv::dbase {
namespace {

constexpr std::size_t kMaxBracketed = 254;

MapResult refused(Xbase x = Xbase::BadKeyExpression, std::string message = {}) {
    MapResult r;
    r.code = kInvalidIndexString;
    r.xbase = x;
    r.message = std::move(message);
    return r;
}

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

// The text between '[' at `open` and its closing ']' (outside quotes); npos when unclosed.
std::size_t closing(std::string_view s, std::size_t open) {
    char quote = 0;
    for (std::size_t i = open + 1; i < s.size(); ++i) {
        const char c = s[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ']') {
            return i;
        }
    }
    return std::string_view::npos;
}

bool parseExternal(std::string_view s, TagDef& def) {
    std::size_t at = 0;
    if (at < s.size() && std::string_view("CDFNcdfn").find(s[at]) != std::string_view::npos)
        def.typeLetter = static_cast<char>(upperAscii(s.substr(at++, 1))[0]);
    if (at < s.size() && s[at] == '[') {
        const std::size_t end = closing(s, at);
        if (end == std::string_view::npos || end - at - 1 > kMaxBracketed || end == at + 1)
            return false;
        def.expression = std::string(s.substr(at + 1, end - at - 1));
        at = end + 1;
    }
    if (at < s.size()) {
        if (upperAscii(s.substr(at, 5)) != ",FOR[") return false;
        const std::size_t open = at + 4;
        const std::size_t end = closing(s, open);
        if (end == std::string_view::npos || end - open - 1 > kMaxBracketed || end == open + 1)
            return false;
        def.filter = std::string(s.substr(open + 1, end - open - 1));
        at = end + 1;
    }
    return at == s.size();
}

std::string_view afterColon(std::string_view name) {
    const auto colon = name.find_last_of(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The key made of the declared fields.
bool fieldExpression(const storage::KeyDecl& key, const ColumnMap& map, std::string& out) {
    out.clear();
    for (const auto& part : key.components) {
        const auto b = std::find_if(map.bindings.begin(), map.bindings.end(),
                                    [&](const Binding& x) { return x.field == part.field; });
        if (b == map.bindings.end() || b->column.type == 'M') return false;
        const Column& c = b->column;
        std::string term = c.name;
        if (key.components.size() > 1) {
            if (c.type == 'N' || c.type == 'F')
                term = "STR(" + c.name + "," + std::to_string(c.width) + "," +
                       std::to_string(c.decimals) + ")";
            else if (c.type == 'D')
                term = "DTOS(" + c.name + ")";
            else if (c.type == 'L')
                term = "IIF(" + c.name + ",\"T\",\"F\")";
        }
        if (!out.empty()) out += "+";
        out += term;
    }
    return !out.empty() && out.size() <= kMaxBracketed;
}

} // namespace

MapResult buildTagDefs(const storage::TableDecl& decl, const ColumnMap& map,
                       std::vector<TagDef>& defs) {
    defs.clear();
    for (const storage::KeyDecl& key : decl.keys) {
        TagDef def;
        if (!parseExternal(key.externalName, def)) return refused();
        def.tag = upperAscii(afterColon(key.name)).substr(0, 10);
        if (def.tag.empty()) return refused(Xbase::InvalidTagName);
        const auto down =
            std::count_if(key.components.begin(), key.components.end(),
                          [](const storage::KeyComponent& c) { return c.descending; });
        if (down != 0 && static_cast<std::size_t>(down) != key.components.size()) return refused();
        def.descending = down != 0;
        def.unique = (key.flags & storage::kKeyDuplicates) == 0;
        def.outside = (key.flags & storage::kKeyOutside) != 0;
        if (def.expression.empty() && !fieldExpression(key, map, def.expression)) return refused();
        for (const TagDef& other : defs)
            if (other.tag.substr(0, 8) == def.tag.substr(0, 8))
                return refused(Xbase::None, kTagClash);
        defs.push_back(std::move(def));
    }
    if (defs.size() > 47) return refused(Xbase::InvalidTagCount);
    return {};
}

} // namespace zv::dbase
