#include "CalcEdit.h"

#include "NumberText.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolButton>

#include <cmath>

using namespace Qt::StringLiterals;

TCalcEdit::TCalcEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(new QRegularExpressionValidator(QRegularExpression(u"-?[0-9]*([.,][0-9]*)?"_s), this));
    QAction* drop = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    drop->setToolTip(u"Калькулятор (F2)"_s);
    connect(drop, &QAction::triggered, this, &TCalcEdit::ShowCalculator);
    SetValue(0);
}

double TCalcEdit::Value() const {
    if (text() == m_setText) return m_setValue;
    // Either separator is taken, whatever the locale says.
    QString normal = text().trimmed();
    normal.replace(u'.', QLocale().decimalPoint()).replace(u',', QLocale().decimalPoint());
    double value = 0;
    return StrToFloat(normal, value) ? value : 0;
}

void TCalcEdit::SetValue(double value) {
    m_setValue = value;
    m_setText = FloatToStr(value);
    setText(m_setText);
}

void TCalcEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && !isReadOnly()) {
        ShowCalculator();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCalcEdit::focusOutEvent(QFocusEvent* event) {
    // An emptied field shows 0 again once the user leaves it.
    if (text().trimmed().isEmpty()) SetValue(0);
    QLineEdit::focusOutEvent(event);
}

void TCalcEdit::ShowCalculator() {
    if (isReadOnly()) return;
    auto* popup = new TCalculatorPopup(Value(), this);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    connect(popup, &TCalculatorPopup::Accepted, this, [this](double v) {
        SetValue(v);
        selectAll();
    });
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
}

TCalculatorPopup::TCalculatorPopup(double start, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_display(start) {
    setObjectName(u"Calculator"_s);
    setFrameShape(QFrame::Box);
    auto* grid = new QGridLayout(this);
    grid->setSpacing(2);
    grid->setContentsMargins(4, 4, 4, 4);
    m_screen = new QLabel(this);
    m_screen->setObjectName(u"CalculatorScreen"_s);
    m_screen->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_screen->setFrameShape(QFrame::Panel);
    m_screen->setFrameShadow(QFrame::Sunken);
    grid->addWidget(m_screen, 0, 0, 1, 4);
    const QString decimal = QLocale().decimalPoint();
    const QStringList keys = {u"7"_s, u"8"_s, u"9"_s, u"/"_s, u"4"_s,  u"5"_s, u"6"_s, u"*"_s, u"1"_s,
                              u"2"_s, u"3"_s, u"-"_s, u"0"_s, decimal, u"="_s, u"+"_s, u"C"_s, u"OK"_s};
    for (int i = 0; i < keys.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setText(keys[i]);
        button->setObjectName(u"CalcKey_"_s + (keys[i] == decimal ? u"Point"_s : keys[i]));
        button->setMinimumSize(30, 24);
        connect(button, &QToolButton::clicked, this, [this, key = keys[i]] { Press(key); });
        const int row = 1 + i / 4, column = i % 4;
        if (keys[i] == u"OK"_s)
            grid->addWidget(button, row, column, 1, 2);
        else
            grid->addWidget(button, row, column);
    }
    Show();
}

void TCalculatorPopup::Press(const QString& key) {
    if (key == u"OK"_s) {
        if (!m_pending.isNull()) Equals();
        Q_EMIT Accepted(m_display);
        close();
    } else if (key == u"C"_s) {
        m_display = m_stored = 0;
        m_pending = QChar();
        m_typing.clear();
    } else if (key == u"="_s) {
        Equals();
    } else if (key.size() == 1 && QStringView(u"+-*/").contains(key[0])) {
        Operation(key[0]);
    } else {
        Digit(key);
    }
    Show();
}

void TCalculatorPopup::Digit(const QString& digit) {
    const bool point = digit == QString(QLocale().decimalPoint()) || digit == u"."_s || digit == u","_s;
    if (point) {
        if (m_typing.contains(u'.')) return;
        m_typing += m_typing.isEmpty() ? u"0."_s : u"."_s;
    } else {
        m_typing += digit;
    }
    m_display = m_typing.toDouble();
}

void TCalculatorPopup::Operation(QChar op) {
    if (!m_pending.isNull() && !m_typing.isEmpty()) Equals();
    m_stored = m_display;
    m_pending = op;
    m_typing.clear();
}

void TCalculatorPopup::Equals() {
    if (m_pending.isNull()) return;
    const double a = m_stored, b = m_display;
    switch (m_pending.unicode()) {
    case u'+':
        m_display = a + b;
        break;
    case u'-':
        m_display = a - b;
        break;
    case u'*':
        m_display = a * b;
        break;
    case u'/':
        m_display = b != 0 ? a / b : 0;
        break;
    }
    m_pending = QChar();
    m_typing.clear();
}

void TCalculatorPopup::Show() {
    m_screen->setText(m_typing.isEmpty() ? FloatToStr(m_display)
                                         : QString(m_typing).replace(u'.', QLocale().decimalPoint()));
}

void TCalculatorPopup::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        Press(u"OK"_s);
    else if (event->key() == Qt::Key_Escape)
        close();
    else if (event->key() == Qt::Key_Delete)
        Press(u"C"_s);
    else if (text.size() == 1 && (text[0].isDigit() || QStringView(u"+-*/=.,").contains(text[0])))
        Press(text);
    else
        QFrame::keyPressEvent(event);
}
