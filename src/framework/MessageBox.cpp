#include "MessageBox.h"

#include "DisplayText.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

struct TestSeam {
    QList<TMessageBox::Button> Answers;
    QStringList Texts;
};

TestSeam& Seam() {
    static TestSeam seam;
    return seam;
}

struct ButtonInfo {
    TMessageBox::Button Button;
    QMessageBox::StandardButton Standard;
    QString ObjectName;
};

const ButtonInfo kButtons[] = {
    {TMessageBox::Yes, QMessageBox::Yes, u"ButtonYes"_s},
    {TMessageBox::No, QMessageBox::No, u"ButtonNo"_s},
    {TMessageBox::Ok, QMessageBox::Ok, u"ButtonOk"_s},
    {TMessageBox::Cancel, QMessageBox::Cancel, u"ButtonCancel"_s},
};

// What closing the box without a button means.
TMessageBox::Button EscapeButton(TMessageBox::Buttons buttons) {
    for (TMessageBox::Button b : {TMessageBox::Cancel, TMessageBox::No, TMessageBox::Ok})
        if (buttons & b) return b;
    return TMessageBox::NoButton;
}

QMessageBox::Icon QtIcon(TMessageBox::Icon icon) {
    switch (icon) {
    case TMessageBox::Error:
        return QMessageBox::Critical;
    case TMessageBox::Information:
        return QMessageBox::Information;
    case TMessageBox::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TMessageBox::Button TMessageBox::Show(Icon icon, const QString& title, const QString& text, Buttons buttons,
                                      Button defaultButton) {
    Seam().Texts.append(text);
    const Button escape = EscapeButton(buttons);
    if (!Seam().Answers.isEmpty()) {
        const Button answer = Seam().Answers.takeFirst();
        if (buttons & answer) return answer;
        qWarning("TMessageBox: the queued answer is not a button of this box");
        return escape;
    }

    QMessageBox box(QtIcon(icon), title, LinesForDisplay(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setObjectName(u"MessageBox"_s);
    for (const ButtonInfo& info : kButtons) {
        if (!(buttons & info.Button)) continue;
        QPushButton* button = box.addButton(info.Standard);
        button->setObjectName(info.ObjectName);
        if (info.Button == defaultButton) box.setDefaultButton(button);
        if (info.Button == escape) box.setEscapeButton(button);
    }
    box.exec();
    for (const ButtonInfo& info : kButtons)
        if (box.clickedButton() && box.standardButton(box.clickedButton()) == info.Standard)
            return info.Button;
    return escape;
}

void TMessageBox::SetNextAnswer(Button answer) {
    Seam().Answers.append(answer);
}

QStringList TMessageBox::ShownTexts() {
    return Seam().Texts;
}

void TMessageBox::Reset() {
    Seam().Answers.clear();
    Seam().Texts.clear();
}
