#include "BenchSuite.h"

#include "demo/DemoData.h"
#include "framework/MemTable.h"
#include "order/OrderFile.h"
#include "order/OrderFrameUnit.h"
#include "price/PriceList.h"
#include "price/TableViewUnit.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

constexpr int kOrderLines = 5000;

std::vector<OrderLine> SampleLines() {
    std::vector<OrderLine> lines;
    for (const Demo::Article& a : Demo::MakeArticles({.Articles = kOrderLines, .Seed = 3})) {
        const double price = double(a.PriceKopecks) / 100;
        lines.push_back({a.Code, a.Name, double(a.PackQuantity), price, price * a.PackQuantity, a.Country});
    }
    return lines;
}

} // namespace

void AddOrderRows(BenchSuite& suite, const BenchData& data) {
    const QString path = QDir(data.Folder).filePath(u"order.zkz"_s);
    const OrderHeader header{u"1"_s,        QDate(2026, 12, 1),    u"к отгрузке"_s,   u"ООО «Ромашка»"_s,
                             u"г. Тверь"_s, u"+7 4822 00-00-00"_s, u"Иванов И. И."_s, 5};
    auto lines = std::make_shared<std::vector<OrderLine>>();
    const auto floor = [path] { BenchData::ReadAndDecode(path); };
    suite.Add({.Name = u"order.save"_s,
               .N = kOrderLines,
               .Prepare =
                   [lines, path, header] {
                       *lines = SampleLines();
                       OrderFile::Write(path, header, *lines);
                   },
               .Run = [lines, path, header] { OrderFile::Write(path, header, *lines); },
               .Floor = floor});
    suite.Add({.Name = u"order.open"_s,
               .N = kOrderLines,
               .Run = [path] { OrderFile::Read(path); },
               .Floor = floor});
}

void AddOrderPostRow(BenchSuite& suite, const BenchData& data) {
    const QString path = QDir(data.Folder).filePath(u"post.zkz"_s);
    struct TState {
        QList<TDiscountEntry> Scale = {{5000, 3}, {15000, 5}, {50000, 7}};
        TOrderEnvironment Env;
        std::unique_ptr<TOrderFrame> Order;
    };
    auto state = std::make_shared<TState>();
    suite.Add({.Name = u"order.post"_s,
               .N = kOrderLines,
               .Prepare =
                   [state, path] {
                       OrderFile::Write(path, {}, SampleLines());
                       state->Env.StoredValue = [](TStoredValue) { return QString(); };
                       state->Env.DiscountScale = &state->Scale;
                       state->Order = std::make_unique<TOrderFrame>(state->Env, 0, path);
                   },
               .Run =
                   [state] {
                       // One line posted: the after-post handler recomputes the totals over all lines.
                       TMemTable& lines = *state->Order->Order_data->Table;
                       lines.Append();
                       lines.FieldByName(u"Code").SetAsString(u"NEW1"_s);
                       lines.FieldByName(u"Name").SetAsString(u"Новая позиция"_s);
                       lines.FieldByName(u"Count").SetAsFloat(2);
                       lines.FieldByName(u"Price").SetAsFloat(99.5);
                       lines.FieldByName(u"Summa").SetAsFloat(199);
                       lines.Post();
                   },
               .FloorMs = 5});
}

void AddOrderExportRow(BenchSuite& suite, const BenchData& data) {
    const QString orderPath = QDir(data.Folder).filePath(u"export.zkz"_s);
    const QString path = QDir(data.Folder).filePath(u"export.xls"_s);
    struct TState {
        QList<TDiscountEntry> Scale = {{5000, 3}, {15000, 5}, {50000, 7}};
        TOrderEnvironment Env;
        std::unique_ptr<TOrderFrame> Order;
    };
    auto state = std::make_shared<TState>();
    suite.Add({.Name = u"order.export"_s,
               .N = kOrderLines,
               .Prepare =
                   [state, orderPath, path] {
                       OrderFile::Write(orderPath, {}, SampleLines());
                       state->Env.StoredValue = [](TStoredValue) { return QString(); };
                       state->Env.DiscountScale = &state->Scale;
                       state->Order = std::make_unique<TOrderFrame>(state->Env, 0, orderPath);
                       state->Order->UpdateStatus();
                       state->Order->ExportTo(path);
                   },
               // The lines as the grid shows them, the table text, the file written and renamed.
               .Run = [state, path] { state->Order->ExportTo(path); },
               .Floor = [path] { BenchData::ReadAndDecode(path); }});
}
