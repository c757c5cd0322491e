#include "TextCollation.h"

#include "text/Cp1251.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

struct TCollationData {
    explicit TCollationData(const QLocale& locale) : Collator(locale) {
        Collator.setCaseSensitivity(Qt::CaseSensitive);
        LearnRanks();
    }

    QCollator Collator;
    uchar Rank[256] = {};

private:
    int Compare(QStringView a, QStringView b) const { return Collator.compare(a, b); }

    // Two letters with neighbouring primary weights, in two scripts.
    static constexpr char16_t kProbes[2][2] = {{u'а', u'б'}, {u'a', u'b'}};

    // Judged by what a character does in front of two letters that differ at the primary level.
    bool IgnorableAtPrimary(const QString& c) const {
        for (const auto& p : kProbes) {
            const QString lo{QChar(p[0])}, hi{QChar(p[1])};
            if (!(Compare(c + lo, hi) < 0 && Compare(c + hi, lo) > 0)) return false;
        }
        return true;
    }
    bool SamePrimary(const QString& lower, const QString& upper) const {
        return Compare(upper + QChar(kProbes[0][0]), lower + QChar(kProbes[0][1])) < 0;
    }

    void LearnRanks() {
        std::vector<uchar> candidates;
        for (int b = 0x20; b < 0x7F; ++b)
            candidates.push_back(uchar(b));
        for (int b = 0xC0; b <= 0xFF; ++b)
            candidates.push_back(uchar(b));
        candidates.push_back(0xA8); // Ё
        candidates.push_back(0xB8); // ё
        std::erase_if(candidates, [this](uchar b) { return IgnorableAtPrimary(Text(b)); });
        std::stable_sort(candidates.begin(), candidates.end(),
                         [this](uchar x, uchar y) { return Compare(Text(x), Text(y)) < 0; });
        uchar rank = 0;
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (i == 0 || !SamePrimary(Text(candidates[i - 1]), Text(candidates[i]))) ++rank;
            Rank[candidates[i]] = rank;
        }
    }
    static QString Text(uchar b) { return QString(QChar(Cp1251::ToUnicode(b))); }
};

const TCollationData& DataFor(const QLocale& locale) {
    static std::map<QString, std::unique_ptr<TCollationData>> cache;
    auto& data = cache[locale.name()];
    if (!data) data = std::make_unique<TCollationData>(locale);
    return *data;
}

} // namespace

struct TTextCollation::TItem {
    quint64 Prefix; // the first eight key bytes, big-endian, zero-padded
    quint32 KeyOffset;
    quint32 KeyLength;
    quint32 Pos; // in the rows being sorted
};

TTextCollation::TTextCollation(const QLocale& locale)
    : m_collator(DataFor(locale).Collator), m_rank(DataFor(locale).Rank) {}

int TTextCollation::CompareExact(QByteArrayView a, QByteArrayView b) const {
    if (a == b) return 0;
    return m_collator.compare(Cp1251::Decode(a), Cp1251::Decode(b));
}

bool TTextCollation::MakeKey(QByteArrayView text, std::vector<uchar>& keys) const {
    for (char c : text) {
        const uchar r = m_rank[uchar(c)];
        if (!r) return false;
        keys.push_back(r);
    }
    return true;
}

int TTextCollation::Compare(QByteArrayView a, QByteArrayView b) const {
    std::vector<uchar> ka, kb;
    if (MakeKey(a, ka) && MakeKey(b, kb) && ka != kb)
        return std::lexicographical_compare(ka.begin(), ka.end(), kb.begin(), kb.end()) ? -1 : 1;
    return CompareExact(a, b);
}

void TTextCollation::Sort(std::vector<quint32>& rows, const std::function<QByteArrayView(quint32)>& text,
                          bool descending) const {
    std::vector<TItem> simple;
    std::vector<quint32> other; // positions of texts the collator must order
    std::vector<uchar> keys;
    simple.reserve(rows.size());
    for (quint32 pos = 0; pos < rows.size(); ++pos) {
        const size_t start = keys.size();
        if (!MakeKey(text(rows[pos]), keys)) {
            keys.resize(start);
            other.push_back(pos);
            continue;
        }
        quint64 prefix = 0;
        for (size_t i = 0; i < 8; ++i)
            prefix = prefix << 8 | (start + i < keys.size() ? keys[start + i] : 0);
        simple.push_back({prefix, quint32(start), quint32(keys.size() - start), pos});
    }

    const int sign = descending ? -1 : 1;
    // Ranks are never 0, so the zero padding of the prefix already orders a text before its extensions.
    auto compareKeys = [&](const TItem& x, const TItem& y) {
        if (x.Prefix != y.Prefix) return x.Prefix < y.Prefix ? -1 : 1;
        const quint32 common = std::min(x.KeyLength, y.KeyLength);
        if (common > 8) {
            if (int c = std::memcmp(&keys[x.KeyOffset + 8], &keys[y.KeyOffset + 8], common - 8)) return c;
        }
        return x.KeyLength == y.KeyLength ? 0 : x.KeyLength < y.KeyLength ? -1 : 1;
    };
    std::stable_sort(simple.begin(), simple.end(),
                     [&](const TItem& x, const TItem& y) { return sign * compareKeys(x, y) < 0; });
    // Texts with equal keys differ at most in letter case or accents: the collator orders each such
    // run, unless all its texts are the same bytes (then the run already keeps its order).
    for (auto run = simple.begin(); run != simple.end();) {
        auto end = run + 1;
        const QByteArrayView first = text(rows[run->Pos]);
        bool same = true;
        for (; end != simple.end() && compareKeys(*run, *end) == 0; ++end)
            same = same && text(rows[end->Pos]) == first;
        if (!same) {
            std::stable_sort(run, end, [&](const TItem& x, const TItem& y) {
                return sign * CompareExact(text(rows[x.Pos]), text(rows[y.Pos])) < 0;
            });
        }
        run = end;
    }

    std::vector<quint32> sorted;
    sorted.reserve(rows.size());
    if (other.empty()) {
        for (const TItem& item : simple)
            sorted.push_back(rows[item.Pos]);
    } else {
        std::vector<QString> otherText;
        std::vector<QCollatorSortKey> otherKey;
        for (quint32 pos : other) {
            otherText.push_back(Cp1251::Decode(text(rows[pos])));
            otherKey.push_back(m_collator.sortKey(otherText.back()));
        }
        std::vector<quint32> order(other.size());
        for (quint32 i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](quint32 x, quint32 y) { return sign * otherKey[x].compare(otherKey[y]) < 0; });

        // Each of the few other texts finds its place among the simple ones by binary search; equal
        // texts keep the order they had.
        auto goesBefore = [&](const TItem& item, quint32 o) {
            const int c = sign * m_collator.compare(Cp1251::Decode(text(rows[item.Pos])), otherText[o]);
            return c < 0 || (c == 0 && item.Pos < other[o]);
        };
        auto next = simple.begin();
        for (quint32 o : order) {
            const auto place = std::partition_point(next, simple.end(),
                                                    [&](const TItem& item) { return goesBefore(item, o); });
            for (; next != place; ++next)
                sorted.push_back(rows[next->Pos]);
            sorted.push_back(rows[other[o]]);
        }
        for (; next != simple.end(); ++next)
            sorted.push_back(rows[next->Pos]);
    }
    rows = std::move(sorted);
}
