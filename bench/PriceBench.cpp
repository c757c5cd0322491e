#include "BenchSuite.h"

#include "framework/MemTable.h"
#include "price/FilterFormLogic.h"
#include "price/PriceExport.h"
#include "price/PriceList.h"
#include "price/TableViewLogic.h"
#include "text/Cp1251.h"

#include <QDir>

#include <algorithm>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A word of the demo names; the filter looks for it ignoring case.
const QString kWord = u"Гранта"_s;
// No name begins with it: the search step scans every record and gives up.
constexpr QChar kNoName = u'Ъ';

struct PriceState {
    PriceState() { DefinePriceFields(*View.Table); }
    void Load(const QString& path) { List.Load(path, View, Select, {}, {}, ProcessMessages); }

    TTableViewLogic View;
    TMemTable Select;
    TPriceList List;
};

// The loaded price list, and its Name column as plain bytes for the floors.
struct Loaded {
    PriceState Price;
    int NameField = -1;
    QByteArray NameBytes;
    std::vector<QByteArrayView> Names; // in file order

    void Prepare(const QString& path) {
        if (NameField >= 0) return;
        Price.Load(path);
        TMemTable& table = *Price.View.Table;
        NameField = table.FieldByName(u"Name").Index();
        std::vector<qsizetype> ends;
        for (int row = 0; row < table.RecordCount(); ++row) {
            NameBytes.append(table.RowBytes(table.RowAt(row), NameField));
            ends.push_back(NameBytes.size());
        }
        qsizetype start = 0;
        for (qsizetype end : ends) {
            Names.emplace_back(NameBytes.constData() + start, end - start);
            start = end;
        }
    }
};

// A result the compiler must compute: Qt's search functions are pure, so an unused count vanishes.
volatile qsizetype g_sink;
void Keep(qsizetype value) {
    g_sink = value;
}

} // namespace

void AddPriceRows(BenchSuite& suite, const BenchData& data) {
    const QString path = data.PriceFile;
    const auto fileFloor = [path] { BenchData::ReadAndDecode(path); };
    const auto load = [path] { PriceState().Load(path); };
    suite.Add({.Name = u"price.load"_s, .N = data.Articles, .Run = load, .Floor = fileFloor});

    auto loaded = std::make_shared<Loaded>();
    const auto prepare = [loaded, path] { loaded->Prepare(path); };

    suite.Add({.Name = u"price.filter"_s,
               .N = data.Articles,
               .Prepare = prepare,
               .Run =
                   [loaded] {
                       TTableViewLogic& view = loaded->Price.View;
                       view.FilterText = u"Name=*"_s + kWord + u"*|"_s;
                       view.FilterIgnoreCase = true;
                       view.ApplyFilter();
                       Keep(view.Table->RecordCount());
                   },
               .Floor =
                   [loaded] {
                       const QByteArray word = Cp1251::Encode(kWord);
                       Keep(std::count_if(loaded->Names.begin(), loaded->Names.end(),
                                          [&word](QByteArrayView name) { return name.contains(word); }));
                   }});

    auto sortView = std::make_shared<TTableViewLogic>();
    suite.Add({.Name = u"price.sort"_s,
               .N = data.Articles,
               .Prepare = prepare,
               .Run =
                   [loaded, sortView] {
                       // From the file's order every time: the selection copy holds it.
                       sortView->Table->CopyFrom(loaded->Price.Select);
                       sortView->SortField = u"Name"_s;
                       sortView->SortMode = TSortMode::Ascending;
                       sortView->ApplySort();
                   },
               .Floor =
                   [loaded] {
                       std::vector<QByteArrayView> names = loaded->Names;
                       std::stable_sort(names.begin(), names.end());
                       Keep(names.front().size());
                   }});

    // A value pick of the filter dialog: the selection window's full copy sorted by the field, descending,
    // and put on the first value that begins with the typed text.
    auto pickView = std::make_shared<TTableViewLogic>();
    suite.Add({.Name = u"price.pick"_s,
               .N = data.Articles,
               .Prepare = prepare,
               .Run =
                   [loaded, pickView] {
                       // From the file's order, as after a load.
                       pickView->Table->CopyFrom(loaded->Price.Select);
                       PreparePick(*pickView, u"Name"_s, kWord.left(3));
                       Keep(pickView->Table->RecNo());
                   },
               .Floor =
                   [loaded] {
                       std::vector<QByteArrayView> names = loaded->Names;
                       std::stable_sort(names.begin(), names.end());
                       Keep(names.front().size());
                   }});

    suite.Add({.Name = u"price.locate"_s,
               .N = data.Articles,
               .Prepare = prepare,
               .Run =
                   [loaded] {
                       TTableViewLogic& view = loaded->Price.View;
                       view.SearchText.clear();
                       view.SearchKeyPress(kNoName, loaded->NameField);
                       if (!view.SearchText.isEmpty()) std::abort();
                   },
               .Floor =
                   [loaded] {
                       const QByteArray key = Cp1251::Encode(QString(kNoName));
                       Keep(std::count_if(loaded->Names.begin(), loaded->Names.end(),
                                          [&key](QByteArrayView name) { return name.startsWith(key); }));
                   }});

    // The export of every article; its floor reads the written file back.
    const QString exportPath = QDir(data.Folder).filePath(u"price.xls"_s);
    const auto exportAll = [loaded, exportPath] {
        ExportPriceList(*loaded->Price.View.Table, PriceColumns(), exportPath);
    };
    suite.Add({.Name = u"price.export"_s,
               .N = data.Articles,
               .Prepare =
                   [prepare, loaded, exportAll] {
                       prepare();
                       TTableViewLogic& view = loaded->Price.View;
                       view.FilterText.clear();
                       view.ApplyFilter();
                       exportAll();
                   },
               .Run = exportAll,
               .Floor = [exportPath] { BenchData::ReadAndDecode(exportPath); }});

    // The peak of a whole load, the file's bytes and lines included, against the file's size.
    suite.Add({.Name = u"price.memory"_s,
               .N = data.Articles,
               .Run = load,
               .MemoryBase = data.PriceFileSize,
               .Runs = 1});
}
