#include "BenchSuite.h"

#include "app/MainFormUnit.h"
#include "app/Program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

void AddAppRows(BenchSuite& suite, const BenchData& data) {
    // The program as a user starts it on the generated program folder, with everything bound to its
    // price table.
    auto program = std::make_shared<std::unique_ptr<TProgram>>();
    suite.Add({.Name = u"app.load"_s,
               .N = data.Articles,
               .Prepare =
                   [program, folder = data.Folder] {
                       if (*program) return;
                       qputenv("TEVLAR_HOME", QFile::encodeName(folder));
                       qputenv("XDG_DATA_HOME", QFile::encodeName(QDir(folder).filePath(u"xdg"_s)));
                       *program = std::make_unique<TProgram>(QStringList{u"tevlar"_s});
                       (*program)->MainForm().show();
                       QCoreApplication::processEvents();
                   },
               // The price list read again through the window, as an update does, and the grid painted.
               .Run =
                   [program] {
                       if (!(*program)->MainForm().LoadPriceList()) std::abort();
                       QCoreApplication::processEvents();
                   },
               .Floor = [path = data.PriceFile] { BenchData::ReadAndDecode(path); },
               .MemoryBase = data.PriceFileSize,
               .Runs = 5,
               .PeakInProcess = true});
}
