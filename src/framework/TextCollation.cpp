#include "TextCollation.h"

#include "text/Cp1251.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

// What one Windows-1251 byte puts into a key: the ranks of its primary collation weights in order
// (none for a byte the primary level ignores), or kJudge when only the collator can place it.
struct TTextCollation::TByteKey {
    static constexpr quint8 kJudge = 0xFF;
    quint8 Size = kJudge;
    uchar Rank[3] = {};
};

namespace {

using TByteKey = TTextCollation::TByteKey;

struct TCollationData {
    explicit TCollationData(const QLocale& locale) : Collator(locale) {
        Collator.setCaseSensitivity(Qt::CaseSensitive);
        LearnKeys();
    }

    QCollator Collator;
    TByteKey Key[256];

private:
    int Compare(QStringView a, QStringView b) const { return Collator.compare(a, b); }

    // Two letters with neighbouring primary weights, in two scripts: no weight lies between both pairs.
    static constexpr char16_t kProbes[2][2] = {{u'а', u'б'}, {u'a', u'b'}};

    // Judged by what a text does in front of two letters that differ at the primary level.
    bool IgnorableAtPrimary(const QString& c) const {
        for (const auto& p : kProbes) {
            const QString lo{QChar(p[0])}, hi{QChar(p[1])};
            if (!(Compare(c + lo, hi) < 0 && Compare(c + hi, lo) > 0)) return false;
        }
        return true;
    }
    // Equal primary weights: whichever of the two goes first, the letter after it decides.
    bool SamePrimary(const QString& a, const QString& b) const {
        for (const auto& p : kProbes) {
            const QChar lo(p[0]), hi(p[1]);
            if (!(Compare(a + lo, b + hi) < 0 && Compare(b + lo, a + hi) < 0)) return false;
        }
        return true;
    }

    // The characters whose weights a character borrows (№ those of "No", … those of "...", Ё those of
    // Е), without the marks the primary level ignores; empty when it borrows none or no byte has them.
    QByteArray Expansion(const QString& c) const {
        const QString parts = c.normalized(QString::NormalizationForm_KD);
        if (parts == c) return {};
        QByteArray bytes;
        for (QChar part : parts) {
            if (IgnorableAtPrimary(QString(part))) continue;
            const int b = Cp1251::FromUnicode(part.unicode());
            if (b <= 0) return {};
            bytes.append(char(b));
        }
        return bytes == Cp1251::Encode(c) ? QByteArray() : bytes;
    }

