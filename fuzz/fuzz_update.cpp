// An update package on any bytes, checked and applied as the program does to a small fixed price list:
// a package refused leaves the price list alone; a package applied gives a price list that holds the
// package's records value for value, each article flagged against the previous price list as a plain
// model of the rule says, and the previous price list as the backup. Applied once more, the package is
// judged against what it just wrote.
#include "FuzzSupport.h"
#include "FuzzTableFile.h"

#include "demo/DemoData.h"
#include "update/UpdatePackage.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QStringList kArticleFields = {
    u"КОД"_s,         u"НАИМЕНОВАНИЕ"_s,    u"ПРОИЗВОДИТЕЛЬ"_s,  u"ЕД_ИЗМ"_s,
    u"ЦЕНА"_s,        u"НАЛИЧИЕ"_s,         u"КОЛ_В_УПАКОВКЕ"_s, u"ВЕС_ЕДЕНИЦЫ"_s,
    u"КАТАЛ_НОМЕР"_s, u"КОД_СЕРТИФИКАТА"_s, u"СТРАНА"_s};

QByteArray Bytes(const TFieldValue& field) {
    return field.AsBytes().toByteArray();
}

// The records of a section, the given fields' values of each (an empty text for a missing one).
std::vector<std::vector<QByteArray>> Records(TImpExpFile& file, QStringView section,
                                             const QStringList& fields) {
    std::vector<std::vector<QByteArray>> records;
    file.OpenSection(section);
    for (file.First(); file.HasRecord(); file.Next()) {
        std::vector<QByteArray> values;
        for (const QString& field : fields)
            values.push_back(Bytes(file.FieldByName(field)));
        records.push_back(std::move(values));
    }
    return records;
}

std::vector<std::vector<QByteArray>> HarmlessRecords(std::vector<std::vector<QByteArray>> records) {
    for (auto& record : records)
        for (QByteArray& value : record)
            value = Harmless(value);
    return records;
}

// The change marks the rule gives: each article of the package against the first previous article of
// the same code (letter case ignored) not matched yet.
std::vector<QByteArray> ExpectedFlags(const QString& dataFile, const QString& packageFile) {
    TImpExpFile data(dataFile, false);
    TImpExpFile package(packageFile, false);
    struct TPrevious {
        QByteArray Code;
        double Price;
        bool Used = false;
    };
    std::vector<TPrevious> previous;
    data.OpenSection(u"ПРАЙС_ЛИСТ");
    for (data.First(); data.HasRecord(); data.Next())
        previous.push_back(
            {AnsiLowerCase(data.FieldByName(u"КОД").AsBytes()), data.FieldByName(u"ЦЕНА").AsFloat()});
    std::vector<QByteArray> flags;
    package.OpenSection(u"ПРАЙС_ЛИСТ");
    for (package.First(); package.HasRecord(); package.Next()) {
        const QByteArray code = AnsiLowerCase(package.FieldByName(u"КОД").AsBytes());
        const double price = package.FieldByName(u"ЦЕНА").AsFloat();
        const auto match = std::find_if(previous.begin(), previous.end(),
                                        [&](const TPrevious& p) { return !p.Used && p.Code == code; });
        if (match == previous.end()) {
            flags.push_back("N");
            continue;
        }
        match->Used = true;
        flags.push_back(match->Price > price ? "D" : match->Price < price ? "U" : "");
    }
    return flags;
}

QByteArray g_priceList; // the fixed price list every input is applied to

// Checks and applies the package as the program does; the price list is untouched unless it is applied.
bool Apply(const QString& packageFile, const QString& dataFile) {
    const QByteArray before = TFuzzFolder::Read(dataFile);
    std::optional<TUpdatePackage> package;
    const bool refused = Refused([&] {
        package.emplace(packageFile);
        package->Check();
        (void)package->PriceInfo();
        package->ApplyTo(dataFile);
    });
    if (refused) FUZZ_CHECK(TFuzzFolder::Read(dataFile) == before);
    return !refused;
}

