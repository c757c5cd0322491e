#pragma once

#include <QValidator>

// Refuses, as the user types or pastes, any character that Windows-1251 cannot hold, so that what
// is typed is what the files keep.
class TCp1251Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
