#include "text/Cp1251.h"
#include "text/TextForms.h"

#include <QtTest>

#include <iconv.h>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QByteArray AllBytes() {
    QByteArray bytes(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        bytes[b] = char(b);
    return bytes;
}

// The character of a byte as the C library's own Windows-1251 converter sees it; 0 when it has none.
char16_t LibcCharacter(uchar byte) {
    iconv_t cd = iconv_open("UTF-16LE", "CP1251");
    if (cd == iconv_t(-1)) return 0;
    char in = char(byte);
    char16_t out = 0;
    char* inPtr = &in;
    char* outPtr = reinterpret_cast<char*>(&out);
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return rc == size_t(-1) ? 0 : out;
}

// The byte of the Unicode upper (lower) case of a byte's character, or the byte itself when that
// character has no byte: what the code page's case rules must give.
uchar ExpectedCase(uchar byte, bool upper) {
    const QChar c(Cp1251::ToUnicode(byte));
    const int mapped = Cp1251::FromUnicode((upper ? c.toUpper() : c.toLower()).unicode());
    return mapped < 0 ? byte : uchar(mapped);
}

// The written form of a number by exact integer arithmetic: the fraction truncated, never rounded.
QByteArray ExactForm(double v) {
    const double whole = std::trunc(v);
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(v - whole), &exponent); // fraction = mantissa * 2^exponent
    const __int128 bits = __int128(std::ldexp(mantissa, 53));
    const int shift = 53 - exponent;
    const long long digits = shift >= 100 ? 0 : static_cast<long long>((bits * 10000000) >> shift);
    const bool negative = v < 0 && (whole != 0 || digits != 0);
    return QByteArray(negative ? "-" : "") + QByteArray::number(qint64(std::fabs(whole))) + '.' +
           QByteArray::number(digits).rightJustified(7, '0');
}

} // namespace

class TstText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodeMatchesTheCodePage();
    void everyByteRoundTrips();
    void everyCharacterWithAByteRoundTrips();
    void encodeReplacesCharactersWithoutAByte_data();
    void encodeReplacesCharactersWithoutAByte();
    void casePairs_data();
    void casePairs();
    void caseTablesFollowTheLetters();
    void caseLeavesCharactersWithoutAByte();
    void sameText_data();
    void sameText();
    void dayCount();
    void numbersAreTruncatedExactly();
};

void TstText::decodeMatchesTheCodePage() {
    if (LibcCharacter('A') != u'A') QSKIP("the C library has no Windows-1251 converter");
    const QString text = Cp1251::Decode(AllBytes());
    QCOMPARE(text.size(), 256);
    for (int b = 0; b < 256; ++b) {
        const char16_t expected = b == 0x98 ? char16_t(0x98) : LibcCharacter(uchar(b));
        QVERIFY2(text[b].unicode() == expected, qPrintable(u"byte 0x%1"_s.arg(b, 2, 16, QChar(u'0'))));
    }
}

void TstText::everyByteRoundTrips() {
    const QByteArray bytes = AllBytes();
    QCOMPARE(Cp1251::Encode(Cp1251::Decode(bytes)), bytes);
    QVERIFY(Cp1251::CanEncode(Cp1251::Decode(bytes)));
    for (int b = 0; b < 256; ++b)
        QCOMPARE(Cp1251::FromUnicode(Cp1251::ToUnicode(uchar(b))), b);
}

void TstText::everyCharacterWithAByteRoundTrips() {
    // Scanning the whole BMP: exactly 256 characters own a byte, and each one comes back.
    int withByte = 0;
    for (int u = 0; u < 0x10000; ++u) {
        if (QChar::isSurrogate(char32_t(u))) continue;
        const QChar c{char16_t(u)};
        const QByteArray encoded = Cp1251::Encode(QStringView(&c, 1));
        QCOMPARE(encoded.size(), 1);
        const bool hasByte = Cp1251::FromUnicode(char16_t(u)) >= 0;
        QCOMPARE(Cp1251::CanEncode(QStringView(&c, 1)), hasByte);
        if (!hasByte) {
            QCOMPARE(encoded, "?");
            continue;
        }
        ++withByte;
        QCOMPARE(Cp1251::Decode(encoded), QString(c));
    }
    QCOMPARE(withByte, 256);
}

void TstText::encodeReplacesCharactersWithoutAByte_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("euro has a byte") << u"€"_s << QByteArray("\x88");
    QTest::newRow("numero sign") << u"№"_s << QByteArray("\xB9");
    QTest::newRow("unassigned byte") << QString(QChar(0x98)) << QByteArray("\x98");
    QTest::newRow("ya") << u"я"_s << QByteArray("\xFF");
    QTest::newRow("polish l") << u"ł"_s << QByteArray("?");
    QTest::newRow("C1 control") << QString(QChar(0x81)) << QByteArray("?");
    QTest::newRow("mixed") << u"Łódź ёж"_s << QByteArray("??d? \xB8\xE6");
    QTest::newRow("outside the BMP") << u"a\U0001D11Eb"_s << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u'x' << QByteArray("?x");
}

void TstText::encodeReplacesCharactersWithoutAByte() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp1251::Encode(text), bytes);
    QCOMPARE(Cp1251::CanEncode(text), !bytes.contains('?'));
}