// A section without its field list has no fields when it is first opened and, the list marker now
// added, the lines after it as fields from the next opening on: which values an update copies from such
// a package depends on how often the program opened the section before.
bool FieldListsPresent(const QString& packageFile) {
    TImpExpFile package(packageFile, false);
    for (QStringView section : {u"ДАННЫЕ_ОБНОВЛЕНИЯ", u"ИНФ_О_ПРАЙСЕ", u"СИСТЕМА_СКИДОК", u"ПРАЙС_ЛИСТ"}) {
        const int lines = package.LineCount();
        package.OpenSection(section);
        if (package.LineCount() == lines + 1) return false; // only the marker was added
    }
    return true;
}

void CheckApplied(const QString& packageFile, const QString& dataFile, const std::vector<QByteArray>& flags) {
    TImpExpFile package(packageFile, false);
    TImpExpFile data(dataFile, false);
    data.OpenSection(u"СИСТЕМНЫЕ_ДАННЫЕ");
    data.Last();
    FUZZ_CHECK(data.FieldByName(u"ВЕРСИЯ").AsString() == u"1020");
    if (!FieldListsPresent(packageFile)) {
        for (QStringView section : {u"ИНФ_О_ПРАЙСЕ", u"СИСТЕМА_СКИДОК", u"ПРАЙС_ЛИСТ"})
            FUZZ_CHECK(Records(data, section, {}).size() == Records(package, section, {}).size());
        return;
    }

    const QStringList info = {u"ПАРАМЕТР"_s, u"ЗНАЧЕНИЕ"_s}, scale = {u"СУММА"_s, u"СКИДКА"_s};
    FUZZ_CHECK(Records(data, u"ИНФ_О_ПРАЙСЕ", info) ==
               HarmlessRecords(Records(package, u"ИНФ_О_ПРАЙСЕ", info)));
    FUZZ_CHECK(Records(data, u"СИСТЕМА_СКИДОК", scale) ==
               HarmlessRecords(Records(package, u"СИСТЕМА_СКИДОК", scale)));
    FUZZ_CHECK(Records(data, u"ПРАЙС_ЛИСТ", kArticleFields) ==
               HarmlessRecords(Records(package, u"ПРАЙС_ЛИСТ", kArticleFields)));
    const auto written = Records(data, u"ПРАЙС_ЛИСТ", {u"ЦЕНА_ФЛАГ"_s});
    FUZZ_CHECK(written.size() == flags.size() && !written.empty());
    for (size_t i = 0; i < flags.size(); ++i)
        FUZZ_CHECK(written[i].front() == flags[i]);
}

} // namespace

void FuzzPrepare() {
    // The articles of the seed package's price list: most codes of the seed match one of them.
    const QString path = TFuzzFolder::Get().Path(u"fixed.iop"_s);
    Demo::WritePriceList(path, Demo::MakeArticles({.Articles = 6, .Seed = 1}));
    g_priceList = TFuzzFolder::Read(path);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzFolder& folder = TFuzzFolder::Get();
    folder.Clean({u"fixed.iop"_s});
    const QString packageFile = folder.Write(u"upgrade.upr"_s, FuzzInput(data, size));
    const QString dataFile = folder.Write(u"data.iop"_s, g_priceList);

    if (!Apply(packageFile, dataFile)) return 0;
    const QString backup = dataFile + u".bak"_s;
    FUZZ_CHECK(TFuzzFolder::Read(backup) == g_priceList);
    CheckApplied(packageFile, dataFile, ExpectedFlags(backup, packageFile));

    const QByteArray first = TFuzzFolder::Read(dataFile);
    FUZZ_CHECK(Apply(packageFile, dataFile));
    FUZZ_CHECK(TFuzzFolder::Read(backup) == first);
    CheckApplied(packageFile, dataFile, ExpectedFlags(backup, packageFile));
    return 0;
}
