#include "ui/report/font_faces.h"

#include "platform/codepage.h"
#include "platform/system_profile.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>
#include <QString>

#include <utility>

namespace zv::ui {
namespace {

// The letters of Czech beyond ASCII, both cases.
constexpr char32_t kCzechLetters[] = {U'Á', U'Č', U'Ď', U'É', U'Ě', U'Í', U'Ň', U'Ó', U'Ř', U'Š',
                                      U'Ť', U'Ú', U'Ů', U'Ý', U'Ž', U'á', U'č', U'ď', U'é', U'ě',
                                      U'í', U'ň', U'ó', U'ř', U'š', U'ť', U'ú', U'ů', U'ý', U'ž'};

// Faces tried, in this order, when the matched face lacks a Czech letter.
constexpr const char* kFallbacks[] = {"DejaVu Sans", "Nimbus Sans", "Liberation Sans", "Noto Sans",
                                      "FreeSans"};

std::string trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

// The family the font system actually gives for a requested name.
std::string matchedFamily(const std::string& requested) {
    QFont f(QString::fromStdString(requested));
    return QFontInfo(f).family().toStdString();
}

} // namespace

FontFaces::FontFaces() : substitutes_(systemProfile()) {}

FontFaces::FontFaces(ProfileFile substitutes) : substitutes_(std::move(substitutes)) {}

std::string FontFaces::substituteFor(std::string_view face1250) const {
    const std::string face = trim(face1250);
    if (face.empty()) return {};
    std::string value = substitutes_.getString("FontSubstitutes", face);
    value = trim(std::string_view(value).substr(0, value.find(',')));
    return cp1250::toUtf8(value.empty() ? face : value);
}

bool FontFaces::hasCzechLetters(const std::string& familyUtf8) {
    QFont f(QString::fromStdString(familyUtf8));
    f.setPixelSize(20);
    const QRawFont raw = QRawFont::fromFont(f);
    if (!raw.isValid()) return false;
    for (char32_t c : kCzechLetters)
        if (!raw.supportsCharacter(static_cast<uint>(c))) return false;
    return true;
}

const std::string& FontFaces::familyFor(std::string_view face1250) {
    const std::string key(face1250);
    auto it = cache_.find(key);
    if (it == cache_.end()) it = cache_.emplace(key, resolve(face1250)).first;
    return it->second;
}

std::string FontFaces::resolve(std::string_view face1250) const {
    const std::string wanted = substituteFor(face1250);
    const std::string matched = matchedFamily(
        wanted.empty()
            ? QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString()
            : wanted);
    if (hasCzechLetters(matched)) return matched;
    for (const char* name : kFallbacks) {
        const std::string family = matchedFamily(name);
        if (family == name && hasCzechLetters(family)) return family;
    }
    for (const QString& family : QFontDatabase::families()) {
        const std::string f = family.toStdString();
        if (!QFontDatabase::isBitmapScalable(family) && !QFontDatabase::isSmoothlyScalable(family))
            continue;
        if (hasCzechLetters(f)) return f;
    }
    return matched; // no installed face has them all: keep the match
}

} // namespace zv::ui
