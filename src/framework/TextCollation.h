#pragma once

#include <QByteArrayView>
#include <QCollator>
#include <QLocale>

#include <functional>
#include <vector>

// Orders Windows-1251 texts exactly as QCollator (case-sensitive) orders their decoded texts, but fast.
//
// Letters, digits, the blank and ASCII punctuation each carry one primary collation weight. Their
// order and which of them share a weight (а and А, е and ё) are learned once from the collator, so a
// text made of them gets a byte key whose plain comparison decides the order wherever the primary
// level does. Only texts that are equal at that level, and texts with other characters, are left to
// the collator itself.
class TTextCollation {
public:
    explicit TTextCollation(const QLocale& locale = QLocale());

    int Compare(QByteArrayView a, QByteArrayView b) const;
    // A stable sort of rows by text(row): rows with equal texts keep their order.
    void Sort(std::vector<quint32>& rows, const std::function<QByteArrayView(quint32)>& text,
              bool descending) const;

private:
    struct TItem;
    int CompareExact(QByteArrayView a, QByteArrayView b) const;
    bool MakeKey(QByteArrayView text, std::vector<uchar>& keys) const;

    const QCollator& m_collator;
    const uchar* m_rank; // 0: a byte the collator must judge
};
