#include "TValue.h"

#include "text/Cp1251.h"

TValue::TValue(const QString& text) : TValue(FromBytes(Cp1251::Encode(text))) {}

TValue TValue::FromBytes(QByteArray windows1251) {
    TValue v;
    v.m_kind = Kind::Text;
    v.m_holder = std::move(windows1251);
    v.m_ptr = v.m_holder.constData();
    v.m_len = v.m_holder.size();
    return v;
}

TValue TValue::Borrow(const QByteArray& buffer, const char* data, qsizetype size) {
    TValue v;
    v.m_kind = Kind::Text;
    v.m_borrowed = &buffer;
    v.m_ptr = data;
    v.m_len = size;
    return v;
}

TValue::TValue(const TValue& other)
    : m_kind(other.m_kind), m_int(other.m_int), m_float(other.m_float),
      m_holder(other.m_borrowed ? *other.m_borrowed : other.m_holder), m_ptr(other.m_ptr),
      m_len(other.m_len) {}

TValue& TValue::operator=(const TValue& other) {
    if (this != &other) *this = TValue(other);
    return *this;
}

QByteArray TValue::ToFileText() const {
    switch (m_kind) {
    case Kind::Null: return {};
    case Kind::Text: return QByteArray(m_ptr, m_len);
    case Kind::Integer: return QByteArray::number(m_int);
    case Kind::Float: return FileText::FromFloat(m_float);
    case Kind::Currency: return FileText::FromCurrency({m_int});
    case Kind::Date: return FileText::FromDate({m_float});
    case Kind::Boolean: return FileText::FromBool(m_int != 0);
    }
    return {};
}

QString TValue::ToString() const {
    return m_kind == Kind::Text ? Cp1251::Decode(TextBytes()) : Cp1251::Decode(ToFileText());
}

double TValue::ToFloat() const {
    switch (m_kind) {
    case Kind::Text: return FileText::ToFloat(TextBytes());
    case Kind::Integer: return double(m_int);
    case Kind::Float:
    case Kind::Date: return m_float;
    case Kind::Currency: return TCurrency{m_int}.ToDouble();
    case Kind::Boolean: return m_int ? 1 : 0;
    case Kind::Null: break;
    }
    return 0;
}

TDateTime TValue::ToDate() const {
    switch (m_kind) {
    case Kind::Text: return FileText::ToDate(TextBytes());
    case Kind::Date: return {m_float};
    case Kind::Null:
    case Kind::Boolean: return {};
    default: return {ToFloat()};
    }
}
