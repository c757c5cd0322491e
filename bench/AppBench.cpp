#include "BenchSuite.h"

#include "app/MainFormUnit.h"
#include "app/SelectFormUnit.h"
#include "shell/FlashForm.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

void AddAppRows(BenchSuite& suite, const BenchData& data) {
    // The real main window on the generated program folder, with everything bound to its price table.
    struct TWindow {
        std::unique_ptr<TSelectForm> Select;
        std::unique_ptr<TFlash> Flash;
        std::unique_ptr<TMainForm> Main;
    };
    auto window = std::make_shared<TWindow>();
    suite.Add({.Name = u"app.load"_s,
               .N = data.Articles,
               .Prepare =
                   [window, folder = data.Folder] {
                       if (window->Main) return;
                       qputenv("TEVLAR_HOME", QFile::encodeName(folder));
                       window->Select = std::make_unique<TSelectForm>();
                       window->Flash = std::make_unique<TFlash>();
                       window->Main = std::make_unique<TMainForm>(*window->Select);
                       window->Main->show();
                       QCoreApplication::processEvents();
                   },
               // The price list read again through the window, as an update does, and the grid painted.
               .Run =
                   [window] {
                       if (!window->Main->LoadPriceList()) std::abort();
                       QCoreApplication::processEvents();
                   },
               .Floor = [path = data.PriceFile] { BenchData::ReadAndDecode(path); },
               .MemoryBase = data.PriceFileSize,
               .Runs = 5,
               .PeakInProcess = true});
}
