// The running window with a big price list stays responsive: scrolling the price grid, typing a search in
// it and opening and closing dialogs never hold the event loop up for long. The pauses are measured on
// whatever else the machine is doing, so their distribution is printed and only gross stalls fail.
//
// TEVLAR_STALL_ARTICLES sets the size of the price list (one million is the size to check by hand).
#include "app/MainFormUnit.h"
#include "demo/DemoData.h"
#include "framework/DBGrid.h"
#include "framework/MemTable.h"
#include "ModalHelper.h"
#include "price/TableViewUnit.h"
#include "ProgramFixture.h"
#include "shell/FlashForm.h"

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDefaultArticles = 100000;
// Far beyond anything a user would call fluid: what fails here is a fault, not a busy machine.
constexpr double kGrossStallMs = 1000;
constexpr double kFluidMs = 100;
// How long the event loop runs on after each action, so that its painting is measured with it.
constexpr int kSettleMs = 40;
// Actions whose work grows with the list beyond what any machine does in a blink.
const QString kLong = u"long: "_s;

// The longest pause of the event loop during each action: a heartbeat timer notes the gaps between its
// beats, and an action runs from the event loop, as the input it stands for would.
class TStallMeter : public QObject {
public:
    TStallMeter() {
        m_beat.setTimerType(Qt::PreciseTimer);
        m_beat.setInterval(2);
        connect(&m_beat, &QTimer::timeout, this, &TStallMeter::Beat);
        m_clock.start();
        m_beat.start();
    }

    void Measure(const QString& kind, const std::function<void()>& action) {
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            m_last = m_clock.nsecsElapsed();
            m_worst = 0;
            action();
            QTimer::singleShot(kSettleMs, &loop, &QEventLoop::quit);
        });
        loop.exec();
        Beat();
        m_stalls[kind].push_back(m_worst);
    }

    // Per kind of action: how many, median, 90th percentile and the longest pause; and the share over
    // the fluid limit.
    void Print() const {
        for (const auto& [kind, list] : m_stalls) {
            std::vector<double> sorted = list;
            std::sort(sorted.begin(), sorted.end());
            const auto over =
                std::count_if(sorted.begin(), sorted.end(), [](double ms) { return ms > kFluidMs; });
            qInfo("%-28s n=%3zu median=%6.1f ms p90=%6.1f ms max=%6.1f ms over %.0f ms: %td",
                  qPrintable(kind), sorted.size(), sorted[sorted.size() / 2], sorted[sorted.size() * 9 / 10],
                  sorted.back(), kFluidMs, over);
        }
    }

    // Of the actions that should be fluid; the long operations are only reported.
    double Worst() const {
        double worst = 0;
        for (const auto& [kind, list] : m_stalls)
            if (!kind.startsWith(kLong)) worst = std::max(worst, *std::max_element(list.begin(), list.end()));
        return worst;
    }

private:
    void Beat() {
        const qint64 now = m_clock.nsecsElapsed();
        m_worst = std::max(m_worst, double(now - m_last) / 1e6);
        m_last = now;
    }

    QTimer m_beat;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    double m_worst = 0;
    std::map<QString, std::vector<double>> m_stalls;
};

// Counts the times a window is shown.
class TShowCounter : public QObject {
public:
    explicit TShowCounter(QWidget* window) { window->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) ++Count;
        return QObject::eventFilter(watched, event);
    }
};

void TypeText(QWidget* widget, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Opens a dialog through its command and closes it again once it has shown.
void OpenAndClose(QAction* command, const QString& dialogName) {
    const auto outcome = OnNextModal([dialogName](QWidget* modal) {
        QCOMPARE(modal->objectName(), dialogName);
        QTimer::singleShot(20, modal, [modal] { qobject_cast<QDialog*>(modal)->reject(); });
    });
    QVERIFY(command->isEnabled());
    command->trigger();
    QVERIFY(outcome->Ok());
}

} // namespace

