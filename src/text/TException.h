#pragma once

#include <QString>

#include <exception>

// The one exception type of the program: it carries the Russian message the user sees.
class TException : public std::exception {
public:
    explicit TException(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A text read from a file, as a message quotes it: a damaged file can hold a line of megabytes, which
// no message box can show.
inline QString MessageExcerpt(const QString& text, qsizetype maxLength = 64) {
    return text.size() <= maxLength ? text : text.left(maxLength) + QChar(0x2026);
}
