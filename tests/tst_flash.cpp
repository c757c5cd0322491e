#include "ModalHelper.h"
#include "shell/FlashForm.h"

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class TstFlash : public QObject {
    Q_OBJECT

    QMainWindow* m_main = nullptr;
    QDialog* m_hiddenDialog = nullptr;
    TFlash* m_flash = nullptr;

    QString Label() const { return m_flash->findChild<QLabel*>(u"FlashLabel"_s)->text(); }
    QWidget* CancelPanel() const { return m_flash->findChild<QFrame*>(u"CancelPanel"_s); }
    bool OthersEnabled(bool enabled) const {
        return m_main->isEnabled() == enabled && m_hiddenDialog->isEnabled() == enabled;
    }
    bool Restored() const {
        return !m_flash->isVisible() && OthersEnabled(true) && m_flash->isEnabled() &&
               !QApplication::overrideCursor();
    }

private Q_SLOTS:
    void init() {
        m_main = new QMainWindow;
        m_main->resize(600, 400);
        m_main->show();
        m_hiddenDialog = new QDialog; // created at start and not shown: disabled all the same
        m_flash = new TFlash;
        QCOMPARE(Flash, m_flash);
    }
    void cleanup() {
        delete m_flash;
        delete m_hiddenDialog;
        delete m_main;
        QVERIFY(!Flash);
    }

    void lookOfTheWindow() {
        QCOMPARE(m_flash->size(), QSize(372, 68));
        QVERIFY(m_flash->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!CancelPanel()->isVisibleTo(m_flash));
        QCOMPARE(m_flash->findChild<QPushButton*>(u"CancelButton"_s)->text(), u"Отмена"_s);
    }

    void twoTextsInARowThenOneHide() {
        ShowWait(u"Открытие прайс-листа\rЖдите..."_s);
        QVERIFY(m_flash->isVisible());
        QCOMPARE(Label(), u"Открытие прайс-листа\nЖдите..."_s);
        QVERIFY(OthersEnabled(false));
        QVERIFY(m_flash->isEnabled());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QCOMPARE(m_flash->windowHandle()->transientParent(), m_main->windowHandle());
        // Centred over the main window.
        QVERIFY(qAbs(m_flash->geometry().center().x() - m_main->frameGeometry().center().x()) <= 1);

        ShowWait(u"Обновление прайс-листа.\rЖдите..."_s);
        QCOMPARE(Label(), u"Обновление прайс-листа.\nЖдите..."_s);
        HideWait();
        QVERIFY(Restored());
        QCOMPARE(Label(), QString());
    }

    void hideWithoutShowIsHarmless() {
        QApplication::setOverrideCursor(Qt::BusyCursor); // someone else's cursor stays
        HideWait();
        QVERIFY(!m_flash->isVisible());
        QVERIFY(OthersEnabled(true));
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        QApplication::restoreOverrideCursor();
    }

    void cancelSetsTheFlagWithoutClosing() {
        EnableCancel();
        ShowWait(u"Загрузка"_s);
        QVERIFY(CancelPanel()->isVisible());
        QVERIFY(!Cancelled());
        QTest::mouseClick(m_flash->findChild<QPushButton*>(u"CancelButton"_s), Qt::LeftButton);
        QVERIFY(Cancelled());
        QVERIFY(m_flash->isVisible());
        ShowWait(u"Закачано 10"_s); // the operation goes on until it looks at the flag
        QVERIFY(Cancelled());
        HideWait();
        QVERIFY(Restored());
        QVERIFY(!Cancelled());
        // The next wait offers no Cancel unless asked again.
        ShowWait(u"Открытие заказа\rЖдите..."_s);
        QVERIFY(!CancelPanel()->isVisible());
        HideWait();
    }

    void closeIsRefused() {
        ShowWait(u"Запись заказа в файл\rЖдите..."_s);
        QVERIFY(!m_flash->close());
        QVERIFY(m_flash->isVisible());
        HideWait();
        QVERIFY(Restored());
    }

    void guardHidesInEveryOutcome() {
        try {
            TWaitGuard wait(u"Запись в файл Excel\rЖдите..."_s);
            QVERIFY(m_flash->isVisible());
            throw std::runtime_error("failed");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(Restored());
    }

    void hideDuringAModalDialogEnablesTheWindowsBehindIt() {
        QDialog dialog(m_main);
        auto outcome = OnNextModal([&](QWidget*) {
            ShowWait(u"Чтение информации о обновлении.\rЖдите..."_s);
            QVERIFY(!dialog.isEnabled());
            // Window managers keep a modal dialog over its parent's other windows: the wait window
            // belongs to the dialog, so that it is seen over it.
            QCOMPARE(m_flash->windowHandle()->transientParent(), dialog.windowHandle());
            HideWait();
            dialog.accept();
        });
        dialog.exec();
        QVERIFY(outcome->Ok());
        QVERIFY(Restored());
        QVERIFY(dialog.isEnabled());
    }
};

QTEST_MAIN(TstFlash)
#include "tst_flash.moc"
