#include "app/selections/labels/label_run.h"

#include "app/selections/selection/label_layout.h"

#include "app/shell/access/error_codes.h"
#include "app/shell/dictionary/records.h"
#include "platform/codepage.h"

#include <algorithm>

namespace zv::selections {
namespace {

using rec::LabelRecord;
using rec::VyberyRecord;
using ui::Length;

const LabelRecord& layoutOf(const access::RecordFile& label) {
    return *reinterpret_cast<const LabelRecord*>(label.record());
}

Length inches(double in) {
    return Length::inches(in);
}

// A text field of the label showing a Vybery field as it is when the label prints.
ui::ValueSource rowText(const access::RecordFile& vybery,
                        std::string_view (*field)(const VyberyRecord&)) {
    return [&vybery, field](const ui::PrintState&) -> ui::FieldValue {
        return std::string(field(*reinterpret_cast<const VyberyRecord*>(vybery.record())));
    };
}

} // namespace

ui::Report labelReport(const access::RecordFile& label, const access::RecordFile& vybery,
                       const LabelOptions& options) {
    const LabelRecord& l = layoutOf(label);
    ui::Report r;
    const Length top = inches(l.TOPMARGIN.get());
    const Length left = inches(l.LEFTMARGIN.get());
    r.layout.paperWidth = inches(l.PAGEWIDTH.get());
    r.layout.paperHeight = inches(l.PAGEHEIGHT.get());
    r.layout.area = {left, top, inches(l.PAGEWIDTH.get()), inches(l.PAGEHEIGHT.get())};
    r.layout.flow = ui::DetailFlow::AcrossThenDown;
    r.layout.cellWidth = inches(l.LABELWIDTH.get());
    r.layout.cellHeight = inches(l.LABELHEIGHT.get());

    const std::int32_t size = l.FONTSIZE.get() > 0 ? l.FONTSIZE.get() : 10;
    ui::FontSpec font;
    font.face = l.TYPEFACE.trimmed().empty() ? "Corvid CE" : std::string(l.TYPEFACE.trimmed());
    font.points = size;
    font.color = std::uint32_t(l.FONTCOLOR.get()) & 0xFFFFFF;
    // h: the font's height; the lines lie s·h apart from the top margin down, each
    // one line of the font high (a box of height 0), so no letter is cut.
    const Length h = Length::points(size);
    const Length step = h * std::clamp(options.spacing, 1.0, 3.0);
    const Length width = r.layout.cellWidth;
    const Length town = Length::points(4.0 * size);
    auto line = [&](int k) { return top + step * std::int64_t(k - 1); };
    auto& band = r.detail;
    band.height = r.layout.cellHeight;
    using V = const VyberyRecord&;
    band.addField({Length(), line(1), width, Length()}, font,
                  rowText(vybery, [](V v) { return v.FIRMA.trimmed(); }));
    band.addField({Length(), line(2), width, Length()}, font,
                  rowText(vybery, [](V v) { return v.JMENO1.trimmed(); }));
    band.addField({Length(), line(3), width, Length()}, font,
                  rowText(vybery, [](V v) { return v.ULICE.trimmed(); }));
    band.addField({Length(), line(4), town, Length()}, font,
                  rowText(vybery, [](V v) { return v.PSC.trimmed(); }));
    band.addField({town, line(4), width - town, Length()}, font,
                  rowText(vybery, [](V v) { return v.MESTO.trimmed(); }));
    band.addField({Length(), line(5), width, Length()}, font,
                  rowText(vybery, [](V v) { return v.STAT.trimmed(); }));
    return r;
}

LabelRun::LabelRun(access::RecordFile& vybery, ui::ReportWriter& writer, LabelOptions options)
    : vybery_(vybery), writer_(writer), options_(options) {
    options_.copies = std::clamp(options_.copies, 1, 255);
    options_.skip = std::clamp(options_.skip, 0, 255);
}

LabelRun::~LabelRun() {
    if (quickScan_) (void)vybery_.send("QUICKSCAN=off");
}

bool LabelRun::nextRow() {
    if (error_ != 0) return false;
    if (!started_) {
        started_ = true;
        quickScan_ = vybery_.send("QUICKSCAN=on") == 0;
        for (int i = 0; i < options_.skip; ++i, ++labels_)
            writer_.skipDetail();
        vybery_.clearBuffer();
        if (const int rc = vybery_.setKey(vybery_.keyNumber("VYB:BYFIRMA")); rc != 0) {
            error_ = rc;
            return false;
        }
    }
    const int rc = vybery_.next();
    if (rc != 0) {
        // The end of the rows ends the run, whatever their count said.
        if (rc != access::kRecordNotAvailable) error_ = rc;
        return false;
    }
    for (int copy = 0; copy < options_.copies; ++copy, ++labels_)
        writer_.printDetail();
    ++rows_;
    return true;
}

} // namespace zv::selections
