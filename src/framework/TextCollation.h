#pragma once

#include <QByteArrayView>
#include <QCollator>
#include <QLocale>

#include <functional>
#include <vector>

// Orders Windows-1251 texts exactly as QCollator (case-sensitive) orders their decoded texts, but fast.
//
// Every byte carries a few primary collation weights: one for a letter, digit or sign, none for the
// soft hyphen, those of "No" for №. Their order, which of them share a weight (а and А, е and ё) and
// which characters borrow whose weights are learned once from the collator, so a text gets a byte key
// whose plain comparison decides the order wherever the primary level does. Only texts that are equal
// at that level are left to the collator itself.
class TTextCollation {
public:
    explicit TTextCollation(const QLocale& locale = QLocale());

    int Compare(QByteArrayView a, QByteArrayView b) const;
    // A stable sort of rows by text(row): rows with equal texts keep their order.
    void Sort(std::vector<quint32>& rows, const std::function<QByteArrayView(quint32)>& text,
              bool descending) const;

    struct TByteKey; // what a byte puts into a key

private:
    struct TItem;
    int CompareExact(QByteArrayView a, QByteArrayView b) const;
    bool MakeKey(QByteArrayView text, std::vector<uchar>& keys) const;
    void SortEqualKeys(TItem* begin, TItem* end, const std::function<QByteArrayView(quint32)>& text,
                       const std::vector<quint32>& rows, int sign) const;

    const QCollator& m_collator;
    const TByteKey* m_keys; // by byte
};
