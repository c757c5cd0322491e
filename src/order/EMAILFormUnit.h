#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class TFormStorage;

// The recipient dialog of the order e-mail: the wholesaler's two order mailboxes, each with a tick
// mark that the stored values keep between runs.
class TEMAILForm : public QDialog {
    Q_OBJECT

public:
    explicit TEMAILForm(TFormStorage& storage, QWidget* parent = nullptr);

    // The ticked entries in list order, joined by "," without a space; empty when none is ticked.
    QString Recipients() const;

    void done(int result) override;

    QListWidget* EMAILListBox;
    QPushButton* Button_Ok;
    QPushButton* ButtonExit;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    QList<bool> CheckMarks() const;

    TFormStorage& m_storage;
};