void TstText::casePairs_data() {
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QString>("lower");
    const char16_t* pairs[][2] = {{u"Ё", u"ё"}, {u"Ў", u"ў"}, {u"Є", u"є"}, {u"Ї", u"ї"}, {u"І", u"і"},
                                  {u"Ґ", u"ґ"}, {u"Ђ", u"ђ"}, {u"Ѓ", u"ѓ"}, {u"Љ", u"љ"}, {u"Њ", u"њ"},
                                  {u"Ќ", u"ќ"}, {u"Ћ", u"ћ"}, {u"Џ", u"џ"}, {u"Ј", u"ј"}, {u"Ѕ", u"ѕ"}};
    for (const auto& p : pairs)
        QTest::newRow(QString::fromUtf16(p[0]).toUtf8())
            << QString::fromUtf16(p[0]) << QString::fromUtf16(p[1]);
    QTest::newRow("А-Я") << u"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_s << u"абвгдежзийклмнопрстуфхцчшщъыьэюя"_s;
    QTest::newRow("Latin") << u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s << u"abcdefghijklmnopqrstuvwxyz"_s;
    QTest::newRow("no letters") << u"0-9 _.,;№µ§«»"_s << u"0-9 _.,;№µ§«»"_s;
}

void TstText::casePairs() {
    QFETCH(QString, upper);
    QFETCH(QString, lower);
    QCOMPARE(AnsiUpperCase(lower), upper);
    QCOMPARE(AnsiLowerCase(upper), lower);
    QCOMPARE(AnsiUpperCase(upper), upper);
    QCOMPARE(AnsiLowerCase(lower), lower);
    const QByteArray up = Cp1251::Encode(upper), low = Cp1251::Encode(lower);
    QCOMPARE(AnsiUpperCase(low), up);
    QCOMPARE(AnsiLowerCase(up), low);
    QVERIFY(SameText(upper, lower));
    QVERIFY(SameText(up, low));
}

void TstText::caseTablesFollowTheLetters() {
    // Checked against Unicode's own case mapping: µ, whose upper case (Greek Mu) has no byte, and
    // every other non-letter stay as they are.
    for (int b = 0; b < 256; ++b) {
        const QByteArray message = u"byte 0x%1"_s.arg(b, 2, 16, QChar(u'0')).toLatin1();
        QVERIFY2(Cp1251::UpperByte(uchar(b)) == ExpectedCase(uchar(b), true), message);
        QVERIFY2(Cp1251::LowerByte(uchar(b)) == ExpectedCase(uchar(b), false), message);
    }
    QCOMPARE(Cp1251::UpperByte(0xB5), uchar(0xB5));
    const QByteArray bytes = AllBytes();
    QCOMPARE(Cp1251::Encode(AnsiUpperCase(Cp1251::Decode(bytes))), AnsiUpperCase(bytes));
    QCOMPARE(Cp1251::Encode(AnsiLowerCase(Cp1251::Decode(bytes))), AnsiLowerCase(bytes));
}

void TstText::caseLeavesCharactersWithoutAByte() {
    QCOMPARE(AnsiUpperCase(u"łäß ё"_s), u"łäß Ё"_s);
    QCOMPARE(AnsiLowerCase(u"ŁÄ Ё\U0001D11E"_s), u"ŁÄ ё\U0001D11E"_s);
}

void TstText::sameText_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("Cyrillic") << u"Ёлка"_s << u"ЁЛКА"_s << true;
    QTest::newRow("Latin") << u"Abc"_s << u"aBC"_s << true;
    QTest::newRow("empty") << QString() << u""_s << true;
    QTest::newRow("е is not ё") << u"елка"_s << u"ёлка"_s << false;
    QTest::newRow("Latin is not Cyrillic") << u"A"_s << u"А"_s << false;
    QTest::newRow("longer") << u"ЦЕНА"_s << u"цена "_s << false;
    QTest::newRow("µ is not Mu") << u"µ"_s << u"Μ"_s << false;
    QTest::newRow("no byte, same") << u"ł"_s << u"ł"_s << true;
    QTest::newRow("no byte, other case") << u"ł"_s << u"Ł"_s << false;
    QTest::newRow("no byte against ?") << u"ł"_s << u"?"_s << false;
}

void TstText::sameText() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(SameText(a, b), same);
    QCOMPARE(SameText(b, a), same);
    if (Cp1251::CanEncode(a) && Cp1251::CanEncode(b))
        QCOMPARE(SameText(Cp1251::Encode(a), Cp1251::Encode(b)), same);
}

void TstText::dayCount() {
    QCOMPARE(TDateTime::FromDate(QDate(1899, 12, 30)).Value, 0.0);
    QCOMPARE(TDateTime::FromDate(QDate(2000, 1, 1)).Value, 36526.0);
    const TDateTime moment = TDateTime::FromDateTime(QDate(2004, 3, 5), QTime(18, 0));
    QCOMPARE(moment.Value, 38051.75);
    QCOMPARE(moment.Date(), QDate(2004, 3, 5));
    QCOMPARE(moment.TimeOfDay(), QTime(18, 0));
    QVERIFY(!TDateTime{0.25}.Date().isValid());
    QCOMPARE(TDateTime{0.25}.TimeOfDay(), QTime(6, 0));
}

void TstText::numbersAreTruncatedExactly() {
    QList<double> values;
    for (int kopecks = 0; kopecks <= 200000; ++kopecks)
        values << kopecks / 100.0 << -kopecks / 100.0;
    QRandomGenerator random(1251);
    for (int i = 0; i < 100000; ++i)
        values << (random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(-8, 12));
    for (double v : values) {
        const QByteArray written = FileText::FromFloat(v);
        QVERIFY2(written == ExactForm(v),
                 qPrintable(QString::number(v, 'g', 17) + u' ' + QString::fromLatin1(written)));
    }
    // A decimal that a double holds just above comes back exactly.
    QCOMPARE(FileText::ToFloat(FileText::FromFloat(12.05)), 12.05);
}

QTEST_APPLESS_MAIN(TstText)
#include "tst_text.moc"