    void LearnKeys() {
        std::vector<uchar> atoms;
        std::vector<std::pair<uchar, QByteArray>> expansions;
        for (int b = 1; b < 256; ++b) {
            const QString c = Text(uchar(b));
            if (IgnorableAtPrimary(c))
                Key[b].Size = 0;
            else if (QByteArray parts = Expansion(c);
                     !parts.isEmpty() && SamePrimary(c, Cp1251::Decode(parts)))
                expansions.emplace_back(uchar(b), std::move(parts));
            else // Й is a letter of its own, not И with a breve
                atoms.push_back(uchar(b));
        }
        // Each remaining byte carries one primary weight: their order and which of them share one (а and
        // А) are learned from the collator.
        std::stable_sort(atoms.begin(), atoms.end(),
                         [this](uchar x, uchar y) { return Compare(Text(x), Text(y)) < 0; });
        int rank = 0;
        for (size_t i = 0; i < atoms.size(); ++i) {
            if (i == 0 || !SamePrimary(Text(atoms[i - 1]), Text(atoms[i]))) ++rank;
            if (rank >= TByteKey::kJudge) break; // more weights than a byte holds: the rest are judged
            Key[atoms[i]] = {1, {uchar(rank)}};
        }
        for (const auto& [b, parts] : expansions) {
            TByteKey key{0, {}};
            for (char part : parts) {
                const TByteKey& k = Key[uchar(part)];
                if (k.Size != 1 || key.Size == std::size(key.Rank)) {
                    key.Size = TByteKey::kJudge;
                    break;
                }
                key.Rank[key.Size++] = k.Rank[0];
            }
            Key[b] = key;
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
    : m_collator(DataFor(locale).Collator), m_keys(DataFor(locale).Key) {}

int TTextCollation::CompareExact(QByteArrayView a, QByteArrayView b) const {
    if (a == b) return 0;
    return m_collator.compare(Cp1251::Decode(a), Cp1251::Decode(b));
}

bool TTextCollation::MakeKey(QByteArrayView text, std::vector<uchar>& keys) const {
    const size_t start = keys.size();
    keys.resize(start + size_t(text.size()) * std::size(TByteKey{}.Rank));
    uchar* out = keys.data() + start;
    for (char c : text) {
        const TByteKey& key = m_keys[uchar(c)];
        if (key.Size == TByteKey::kJudge) {
            keys.resize(start);
            return false;
        }
        *out = key.Rank[0]; // one weight is the common case: the others are copied only when there
        for (int i = 1; i < key.Size; ++i)
            out[i] = key.Rank[i];
        out += key.Size;
    }
    keys.resize(size_t(out - keys.data()));
    return true;
}

int TTextCollation::Compare(QByteArrayView a, QByteArrayView b) const {
    std::vector<uchar> ka, kb;
    if (MakeKey(a, ka) && MakeKey(b, kb) && ka != kb)
        return std::lexicographical_compare(ka.begin(), ka.end(), kb.begin(), kb.end()) ? -1 : 1;
    return CompareExact(a, b);
}

void TTextCollation::SortEqualKeys(TItem* begin, TItem* end,
                                   const std::function<QByteArrayView(quint32)>& text,
                                   const std::vector<quint32>& rows, int sign) const {
    const QByteArrayView first = text(rows[begin->Pos]);
    if (std::all_of(begin + 1, end, [&](const TItem& item) { return text(rows[item.Pos]) == first; }))
        return; // the same bytes: the run keeps its order
    // The distinct texts of the run are few: each is decoded and placed by the collator once.
    std::vector<QByteArrayView> distinct;
    for (auto it = begin; it != end; ++it)
        distinct.push_back(text(rows[it->Pos]));
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<QString> decoded;
    for (QByteArrayView d : distinct)
        decoded.push_back(Cp1251::Decode(d));
    std::vector<quint32> byCollator(distinct.size());
    for (quint32 i = 0; i < byCollator.size(); ++i)
        byCollator[i] = i;
    std::stable_sort(byCollator.begin(), byCollator.end(),
                     [&](quint32 x, quint32 y) { return m_collator.compare(decoded[x], decoded[y]) < 0; });
    // Texts the collator finds equal share a place, so that they keep the order they had.
    std::vector<int> place(distinct.size());
    for (size_t i = 0; i < byCollator.size(); ++i)
        place[byCollator[i]] =
            i > 0 && m_collator.compare(decoded[byCollator[i - 1]], decoded[byCollator[i]]) == 0
                ? place[byCollator[i - 1]]
                : int(i);
    const auto placeOf = [&](const TItem& item) {
        const QByteArrayView t = text(rows[item.Pos]);
        return sign * place[size_t(std::lower_bound(distinct.begin(), distinct.end(), t) - distinct.begin())];
    };
    std::vector<std::pair<int, TItem>> keyed;
    for (auto it = begin; it != end; ++it)
        keyed.emplace_back(placeOf(*it), *it);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    for (auto& [p, item] : keyed)
        *begin++ = item;
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
    // Texts with equal keys differ at most in letter case, accents or ignorable characters: the collator
    // orders each such run.
    for (auto run = simple.begin(); run != simple.end();) {
        auto end = run + 1;
        while (end != simple.end() && compareKeys(*run, *end) == 0)
            ++end;
        if (end - run > 1) SortEqualKeys(&*run, &*run + (end - run), text, rows, sign);
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
