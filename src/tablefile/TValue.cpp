#include "TValue.h"

#include "text/Cp1251.h"

#include <cstring>

TValue::TValue(const QString& text) : m_kind(Kind::Text), m_unicode(text), m_isUnicode(true) {}

TValue TValue::FromBytes(QByteArray windows1251) {
    TValue v;
    v.m_kind = Kind::Text;
    v.m_holder = std::move(windows1251);
    v.m_ptr = v.m_holder.constData();
    v.m_len = v.m_holder.size();
    return v;
}

TValue& TValue::operator=(const QString& text) {
    Reset();
    m_kind = Kind::Text;
    m_unicode = text;
    m_isUnicode = true;
    return *this;
}

void TValue::Reset() {
    m_kind = Kind::Null;
    if (m_isUnicode) {
        m_unicode = QString();
        m_isUnicode = false;
    }
    if (!m_holder.isNull()) m_holder = QByteArray();
    m_borrowed = nullptr;
    m_ptr = nullptr;
    m_len = 0;
}

void TValue::SetBorrowed(const QByteArray& buffer, const char* data, qsizetype size) {
    Reset();
    m_kind = Kind::Text;
    m_borrowed = &buffer;
    m_ptr = data;
    m_len = size;
}

TValue::TValue(const TValue& other)
    : m_kind(other.m_kind), m_int(other.m_int), m_float(other.m_float), m_unicode(other.m_unicode),
      m_holder(other.m_borrowed ? *other.m_borrowed : other.m_holder), m_ptr(other.m_ptr), m_len(other.m_len),
      m_isUnicode(other.m_isUnicode) {}

TValue::TValue(TValue&& other) noexcept
    : m_kind(other.m_kind), m_int(other.m_int), m_float(other.m_float), m_unicode(std::move(other.m_unicode)),
      m_holder(other.m_borrowed ? QByteArray(*other.m_borrowed) : std::move(other.m_holder)),
      m_ptr(other.m_ptr), m_len(other.m_len), m_isUnicode(other.m_isUnicode) {
    other.Reset();
}

TValue& TValue::operator=(TValue&& other) noexcept {
    if (this != &other) {
        m_kind = other.m_kind;
        m_int = other.m_int;
        m_float = other.m_float;
        m_unicode = std::move(other.m_unicode);
        m_holder = other.m_borrowed ? QByteArray(*other.m_borrowed) : std::move(other.m_holder);
        m_borrowed = nullptr;
        m_ptr = other.m_ptr;
        m_len = other.m_len;
        m_isUnicode = other.m_isUnicode;
        other.Reset();
    }
    return *this;
}

TValue& TValue::operator=(const TValue& other) {
    if (this != &other) *this = TValue(other);
    return *this;
}

QByteArrayView TValue::TextBytes() const {
    if (m_kind != Kind::Text) return {};
    if (m_isUnicode && !m_ptr) {
        m_holder = Cp1251::Encode(m_unicode);
        m_ptr = m_holder.constData();
        m_len = m_holder.size();
    }
    return QByteArrayView(m_ptr, m_len);
}

void TValue::AppendFileText(QByteArray& out) const {
    switch (m_kind) {
    case Kind::Null:
        break;
    case Kind::Text:
        if (m_isUnicode && !m_ptr) {
            Cp1251::EncodeAppend(out, m_unicode);
        } else {
            // resize and copy: QByteArray::append costs more than the copy for short lines
            const qsizetype start = out.size();
            out.resize(start + m_len);
            std::memcpy(out.data() + start, m_ptr, size_t(m_len));
        }
        break;
    case Kind::Integer:
        out.append(QByteArray::number(m_int));
        break;
    case Kind::Float:
        FileText::AppendFloat(out, m_float);
        break;
    case Kind::Currency:
        FileText::AppendCurrency(out, {m_int});
        break;
    case Kind::Date:
        FileText::AppendDate(out, {m_float});
        break;
    case Kind::Boolean:
        FileText::AppendBool(out, m_int != 0);
        break;
    }
}

QByteArray TValue::ToFileText() const {
    QByteArray out;
    AppendFileText(out);
    return out;
}

QString TValue::ToString() const {
    if (m_kind == Kind::Text) return m_isUnicode ? m_unicode : Cp1251::Decode(TextBytes());
    return Cp1251::Decode(ToFileText());
}

double TValue::ToFloat() const {
    switch (m_kind) {
    case Kind::Text:
        return FileText::ToFloat(TextBytes());
    case Kind::Integer:
        return double(m_int);
    case Kind::Float:
    case Kind::Date:
        return m_float;
    case Kind::Currency:
        return TCurrency{m_int}.ToDouble();
    case Kind::Boolean:
        return m_int ? 1 : 0;
    case Kind::Null:
        break;
    }
    return 0;
}

TDateTime TValue::ToDate() const {
    switch (m_kind) {
    case Kind::Text:
        return FileText::ToDate(TextBytes());
    case Kind::Date:
        return {m_float};
    case Kind::Null:
    case Kind::Boolean:
        return {};
    default:
        return {ToFloat()};
    }
}
