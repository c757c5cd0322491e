#include "Cp1251.h"

#include <array>

namespace Cp1251 {
namespace {

constexpr char16_t kHighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, //
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, //
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, //
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, //
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, //
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, //
};

// Upper/lower pairs of the code page outside А-Я/а-я and the Latin letters.
constexpr uchar kCyrillicPairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
    {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

struct UnicodeTable {
    char16_t Of[256];
};

constexpr UnicodeTable MakeUnicodeTable() {
    UnicodeTable t{};
    for (int b = 0; b < 256; ++b)
        t.Of[b] = b < 0x80 ? char16_t(b) : b >= 0xC0 ? char16_t(0x0410 + (b - 0xC0)) : kHighHalf[b - 0x80];
    return t;
}

constexpr UnicodeTable kUnicode = MakeUnicodeTable();

constexpr CaseTables MakeCaseTables() {
    CaseTables t{};
    for (int i = 0; i < 256; ++i)
        t.Upper[i] = t.Lower[i] = t.Same[i] = uchar(i);
    auto pair = [&t](int up, int low) {
        t.Upper[low] = uchar(up);
        t.Lower[up] = uchar(low);
    };
    for (int i = 0; i < 26; ++i)
        pair('A' + i, 'a' + i);
    for (int i = 0; i < 32; ++i)
        pair(0xC0 + i, 0xE0 + i);
    for (const auto& p : kCyrillicPairs)
        pair(p[0], p[1]);
    return t;
}

// Unicode BMP code unit -> its byte in the upper half, 0 meaning "no byte" (ASCII is never looked up,
// so 0 cannot be a real answer); built once.
const std::array<uchar, 65536>& ReverseTable() {
    static const std::array<uchar, 65536> table = [] {
        std::array<uchar, 65536> t{};
        for (int b = 0x80; b < 256; ++b)
            t[ToUnicode(uchar(b))] = uchar(b);
        return t;
    }();
    return table;
}

} // namespace

constinit const CaseTables Case = MakeCaseTables();

char16_t ToUnicode(uchar byte) {
    return kUnicode.Of[byte];
}

int FromUnicode(char16_t ch) {
    if (ch < 0x80) return ch;
    const uchar b = ReverseTable()[ch];
    return b ? b : -1;
}

QString Decode(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const uchar* src = reinterpret_cast<const uchar*>(bytes.data());
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
        dst[i] = kUnicode.Of[src[i]];
    return out;
}

void EncodeAppend(QByteArray& out, QStringView text) {
    const auto& reverse = ReverseTable();
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* dst = out.data() + start;
    qsizetype n = 0;
    for (qsizetype i = 0, len = text.size(); i < len; ++i) {
        const char16_t ch = text[i].unicode();
        if (ch < 0x80) { // the common cases first: ASCII and А-я
            dst[n++] = char(ch);
        } else if (ch >= 0x0410 && ch <= 0x044F) {
            dst[n++] = char(ch - 0x0410 + 0xC0);
        } else if (QChar::isHighSurrogate(ch) && i + 1 < len &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // one character outside the BMP: one "?"
            dst[n++] = '?';
        } else {
            dst[n++] = reverse[ch] ? char(reverse[ch]) : '?';
        }
    }
    out.truncate(start + n);
}

QByteArray Encode(QStringView text) {
    QByteArray out;
    EncodeAppend(out, text);
    return out;
}

bool CanEncode(QStringView text) {
    const auto& reverse = ReverseTable();
    for (QChar c : text)
        if (c.unicode() >= 0x80 && !reverse[c.unicode()]) return false;
    return true;
}

} // namespace Cp1251

namespace {

QByteArray MapBytes(QByteArrayView bytes, const uchar* table) {
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = char(table[uchar(bytes[i])]);
    return out;
}

QString MapText(QStringView text, const uchar* table) {
    QString out = text.toString();
    for (QChar& c : out) {
        const int b = Cp1251::FromUnicode(c.unicode());
        if (b >= 0) c = QChar(Cp1251::ToUnicode(table[b]));
    }
    return out;
}

} // namespace

QByteArray AnsiUpperCase(QByteArrayView bytes) {
    return MapBytes(bytes, Cp1251::Case.Upper);
}
QByteArray AnsiLowerCase(QByteArrayView bytes) {
    return MapBytes(bytes, Cp1251::Case.Lower);
}
QString AnsiUpperCase(QStringView text) {
    return MapText(text, Cp1251::Case.Upper);
}
QString AnsiLowerCase(QStringView text) {
    return MapText(text, Cp1251::Case.Lower);
}

bool SameText(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (Cp1251::Case.Lower[uchar(a[i])] != Cp1251::Case.Lower[uchar(b[i])]) return false;
    return true;
}

bool SameText(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        const int x = Cp1251::FromUnicode(a[i].unicode());
        const int y = Cp1251::FromUnicode(b[i].unicode());
        if (x < 0 || y < 0 || Cp1251::Case.Lower[x] != Cp1251::Case.Lower[y]) return false;
    }
    return true;
}
