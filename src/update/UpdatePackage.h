#pragma once

#include "tablefile/ImpExp.h"

#include <QList>
#include <QString>

#include <functional>

struct TUpdateInfoLine {
    QString Parameter;
    QString Value;
};

// An update package ("upgrade.upr"): the format version it declares, the price information it
// carries, and the price list file rebuilt from it with every article's price change marked.
class TUpdatePackage {
public:
    // The one package format this program reads.
    using TPump = std::function<void()>;

    // Loads the package; a missing file fails with "Невозможно открыть файл …".
    explicit TUpdatePackage(const QString& fileName);

    // "ВЕРСИЯ" of the last record of "ДАННЫЕ_ОБНОВЛЕНИЯ"; empty when there is none.
    QString Version();
    // Fails with the version mismatch message unless the version is the current one.
    void CheckVersion();
    // "ИНФ_О_ПРАЙСЕ" in file order; the pump runs before each record.
    QList<TUpdateInfoLine> PriceInfo(const TPump& processMessages = {});

    // Rebuilds the price list file from the package: its version, price information, discount scale
    // and articles, values copied as they stand, each article flagged "N" (new), "D" (cheaper), "U"
    // (dearer) or "" against the file's previous articles, matched by code ignoring letter case, each
    // previous article at most once. The file is replaced in one piece: a failure leaves it as it
    // was. It must exist.
    void ApplyTo(const QString& dataFile, const TPump& processMessages = {});

private:
    QString m_fileName;
    TImpExpFile m_file;
};
