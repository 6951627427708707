// The dates-and-pictures module plugged into a report through its formatter.
#include "platform/dates/picture.h"
#include "platform/dates/standard_date.h"
#include "ui/report/report_writer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace zv::ui {
namespace {

std::string withPicture(const FieldValue& value, std::string_view picture) {
    const auto* number = std::get_if<std::int64_t>(&value);
    const auto compiled = dates::compile(picture);
    if (!number || !compiled) return plainText(value);
    return dates::format(*compiled, static_cast<std::int32_t>(*number));
}

TEST(PictureHookTest, DateFieldPrintsThroughItsPicture) {
    QTemporaryDir dir;
    FontFaces faces(ProfileFile((dir.path() + "/system.ini").toStdString()));
    Report r;
    r.formatter = withPicture;
    std::int64_t date = dates::dateFromParts(12, 8, 2026);
    r.pageHeader = Band{Length::mils(300), {}};
    r.pageHeader->addField(
        {}, {}, [&](const PrintState&) { return FieldValue(date); }, "@d6.");
    r.pageHeader->addField(
        {}, {}, [&](const PrintState&) { return FieldValue(date); }, "@q9");
    r.pageHeader->addField({}, {}, [&](const PrintState&) { return FieldValue(date); });
    ReportWriter w(std::move(r), faces);
    w.finish();
    std::vector<std::string> texts;
    for (const DrawStep& s : w.pages()[0].steps)
        texts.push_back(std::get<TextStep>(s).text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"8.12.2026", std::to_string(date), std::to_string(date)}));
}

} // namespace
} // namespace zv::ui
