#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Realistic, deterministic demo data: a wholesaler's price list and an update package against it.
namespace Demo {

struct Options {
    int Articles = 5000;
    quint64 Seed = 1;
};

struct Article {
    QString Code, Name, Producer, Unit, Flag, Presence, CatNumber, CertCode, Country;
    qint64 PriceKopecks = 0;
    int PackQuantity = 1;
    int WeightGrams = 0;
};

std::vector<Article> MakeArticles(const Options& options);
// The next price list: some articles dropped, some new, some cheaper or dearer, some codes in
// another letter case.
std::vector<Article> MakeUpdate(const std::vector<Article>& current, const Options& options);

void WritePriceList(const QString& path, const std::vector<Article>& articles);
void WriteUpdatePackage(const QString& path, const std::vector<Article>& articles);
// A ZIP archive holding the package file as "upgrade.upr".
void ZipUpdatePackage(const QString& uprPath, const QString& zipPath);

// data.iop, upgrade.upr and upgrade.zip in one folder.
void WriteDemoDirectory(const QString& folder, const Options& options);

} // namespace Demo
