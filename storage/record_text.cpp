#include "storage/record_text.h"

#include "platform/codepage.h"

#include <algorithm>
#include <vector>

namespace zv::storage {

namespace {

// Which bytes of the image are characters of text fields.
std::vector<bool> textBytes(const TableDecl& decl, std::size_t size) {
    std::vector<bool> text(size, false);
    auto mark = [&](std::size_t from, std::size_t n, bool value) {
        for (std::size_t i = from; i < from + n && i < size; ++i)
            text[i] = value;
    };
    for (const FieldDecl& f : decl.fields)
        if (isText(f.type)) mark(f.offset, f.size, true);
    for (const FieldDecl& f : decl.fields) {
        if (f.type == FieldType::PString) {
            // The length byte of every element is a number.
            std::size_t elements = std::max<std::size_t>(f.elements, 1);
            std::size_t width = f.size / elements;
            for (std::size_t e = 0; e < elements && width > 0; ++e)
                mark(f.offset + e * width, 1, false);
        } else if (!isText(f.type) && f.type != FieldType::Group && !f.overlay) {
            // A number's own storage is never text, whatever overlays it.
            mark(f.offset, f.size, false);
        }
    }
    return text;
}

template <typename Convert>
void convert(const TableDecl& decl, std::uint8_t* image, std::size_t size, Convert c) {
    if (!decl.oem) return;
    std::vector<bool> text = textBytes(decl, size);
    for (std::size_t i = 0; i < size; ++i)
        if (text[i]) image[i] = c(image[i]);
}

} // namespace

void imageToOem(const TableDecl& decl, std::uint8_t* image, std::size_t size) {
    convert(decl, image, size, [](std::uint8_t b) { return cp852::fromCp1250(b); });
}

void imageFromOem(const TableDecl& decl, std::uint8_t* image, std::size_t size) {
    convert(decl, image, size, [](std::uint8_t b) { return cp852::toCp1250(b); });
}

} // namespace zv::storage
