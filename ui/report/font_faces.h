// Turns the face names reports use into faces installed on this machine.
//
// A face is first looked up in the system profile's "FontSubstitutes" section
// ("Corvid CE=Arial,238": the part before the comma is the face, the number the
// character set). The face found (or the name itself) must then print every Czech
// letter; when the face the system matches lacks one, the first installed face that
// has them all is used instead, so no letter of a record falls back to a box or a
// mixture of faces.
//
// Needs a QGuiApplication. Not thread-safe; one object per report generation.
#pragma once

#include "platform/profile.h"

#include <map>
#include <string>
#include <string_view>

namespace zv::ui {

class FontFaces {
public:
    // Substitutes read from the system profile.
    FontFaces();
    // Substitutes read from the given profile.
    explicit FontFaces(ProfileFile substitutes);

    // The installed family (UTF-8) to paint the face (Windows-1250) in. An empty
    // face stands for the default face.
    const std::string& familyFor(std::string_view face1250);

    // The face named by the substitutes for face1250 (UTF-8, without the character
    // set), or the name itself when it has no substitute.
    std::string substituteFor(std::string_view face1250) const;

    // Whether an installed family prints all the Czech letters.
    static bool hasCzechLetters(const std::string& familyUtf8);

private:
    std::string resolve(std::string_view face1250) const;

    ProfileFile substitutes_;
    std::map<std::string, std::string> cache_; // face (Windows-1250) -> family (UTF-8)
};

} // namespace zv::ui
