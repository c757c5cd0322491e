// The Windows-1251 codec, its letter case rules and the text forms of numbers and dates on any bytes:
// bytes survive decoding and encoding; text survives encoding wherever the code page has its characters;
// a number or date written in a file's form reads back as the form promises; a number shown to the user
// reads back, and the fast form of it is the locale's form.
#include "FuzzSupport.h"

#include "framework/NumberText.h"
#include "text/Cp1251.h"
#include "text/TextForms.h"

#include <QRegularExpression>

#include <cmath>
#include <cstring>

namespace {

void CheckCodec(QByteArrayView bytes) {
    const QString text = Cp1251::Decode(bytes);
    FUZZ_CHECK(text.size() == bytes.size() && Cp1251::CanEncode(text) && Cp1251::Encode(text) == bytes);
    FUZZ_CHECK(Cp1251::Decode(AnsiUpperCase(bytes)) == AnsiUpperCase(text));
    FUZZ_CHECK(Cp1251::Decode(AnsiLowerCase(bytes)) == AnsiLowerCase(text));
    // Letter case is the only difference SameText forgives, the same for bytes and for text.
    const qsizetype half = bytes.size() / 2;
    const QByteArrayView a = bytes.first(half), b = bytes.sliced(half, half);
    const bool same = SameText(a, b);
    FUZZ_CHECK(same == (AnsiLowerCase(a) == AnsiLowerCase(b)) &&
               same == SameText(Cp1251::Decode(a), Cp1251::Decode(b)));
    FUZZ_CHECK(SameText(bytes, AnsiUpperCase(bytes)) && SameText(text, AnsiLowerCase(text)));

    // The same bytes as UTF-16: a character without a byte (one outside the BMP: a surrogate pair) becomes
    // one "?", every other one survives.
    const QString utf16 =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
    QByteArray encoded = "x";
    Cp1251::EncodeAppend(encoded, utf16);
    FUZZ_CHECK(encoded.sliced(1) == Cp1251::Encode(utf16));
    bool encodable = true;
    qsizetype at = 1;
    for (qsizetype i = 0; i < utf16.size(); ++i, ++at) {
        FUZZ_CHECK(at < encoded.size());
        const int byte = Cp1251::FromUnicode(utf16[i].unicode());
        encodable = encodable && byte >= 0;
        FUZZ_CHECK(uchar(encoded[at]) == (byte >= 0 ? byte : '?'));
        if (byte >= 0) FUZZ_CHECK(Cp1251::ToUnicode(uchar(byte)) == utf16[i].unicode());
        if (utf16[i].isHighSurrogate() && i + 1 < utf16.size() && utf16[i + 1].isLowSurrogate()) ++i;
    }
    FUZZ_CHECK(at == encoded.size());
    FUZZ_CHECK(Cp1251::CanEncode(utf16) == encodable &&
               (Cp1251::Decode(encoded.sliced(1)) == utf16) == encodable);
}

// The file's form of a float: the integer part, a point, the fraction cut (not rounded) to seven digits.
void CheckFloatForm(double v) {
    const QByteArray text = FileText::FromFloat(v);
    if (!std::isfinite(v) || std::fabs(v) >= 9223372036854775808.0) {
        FUZZ_CHECK(text.isEmpty());
        return;
    }
    static const QRegularExpression form(QStringLiteral("^-?[0-9]+\\.[0-9]{7}$"));
    FUZZ_CHECK(form.match(QString::fromLatin1(text)).hasMatch());
    const double back = FileText::ToFloat(text);
    const double ulp = std::fabs(v) * 0x1p-52;
    FUZZ_CHECK(std::fabs(back) <= std::fabs(v) + ulp && std::fabs(v) - std::fabs(back) < 1e-7 + ulp);
    FUZZ_CHECK(back == 0 || std::signbit(back) == std::signbit(v));
    if (v == std::trunc(v)) FUZZ_CHECK(back == v);
}

void CheckCurrencyForm(qint64 scaled) {
    const TCurrency value{scaled % 1000000000000000}; // below a fifteen-digit amount a double is exact
    const double back = FileText::ToFloat(FileText::FromCurrency(value));
    FUZZ_CHECK(TCurrency::FromDouble(back) == value);
}

void CheckDateForm(double days) {
    const TDateTime value{days};
    const QByteArray text = FileText::FromDate(value);
    const QDate date = value.Date();
    if (date.isValid() && date.year() <= 9999) FUZZ_CHECK(FileText::ToDate(text).Date() == date);
    if (!date.isValid()) FUZZ_CHECK(text.size() == 8 && text[2] == ':' && text[5] == ':');
}

// A number as the user sees it reads back to the same fifteen digits; the fast form is the same text.
void CheckShownNumber(double v) {
    static TFloatText fast;
    if (std::isnan(v)) {
        FUZZ_CHECK(fast.Text(v).isEmpty());
        return;
    }
    const QString shown = FloatToStr(v);
    FUZZ_CHECK(fast.Text(v) == Cp1251::Encode(shown));
    // At the ends of the range the fifteen digits may round beyond the largest double or below the least.
    if (std::fabs(v) > 1e300 || std::fabs(v) < 1e-300) return;
    double back = 0;
    FUZZ_CHECK(StrToFloat(shown, back));
    FUZZ_CHECK(std::fabs(back - v) <= std::fabs(v) * 1e-14);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes = FuzzInput(data, size);
    CheckCodec(bytes);

    // Any text read as a number or a date never fails; a number it gives is written back in form.
    const double read = FileText::ToFloat(bytes);
    FUZZ_CHECK(std::isfinite(read));
    CheckFloatForm(read);
    (void)FileText::ToDate(bytes).Date();

    // The first eight bytes as a double and as an integer: every value, the odd ones included.
    if (size >= 8) {
        double v;
        qint64 n;
        std::memcpy(&v, data, 8);
        std::memcpy(&n, data, 8);
        CheckFloatForm(v);
        CheckFloatForm(double(n));
        CheckCurrencyForm(n);
        CheckDateForm(v);
        CheckDateForm(double(n % 4000000));
        CheckShownNumber(v);
        CheckShownNumber(double(n) / 10000);
    }
    return 0;
}
