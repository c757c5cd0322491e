#include "framework/FileDialog.h"
#include "ModalHelper.h"
#include "shell/SysUnit.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
QString ButtonText(QWidget* box, const QString& name) {
    auto* button = box->findChild<QPushButton*>(name);
    return button ? button->text().remove(u'&') : u"<none>"_s;
}
} // namespace

class TstDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(LoadQtTranslation()); }
    void init() {
        TMessageBox::Reset();
        TFileDialog::Reset();
    }

    void queuedAnswersAndShownTexts() {
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        TMessageBox::SetNextAnswer(TMessageBox::Cancel);
        TMessageBox::SetNextAnswer(TMessageBox::No);
        ShowError(u"Файл не найден"_s);
        QVERIFY(!ShowConfirmation(u"Продолжить?"_s));
        QCOMPARE(ShowYesNoCancel(u"Сохранить?\rДа"_s), TMessageBox::No);
        QCOMPARE(TMessageBox::ShownTexts(), (QStringList{u"Ошибка!\rТекст ошибки: Файл не найден"_s,
                                                         u"Продолжить?"_s, u"Сохранить?\rДа"_s}));
    }

    void answerTheBoxDoesNotOfferIsRefused() {
        TMessageBox::SetNextAnswer(TMessageBox::Yes);
        QTest::ignoreMessage(QtWarningMsg, "TMessageBox: the queued answer is not a button of this box");
        QVERIFY(!ShowConfirmation(u"Продолжить?"_s));
    }

    void realBoxWithRussianButtonsAndNamedButtons() {
        QString title, text, yes, no, cancel;
        auto outcome = OnNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            yes = ButtonText(box, u"ButtonYes"_s);
            no = ButtonText(box, u"ButtonNo"_s);
            cancel = ButtonText(box, u"ButtonCancel"_s);
            QCOMPARE(box->defaultButton()->objectName(), u"ButtonYes"_s);
            box->findChild<QPushButton*>(u"ButtonNo"_s)->click();
        });
        QCOMPARE(ShowYesNoCancel(u"Заказ изменен.\rСохранить?"_s), TMessageBox::No);
        QVERIFY(outcome->Ok());
        QCOMPARE(title, u"Тевлар"_s);
        QCOMPARE(text, u"Заказ изменен.\nСохранить?"_s); // "\r" starts a new line on screen
        QCOMPARE(yes, u"Да"_s);
        QCOMPARE(no, u"Нет"_s);
        QCOMPARE(cancel, u"Отмена"_s);
    }

    void closingARealBoxIsItsEscapeButton() {
        auto outcome = OnNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(ShowYesNoCancel(u"Сохранить?"_s), TMessageBox::Cancel);
        QVERIFY(outcome->Ok());

        QString text;
        outcome = OnNextModal([&](QWidget* w) {
            text = qobject_cast<QMessageBox*>(w)->text();
            QCOMPARE(ButtonText(w, u"ButtonOk"_s), u"OK"_s);
            QCOMPARE(qobject_cast<QMessageBox*>(w)->icon(), QMessageBox::Critical);
            QTest::keyClick(w, Qt::Key_Escape);
        });
        ShowError(u"сбой"_s);
        QVERIFY(outcome->Ok());
        QCOMPARE(text, u"Ошибка!\nТекст ошибки: сбой"_s);
    }

    void filterTextBecomesQtNameFilters() {
        QCOMPARE(TFileDialog::NameFilters(u"Файлы Excel|*.xls|Все файлы|*.*"_s),
                 (QStringList{u"Файлы Excel (*.xls)"_s, u"Все файлы (*)"_s}));
        QCOMPARE(TFileDialog::NameFilters(u"Заказы|*.zkz;*.txt"_s), QStringList{u"Заказы (*.zkz *.txt)"_s});
        QCOMPARE(TFileDialog::NameFilters(QString()), QStringList());
    }

    void queuedFileAnswers() {
        TSaveDialog dialog;
        dialog.DefaultExt = u"zkz"_s;
        dialog.Filter = u"Заказы|*.zkz"_s;
        dialog.Title = u"Сохранение заказа"_s;
        dialog.FileName = u"Заказ 1"_s;
        TFileDialog::SetNextFileName(u"/tmp/order"_s);
        TFileDialog::SetNextFileName(u"/tmp/order.txt"_s);
        TFileDialog::SetNextCancel();
        QVERIFY(dialog.Execute());
        QCOMPARE(dialog.FileName, u"/tmp/order.zkz"_s);
        QVERIFY(dialog.Execute());
        QCOMPARE(dialog.FileName, u"/tmp/order.txt"_s);
        QVERIFY(!dialog.Execute());
        QCOMPARE(dialog.FileName, u"/tmp/order.txt"_s);
        const auto shown = TFileDialog::Shown();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0].Title, u"Сохранение заказа"_s);
        QCOMPARE(shown[0].Filter, u"Заказы|*.zkz"_s);
        QCOMPARE(shown[0].FileName, u"Заказ 1"_s);
    }

    void realSaveDialog() {
        QTemporaryDir dir;
        TSaveDialog dialog;
        dialog.DefaultExt = u"xls"_s;
        dialog.Filter = u"Файлы Excel|*.xls|Все файлы|*.*"_s;
        dialog.FilterIndex = 2;
        dialog.Title = u"Экспорт"_s;
        dialog.Options = TFileDialog::OverwritePrompt | TFileDialog::EnableSizing;
        // The dialog opens in the proposed file's folder, wherever the test runs from.
        dialog.FileName = dir.filePath(u"старый.xls"_s);
        QString name, title, filter, folder;
        auto outcome = OnNextModal([&](QWidget* w) {
            auto* fileDialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(fileDialog);
            name = fileDialog->objectName();
            title = fileDialog->windowTitle();
            filter = fileDialog->selectedNameFilter();
            folder = fileDialog->directory().absolutePath();
            fileDialog->selectNameFilter(fileDialog->nameFilters().first());
            fileDialog->selectFile(u"прайс"_s);
            static_cast<QDialog*>(fileDialog)->accept(); // QFileDialog::accept, as the Save button
        });
        QVERIFY(dialog.Execute());
        QVERIFY(outcome->Ok());
        QCOMPARE(name, u"SaveDialog"_s);
        QCOMPARE(title, u"Экспорт"_s);
        QCOMPARE(filter, u"Все файлы (*)"_s);
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QCOMPARE(dialog.FileName, dir.filePath(u"прайс.xls"_s));
        QCOMPARE(dialog.FilterIndex, 1);
    }

    void saveDialogNeedsAnExistingFolder() {
        QTemporaryDir dir;
        TSaveDialog dialog;
        dialog.Prepare(u"zkz"_s, dir.filePath(u"Заказ.zkz"_s), u"Заказы|*.zkz"_s, u"Сохранить заказ"_s);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        bool stayedOpen = false;
        auto outcome = OnNextModal([&](QWidget* w) {
            auto* fileDialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(fileDialog);
            fileDialog->selectFile(dir.filePath(u"нет такой/Заказ.zkz"_s));
            static_cast<QDialog*>(fileDialog)->accept();
            stayedOpen = fileDialog->isVisible();
            fileDialog->selectFile(dir.filePath(u"Заказ.zkz"_s));
            static_cast<QDialog*>(fileDialog)->accept();
        });
        QVERIFY(dialog.Execute());
        QVERIFY(outcome->Ok());
        QVERIFY(stayedOpen);
        QCOMPARE(TMessageBox::ShownTexts(), QStringList{u"Папка \"%1\" не существует.\nПроверьте путь."_s.arg(
                                                dir.filePath(u"нет такой"_s))});
        QCOMPARE(dialog.FileName, dir.filePath(u"Заказ.zkz"_s));
    }
};

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
