#include "BenchSuite.h"

#include "app/MainFormUnit.h"
#include "app/Program.h"
#include "framework/DBGrid.h"
#include "price/TableViewUnit.h"
#include "shell/Application.h"
#include "update/UpgradeFormUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Runs the event loop until the price grid has painted itself once. Made before what makes the grid
// paint: showing the window may paint it at once.
class TGridPainted : public QObject {
public:
    explicit TGridPainted(TMainForm& main) : m_viewport(main.Price_Data->TableViewGrid->viewport()) {
        m_viewport->installEventFilter(this);
    }
    ~TGridPainted() override { m_viewport->removeEventFilter(this); }

    void Wait() {
        if (m_painted) return;
        QTimer::singleShot(10000, &m_loop, [] { std::abort(); }); // a grid that never paints is a bug
        m_loop.exec();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_viewport && event->type() == QEvent::Paint) {
            m_painted = true;
            m_loop.quit();
        }
        return false;
    }

private:
    QWidget* m_viewport;
    QEventLoop m_loop;
    bool m_painted = false;
};

// The program of the window rows, as a user starts it on a program folder. One at a time: the program's
// windows and stored values are those of one running program.
class TBenchProgram {
public:
    // Started anew: the previous program is gone first, with everything it left for the event loop.
    TMainForm& Start(const QString& folder) {
        Stop();
        qputenv("TEVLAR_HOME", QFile::encodeName(folder));
        qputenv("XDG_DATA_HOME", QFile::encodeName(QDir(folder).filePath(u"xdg"_s)));
        m_program = std::make_unique<TProgram>(QStringList{u"tevlar"_s});
        if (TApplication::Terminated()) std::abort();
        m_folder = folder;
        TMainForm& main = m_program->MainForm();
        TGridPainted painted(main);
        main.show();
        painted.Wait();
        return main;
    }
    // The running program, started when it runs on another folder.
    TProgram& On(const QString& folder) {
        if (!m_program || m_folder != folder) Start(folder);
        return *m_program;
    }
    void Stop() {
        m_program.reset();
        m_folder.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private:
    std::unique_ptr<TProgram> m_program;
    QString m_folder;
};

} // namespace

void AddAppRows(BenchSuite& suite, const BenchData& data) {
    auto program = std::make_shared<TBenchProgram>();
    const auto fileFloor = [path = data.PriceFile] { BenchData::ReadAndDecode(path); };

    // From nothing to the main window shown with the price list, the grid painted.
    suite.Add({.Name = u"app.start"_s,
               .N = data.Articles,
               .Run = [program, folder = data.Folder] { program->Start(folder); },
               .Floor = fileFloor,
               .MemoryBase = data.PriceFileSize,
               .Runs = 5,
               .BeforeRun = [program] { program->Stop(); },
               .PeakInProcess = true});

    // The price list read again through the running window, as an update does, and the grid painted.
    suite.Add({.Name = u"app.load"_s,
               .N = data.Articles,
               .Prepare = [program, folder = data.Folder] { program->On(folder); },
               .Run =
                   [program, folder = data.Folder] {
                       TMainForm& main = program->On(folder).MainForm();
                       TGridPainted painted(main);
                       if (!main.LoadPriceList()) std::abort();
                       painted.Wait();
                   },
               .Floor = fileFloor,
               .MemoryBase = data.PriceFileSize,
               .Runs = 5,
               .PeakInProcess = true});

    // The manual update of the running window from the published archive, past the dialog's questions:
    // unpacked into the Temp folder, applied to data.iop, the list loaded again and the grid painted. The
    // program runs on a folder of its own, whose data.iop each run starts from the generated one again.
    const QDir folder(data.Folder);
    const QString home = folder.filePath(u"app-update"_s);
    const QString priceFile = data.PriceFile;
    const QString dataFile = home + u"/data.iop"_s;
    const TUpdateFloor floor{priceFile, folder.filePath(u"upgrade.upr"_s),
                             folder.filePath(u"floor-app.iop"_s)};
    const auto update = [program, home, archive = folder.filePath(u"upgrade.zip"_s)] {
        TProgram& running = program->On(home);
        TGridPainted painted(running.MainForm());
        const TExtractedUpdate extracted = ExtractUpdate(archive);
        if (!extracted.Extracted) std::abort();
        running.UpgradeForm().UpdateFileName = extracted.FileName;
        running.UpgradeForm().Button_ContinueClick();
        QFile::remove(extracted.FileName);
        painted.Wait();
    };
    suite.Add({.Name = u"app.update"_s,
               .N = data.Articles,
               .Prepare =
                   [=] {
                       QDir().mkpath(home);
                       BenchData::LinkPriceList(priceFile, dataFile);
                       program->On(home);
                       update();
                       floor.Take(dataFile);
                   },
               .Run = update,
               .Floor = [floor] { floor.Run(); },
               .MemoryBase = data.PriceFileSize,
               .Runs = 5,
               .BeforeRun = [=] { BenchData::LinkPriceList(priceFile, dataFile); },
               .PeakInProcess = true});
}
