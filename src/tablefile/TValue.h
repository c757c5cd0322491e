#pragma once

#include "text/TextForms.h"

#include <QByteArray>
#include <QString>

#include <type_traits>

// The value of a table file field: nothing (Null), text, integer, floating point, currency, date or
// boolean. Text is kept as Windows-1251 bytes. A value read from a file borrows its line from the
// file's buffer; copying it takes a shared reference to that buffer, so a copy never dangles and
// never copies the text.
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
    TValue(TValue&&) = default;
    TValue& operator=(TValue&&) = default;

    Kind GetKind() const { return m_kind; }
    bool IsNull() const { return m_kind == Kind::Null; }
    // The Windows-1251 text of a text value (empty for other kinds).
    QByteArrayView TextBytes() const { return m_kind == Kind::Text ? QByteArrayView(m_ptr, m_len) : QByteArrayView(); }
    // The line a file stores for this value (see FileText).
    QByteArray ToFileText() const;
    QString ToString() const;
    double ToFloat() const;
    TDateTime ToDate() const;

    // For the file that owns the buffer: a view of its line, valid while the buffer lives unchanged.
    static TValue Borrow(const QByteArray& buffer, const char* data, qsizetype size);

private:
    Kind m_kind = Kind::Null;
    qint64 m_int = 0;
    double m_float = 0;
    QByteArray m_holder;                     // owns or shares the text
    const QByteArray* m_borrowed = nullptr;  // the owning file's buffer, for borrowed text
    const char* m_ptr = nullptr;
    qsizetype m_len = 0;
};
