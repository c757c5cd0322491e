#pragma once

#include <QDateEdit>

// A date field that Tab leaves in one stop, as every other field of a dialog; the arrow keys still move
// between day, month and year.
class TDateEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    // Skips QDateTimeEdit's own, which walks the sections.
    bool focusNextPrevChild(bool next) override {
        return QWidget::focusNextPrevChild(next); // NOLINT(bugprone-parent-virtual-call)
    }
};
