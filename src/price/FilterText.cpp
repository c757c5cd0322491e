#include "FilterText.h"

#include "text/Cp1251.h"

QStringList SplitWords(QStringView text, QChar separator) {
    QStringList words;
    for (QStringView word : text.tokenize(separator, Qt::SkipEmptyParts))
        words.append(word.toString());
    return words;
}

QList<TFilterTerm> ParseFilterText(QStringView text) {
    QList<TFilterTerm> terms;
    for (const QString& term : SplitWords(text, u'|')) {
        const QStringList words = SplitWords(term, u'=');
        terms.append({words.value(0), words.value(1)});
    }
    return terms;
}

TWildcard::TWildcard(QStringView pattern, bool ignoreCase)
    : m_pattern(Cp1251::Encode(pattern)), m_encodable(Cp1251::CanEncode(pattern)),
      m_fold(ignoreCase ? Cp1251::Case.Upper : Cp1251::Case.Same) {
    QByteArray collapsed;
    for (char c : m_pattern)
        if (c != '*' || !collapsed.endsWith('*')) collapsed.append(char(m_fold[uchar(c)]));
    m_any = collapsed == "*";
    m_anchoredStart = !collapsed.startsWith('*');
    m_anchoredEnd = !collapsed.endsWith('*');
    for (const QByteArray& piece : collapsed.split('*'))
        if (!piece.isEmpty()) m_pieces.push_back(piece);
}

bool TWildcard::MatchesAt(const QByteArray& piece, QByteArrayView value, qsizetype at) const {
    const uchar* v = reinterpret_cast<const uchar*>(value.data()) + at;
    for (qsizetype i = 0; i < piece.size(); ++i)
        if (piece[i] != '?' && m_fold[v[i]] != uchar(piece[i])) return false;
    return true;
}

// The leftmost place of the piece in value[from, end), or -1.
qsizetype TWildcard::Find(const QByteArray& piece, QByteArrayView value, qsizetype from,
                          qsizetype end) const {
    const qsizetype last = end - piece.size();
    const uchar* v = reinterpret_cast<const uchar*>(value.data());
    const uchar first = uchar(piece[0]);
    for (qsizetype at = from; at <= last; ++at) {
        if (first != '?' && m_fold[v[at]] != first) continue;
        if (MatchesAt(piece, value, at)) return at;
    }
    return -1;
}

bool TWildcard::Matches(QByteArrayView value) const {
    if (m_encodable && value == m_pattern) return true;
    if (m_any) return true;
    // A character without a Windows-1251 byte matches no stored character.
    if (!m_encodable || value.isEmpty() || m_pieces.empty()) return false;
    if (m_anchoredStart && m_anchoredEnd && m_pieces.size() == 1)
        return value.size() == m_pieces[0].size() && MatchesAt(m_pieces[0], value, 0);

    // Between the anchored ends, each piece taken at its leftmost place leaves the most room for the rest.
    size_t first = 0, last = m_pieces.size();
    qsizetype from = 0, end = value.size();
    if (m_anchoredStart) {
        const QByteArray& piece = m_pieces[first++];
        if (piece.size() > end || !MatchesAt(piece, value, 0)) return false;
        from = piece.size();
    }
    if (m_anchoredEnd) {
        const QByteArray& piece = m_pieces[--last];
        end -= piece.size();
        if (end < from || !MatchesAt(piece, value, end)) return false;
    }
    for (size_t i = first; i < last; ++i) {
        const qsizetype at = Find(m_pieces[i], value, from, end);
        if (at < 0) return false;
        from = at + m_pieces[i].size();
    }
    return true;
}
