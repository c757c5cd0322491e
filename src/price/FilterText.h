#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// The maximal runs of characters other than the separator; runs of separators only separate.
QStringList SplitWords(QStringView text, QChar separator);

// A filter text is a list of terms separated by "|"; a term is a field name, "=" and a pattern.
struct TFilterTerm {
    QString FieldName;
    QString Pattern; // empty when the term has none
};
QList<TFilterTerm> ParseFilterText(QStringView text);

// A filter pattern matched against a whole Windows-1251 value: "*" stands for any run of characters,
// "?" for exactly one, every other character for itself; with ignoreCase both sides compare in upper
// case under the Windows-1251 rules.
class TWildcard {
public:
    TWildcard(QStringView pattern, bool ignoreCase);
    bool Matches(QByteArrayView value) const;

private:
    bool MatchesAt(const QByteArray& piece, QByteArrayView value, qsizetype at) const;
    qsizetype Find(const QByteArray& piece, QByteArrayView value, qsizetype from, qsizetype end) const;

    QByteArray m_pattern; // as written, for the plain equality that always matches
    bool m_encodable = true;
    bool m_any = false;
    const uchar* m_fold;
    std::vector<QByteArray> m_pieces; // between the stars, folded
    bool m_anchoredStart = true;
    bool m_anchoredEnd = true;
};
