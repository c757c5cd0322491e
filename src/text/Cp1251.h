#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1251, the code page of every file and text of the program, with its letter case rules.
// Every byte string survives Decode then Encode (the unassigned byte 0x98 maps to U+0098).
namespace Cp1251 {

QString Decode(QByteArrayView bytes);
// A character without a Windows-1251 byte becomes "?".
QByteArray Encode(QStringView text);
void EncodeAppend(QByteArray& out, QStringView text);
// True when every character of the text has a Windows-1251 byte.
bool CanEncode(QStringView text);

char16_t ToUnicode(uchar byte);
// The byte of a character, or -1 when the code page has none.
int FromUnicode(char16_t ch);

struct CaseTables {
    uchar Upper[256];
    uchar Lower[256];
    uchar Same[256]; // every byte itself: for code that folds case only sometimes
};
extern const CaseTables Case;
inline uchar UpperByte(uchar b) {
    return Case.Upper[b];
}
inline uchar LowerByte(uchar b) {
    return Case.Lower[b];
}

} // namespace Cp1251

QByteArray AnsiUpperCase(QByteArrayView bytes);
QByteArray AnsiLowerCase(QByteArrayView bytes);
QString AnsiUpperCase(QStringView text);
QString AnsiLowerCase(QStringView text);
bool SameText(QByteArrayView a, QByteArrayView b);
bool SameText(QStringView a, QStringView b);
