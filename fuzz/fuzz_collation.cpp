// The collation keys on any Windows-1251 texts (one a line): every comparison agrees with QCollator on the
// decoded texts, and a sort, either way, orders them as the collator does, texts it finds equal in the
// order they came.
#include "FuzzSupport.h"

#include "framework/TextCollation.h"
#include "text/Cp1251.h"

#include <QCollator>

#include <numeric>

namespace {

int Sign(int c) {
    return (c > 0) - (c < 0);
}

const QLocale kRussian(QLocale::Russian, QLocale::Russia);

void CheckSorted(const TTextCollation& collation, const QCollator& collator,
                 const std::vector<QByteArrayView>& texts, bool descending) {
    std::vector<quint32> rows(texts.size());
    std::iota(rows.begin(), rows.end(), 0u);
    collation.Sort(
        rows, [&](quint32 row) { return texts[row]; }, descending);
    std::vector<quint32> all = rows;
    std::sort(all.begin(), all.end());
    for (size_t i = 0; i < all.size(); ++i)
        FUZZ_CHECK(all[i] == i);
    for (size_t i = 1; i < rows.size(); ++i) {
        const int c = collator.compare(Cp1251::Decode(texts[rows[i - 1]]), Cp1251::Decode(texts[rows[i]]));
        FUZZ_CHECK(descending ? c >= 0 : c <= 0);
        if (c == 0) FUZZ_CHECK(rows[i - 1] < rows[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TTextCollation collation(kRussian);
    static const QCollator collator = [] {
        QCollator c(kRussian);
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    const std::vector<QByteArrayView> texts = SplitInput(FuzzInput(data, size), "\n", 48);
    for (size_t i = 0; i < texts.size(); ++i) {
        const QString a = Cp1251::Decode(texts[i]);
        for (size_t j = i; j < texts.size() && j < i + 4; ++j)
            FUZZ_CHECK(Sign(collation.Compare(texts[i], texts[j])) ==
                       Sign(collator.compare(a, Cp1251::Decode(texts[j]))));
    }
    CheckSorted(collation, collator, texts, false);
    CheckSorted(collation, collator, texts, true);
    return 0;
}
