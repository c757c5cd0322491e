#include "BenchSuite.h"

#include "shell/ProgramFolder.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

// What an installed program does at every start before it loads its price list: compare the date of the
// user's price list with the shipped one's, and leave both as they are.
void AddStartRows(BenchSuite& suite, const BenchData& data) {
    const QString shipped = data.Folder + u"/share/tevlar"_s;
    const QString own = data.Folder + u"/user/tevlar"_s;
    const auto prepare = [=] {
        if (QFile::exists(own + u"/data.iop"_s)) return;
        QDir().mkpath(shipped);
        QDir().mkpath(own);
        QFile::copy(data.PriceFile, shipped + u"/data.iop"_s);
        QFile::copy(data.PriceFile, own + u"/data.iop"_s);
    };
    suite.Add({.Name = u"start.seed"_s,
               .N = data.Articles,
               .Prepare = prepare,
               .Run = [=] { ProgramFolder::Seed(own, shipped); },
               .Floor = [=] { BenchData::ReadAndDecode(data.PriceFile); }});
}
