// Windows-1250 record text to and from the windows' Unicode strings.
#pragma once

#include "platform/codepage.h"

#include <QString>
#include <string>
#include <string_view>

namespace zv::records {

inline QString toQt(std::string_view text1250) {
    return QString::fromStdString(cp1250::toUtf8(text1250));
}

inline std::string fromQt(const QString& text) {
    return cp1250::fromUtf8(text.toStdString());
}

} // namespace zv::records
