#pragma once

#include <QFrame>
#include <QLineEdit>

class QLabel;

// A number field: shows its value in the user's locale (0 as "0", never empty), accepts digits, one
// decimal separator and a sign, and opens a small calculator under itself with F2 or its button.
class TCalcEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TCalcEdit(QWidget* parent = nullptr);

    double Value() const; // 0 while the text is no number
    void SetValue(double value);

    void ShowCalculator();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The value last set and the text it showed: a computed value is kept exactly, not as its 15 digits,
    // until the user changes the text.
    double m_setValue = 0;
    QString m_setText;
};

// The drop-down calculator: digits, the four operations, equals, clear; OK (or Enter) hands the
// result back to its field.
class TCalculatorPopup : public QFrame {
    Q_OBJECT

public:
    TCalculatorPopup(double start, QWidget* parent);
    double Result() const { return m_display; }

Q_SIGNALS:
    void Accepted(double value);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Press(const QString& key);
    void Digit(const QString& digit);
    void Operation(QChar op);
    void Equals();
    void Show();

    QLabel* m_screen;
    double m_display = 0;
    double m_stored = 0;
    QChar m_pending;
    QString m_typing; // digits being typed, empty when the display shows a result
};
