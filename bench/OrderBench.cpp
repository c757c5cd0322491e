#include "BenchSuite.h"

#include "demo/DemoData.h"
#include "order/OrderFile.h"

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
    const OrderHeader header{u"1"_s, QDate(2026, 12, 1), u"к отгрузке"_s, u"ООО «Ромашка»"_s, u"г. Тверь"_s,
                             u"+7 4822 00-00-00"_s, u"Иванов И. И."_s, 5};
    auto lines = std::make_shared<std::vector<OrderLine>>();
    const auto floor = [path] { BenchData::ReadAndDecode(path); };
    suite.Add({.Name = u"order.save"_s,
               .N = kOrderLines,
               .Prepare = [lines, path, header] {
                   *lines = SampleLines();
                   OrderFile::Write(path, header, *lines);
               },
               .Run = [lines, path, header] { OrderFile::Write(path, header, *lines); },
               .Floor = floor});
    suite.Add({.Name = u"order.open"_s, .N = kOrderLines, .Run = [path] { OrderFile::Read(path); }, .Floor = floor});
}