class TestStall : public QObject, TProgramFixture {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(m_home.isValid());
        m_articles = qEnvironmentVariableIntValue("TEVLAR_STALL_ARTICLES");
        if (m_articles <= 0) m_articles = kDefaultArticles;
        Demo::WritePriceList(m_home.filePath(u"data.iop"_s), Demo::MakeArticles({.Articles = m_articles}));
        UseProgramFolder(m_home.path());
    }

    void responsiveWindow() {
        StartAndShowProgram();
        TDBGrid* grid = m_main->Price_Data->TableViewGrid;
        TMemTable& table = *m_main->Price_Data->Table;
        QCOMPARE(table.RecordCount(), m_articles);
        grid->setFocus();
        TStallMeter meter;

        // Scrolling: a page at a time, to either end, and the scroll bar's thumb dragged anywhere.
        for (int i = 0; i < 20; ++i)
            meter.Measure(u"scroll: page down"_s, [grid] { QTest::keyClick(grid, Qt::Key_PageDown); });
        QVERIFY(table.RecNo() > 0);
        meter.Measure(u"scroll: to the end"_s,
                      [grid] { QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier); });
        meter.Measure(u"scroll: to the top"_s,
                      [grid] { QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier); });
        QScrollBar* bar = grid->verticalScrollBar();
        for (int i = 1; i <= 20; ++i)
            meter.Measure(u"scroll: the thumb dragged"_s,
                          [bar, i] { bar->setValue(int(qint64(bar->maximum()) * (i * 7 % 20) / 20)); });
        for (int i = 0; i < 10; ++i)
            meter.Measure(u"scroll: the wheel"_s, [grid] {
                QWheelEvent wheel(QPointF(50, 50), grid->viewport()->mapToGlobal(QPointF(50, 50)), {},
                                  QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(grid->viewport(), &wheel);
            });

        // A search typed in the grid: found letter by letter, then a letter no name goes on with, which
        // scans every record and is refused.
        grid->SetSelectedIndex(1); // the name column
        for (const QString& word : {u"Фильтр"_s, u"Свеча"_s, u"Ремень"_s}) {
            grid->SetSelectedIndex(2); // entering a column starts a new search
            grid->SetSelectedIndex(1);
            for (QChar c : word)
                meter.Measure(u"search: a letter found"_s, [grid, c] { TypeText(grid, QString(c)); });
            QVERIFY2(m_main->Price_Data->SearchText.size() == word.size(), qPrintable(word));
            meter.Measure(u"search: a letter not found"_s, [grid] { TypeText(grid, u"Ъ"_s); });
            meter.Measure(u"search: backspace"_s, [grid] { QTest::keyClick(grid, Qt::Key_Backspace); });
        }

        // Sorting by a column title reorders the whole list, which takes longer than a blink: the wait
        // window says so rather than a window that froze. Its pause is reported, not limited.
        const TShowCounter waits(Flash);
        meter.Measure(kLong + u"sort by a column title"_s,
                      [this] { m_main->Price_Data->TableViewGridTitleBtnClick(1); });
        QCOMPARE(waits.Count, 1);
        meter.Measure(kLong + u"sort undone"_s, [this] {
            m_main->Price_Data->TableViewGridTitleBtnClick(1);
            m_main->Price_Data->TableViewGridTitleBtnClick(1);
        });
        QCOMPARE(waits.Count, 2); // descending reorders again; unsorted keeps the order as it stands
        QVERIFY(!Waiting());
        QVERIFY(m_main->isEnabled());

        // Dialogs opened and closed from the running window.
        for (int i = 0; i < 3; ++i) {
            meter.Measure(u"dialog: filter"_s,
                          [this] { OpenAndClose(m_main->PriceFilter, u"FilterForm"_s); });
            meter.Measure(u"dialog: settings"_s, [this] { OpenAndClose(m_main->Setting, u"SettingForm"_s); });
        }

        qInfo("%d articles; the longest pause of the event loop for each kind of action:", m_articles);
        meter.Print();
        QVERIFY2(meter.Worst() < kGrossStallMs, qPrintable(u"a pause of %1 ms"_s.arg(meter.Worst())));
        StopProgram();
    }

private:
    QTemporaryDir m_home;
    int m_articles = 0;
};

QTEST_MAIN(TestStall)
#include "tst_stall.moc"
