#pragma once

#include "text/TextForms.h"

#include <QByteArray>
#include <QString>

#include <type_traits>

// The value of a table file field: nothing (Null), text, integer, floating point, currency, date or
// boolean. Text read from a file stays Windows-1251 bytes: it borrows its line from the file's
// buffer, and a copy takes a shared reference to that buffer, so it never dangles and never copies
// the text. Text assigned as a QString is kept as such and encoded only when written.
class TValue {
public:
    enum class Kind { Null, Text, Integer, Float, Currency, Date, Boolean };

    TValue() = default;
    TValue(const QString& text);
    TValue(const char16_t* text) : TValue(QString::fromUtf16(text)) {}
    static TValue FromBytes(QByteArray windows1251);
    TValue(int v) : m_kind(Kind::Integer), m_int(v) {}
    TValue(qint64 v) : m_kind(Kind::Integer), m_int(v) {}
    TValue(double v) : m_kind(Kind::Float), m_float(v) {}
    TValue(TCurrency v) : m_kind(Kind::Currency), m_int(v.Scaled) {}
    TValue(TDateTime v) : m_kind(Kind::Date), m_float(v.Value) {}
    template <typename B, std::enable_if_t<std::is_same_v<B, bool>, int> = 0>
    TValue(B v) : m_kind(Kind::Boolean), m_int(v) {}

    TValue(const TValue& other);
    TValue& operator=(const TValue& other);
    // Moving a borrowed value takes a reference to the buffer too, so the result never dangles.
    TValue(TValue&& other) noexcept;
    TValue& operator=(TValue&& other) noexcept;
    TValue& operator=(const QString& text); // in place: no temporary value

    Kind GetKind() const { return m_kind; }
    bool IsNull() const { return m_kind == Kind::Null; }
    // The Windows-1251 text of a text value (empty for other kinds).
    QByteArrayView TextBytes() const;
    // The line a file stores for this value (see FileText).
    QByteArray ToFileText() const;
    void AppendFileText(QByteArray& out) const;
    QString ToString() const;
    double ToFloat() const;
    TDateTime ToDate() const;

    void Reset(); // back to Null
    // For the file that owns the buffer: a view of its line, valid while the buffer lives unchanged.
    void SetBorrowed(const QByteArray& buffer, const char* data, qsizetype size);

private:
    Kind m_kind = Kind::Null;
    qint64 m_int = 0;
    double m_float = 0;
    QString m_unicode;                      // text assigned as a QString
    mutable QByteArray m_holder;            // owns or shares the bytes of the text
    const QByteArray* m_borrowed = nullptr; // the owning file's buffer, for borrowed text
    mutable const char* m_ptr = nullptr;
    mutable qsizetype m_len = 0;
    bool m_isUnicode = false;
};
