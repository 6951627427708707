#include "codepage.h"

#include <array>

namespace zv::cp1250 {
namespace {

// Code points of the bytes 0x80..0xFF. Unassigned bytes keep their own number.
constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

struct CaseTables {
    std::array<unsigned char, 256> up{};
    std::array<unsigned char, 256> low{};
};

constexpr CaseTables makeCaseTables() {
    CaseTables t;
    for (int b = 0; b < 256; ++b) {
        t.up[b] = static_cast<unsigned char>(b);
        t.low[b] = static_cast<unsigned char>(b);
    }
    auto pair = [&t](int lowerByte, int upperByte) {
        t.up[lowerByte] = static_cast<unsigned char>(upperByte);
        t.low[upperByte] = static_cast<unsigned char>(lowerByte);
    };
    for (int b = 'a'; b <= 'z'; ++b)
        pair(b, b - 0x20);
    // š ś ť ž ź
    for (int b = 0x9A; b <= 0x9F; ++b)
        if (b != 0x9B) pair(b, b - 0x10);
    pair(0xB3, 0xA3); // ł Ł
    pair(0xB9, 0xA5); // ą Ą
    pair(0xBA, 0xAA); // ş Ş
    pair(0xBE, 0xBC); // ľ Ľ
    pair(0xBF, 0xAF); // ż Ż
    for (int b = 0xE0; b <= 0xFE; ++b)
        if (b != 0xF7) pair(b, b - 0x20); // á..ţ, but not ÷
    return t;
}

constexpr CaseTables kCase = makeCaseTables();

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

char32_t toUnicode(unsigned char byte) {
    return byte < 0x80 ? byte : kHigh[byte - 0x80];
}

unsigned char fromUnicode(char32_t cp) {
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    for (int i = 0; i < 128; ++i)
        if (kHigh[i] == cp) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

std::string toUtf8(std::string_view text1250) {
    std::string out;
    out.reserve(text1250.size() * 2);
    for (char c : text1250)
        appendUtf8(out, toUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string fromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    const size_t n = utf8.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        int extra;
        char32_t cp;
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
        } else {
            out += '?';
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= n || (static_cast<unsigned char>(utf8[j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
        }
        out += ok ? static_cast<char>(fromUnicode(cp)) : '?';
        i = j;
    }
    return out;
}

unsigned char upper(unsigned char byte) {
    return kCase.up[byte];
}

unsigned char lower(unsigned char byte) {
    return kCase.low[byte];
}

namespace {

// The plain letter of a lower-case letter with an accent; 0 for any other.
char plainLetter(char32_t c) {
    static constexpr std::u32string_view kAccented[] = {
        U"áàâãäăą", U"čćç", U"ďđ",  U"éèêëěę", U"íìîï",   U"ĺľł", U"ňń",
        U"óòôõöő",  U"řŕ",  U"šśş", U"ťţ",     U"úùûüůű", U"ý",   U"žźż"};
    static constexpr char kPlain[] = "acdeilnorstuyz";
    for (std::size_t i = 0; i < std::size(kAccented); ++i)
        if (kAccented[i].find(c) != std::u32string_view::npos) return kPlain[i];
    return 0;
}

const std::array<unsigned char, 256>& plainLowerTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const unsigned char low = kCase.low[std::size_t(b)];
            const char plain = low >= 0x80 ? plainLetter(toUnicode(low)) : 0;
            t[std::size_t(b)] = plain ? static_cast<unsigned char>(plain) : low;
        }
        return t;
    }();
    return table;
}

} // namespace

unsigned char plainLower(unsigned char byte) {
    return plainLowerTable()[byte];
}

std::string plainLower(std::string_view text1250) {
    const auto& table = plainLowerTable();
    std::string out(text1250);
    for (char& c : out)
        c = static_cast<char>(table[static_cast<unsigned char>(c)]);
    return out;
}

std::string upper(std::string_view text1250) {
    std::string out(text1250);
    for (char& c : out)
        c = static_cast<char>(kCase.up[static_cast<unsigned char>(c)]);
    return out;
}

std::string lower(std::string_view text1250) {
    std::string out(text1250);
    for (char& c : out)
        c = static_cast<char>(kCase.low[static_cast<unsigned char>(c)]);
    return out;
}

int compareNoCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const int x = kCase.up[static_cast<unsigned char>(a[i])];
        const int y = kCase.up[static_cast<unsigned char>(b[i])];
        if (x != y) return x - y;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compareNoCase(a, b) == 0;
}

} // namespace zv::cp1250
