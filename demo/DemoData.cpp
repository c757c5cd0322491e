#include "DemoData.h"

#include "tablefile/FileVersion.h"
#include "tablefile/ImpExpWriter.h"
#include "text/TException.h"

#include <QDir>
#include <QFile>

#include <zip.h>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace Demo {
namespace {

// splitmix64: the same numbers on every machine and library.
class Random {
public:
    explicit Random(quint64 seed) : m_state(seed) {}
    quint64 Next() {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return int(Next() % quint64(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <typename T, size_t N> const T& Pick(const std::array<T, N>& items) {
        return items[Below(int(N))];
    }

private:
    quint64 m_state;
};

struct PartKind {
    const char16_t* Name;
    const char16_t* Unit;
    int MinRub, MaxRub;
    int Grams;
};

const std::array<PartKind, 32> kParts = {{
    {u"Фильтр масляный", u"шт", 120, 900, 350},
    {u"Фильтр воздушный", u"шт", 150, 1400, 420},
    {u"Фильтр топливный", u"шт", 180, 2100, 300},
    {u"Фильтр салона угольный", u"шт", 250, 1800, 250},
    {u"Колодки тормозные передние", u"компл", 600, 4800, 1450},
    {u"Колодки тормозные задние", u"компл", 500, 3900, 1300},
    {u"Диск тормозной вентилируемый", u"шт", 1200, 7800, 6200},
    {u"Свеча зажигания", u"шт", 90, 1100, 60},
    {u"Ремень ГРМ", u"шт", 450, 3600, 180},
    {u"Ролик натяжной ремня ГРМ", u"шт", 500, 4200, 320},
    {u"Помпа водяная", u"шт", 900, 6900, 1100},
    {u"Термостат", u"шт", 300, 2600, 280},
    {u"Амортизатор передний газомасляный", u"шт", 1500, 9800, 3200},
    {u"Амортизатор задний масляный", u"шт", 1100, 7200, 2500},
    {u"Опора шаровая", u"шт", 350, 2900, 650},
    {u"Наконечник рулевой тяги", u"шт", 300, 2400, 480},
    {u"Стойка стабилизатора", u"шт", 250, 1900, 400},
    {u"Подшипник ступицы передней", u"шт", 700, 5600, 900},
    {u"Сцепление в сборе", u"компл", 3500, 19000, 6800},
    {u"Прокладка ГБЦ", u"шт", 250, 3200, 200},
    {u"Датчик кислорода", u"шт", 1400, 8900, 150},
    {u"Датчик положения коленвала", u"шт", 450, 3300, 120},
    {u"Катушка зажигания", u"шт", 900, 6400, 450},
    {u"Радиатор охлаждения", u"шт", 2500, 14000, 4100},
    {u"Генератор 14В 90А", u"шт", 5200, 26000, 5200},
    {u"Стартер редукторный", u"шт", 4800, 21000, 4300},
    {u"Щётка стеклоочистителя 500 мм", u"шт", 150, 1300, 200},
    {u"Лампа H4 12В 60/55Вт", u"шт", 60, 900, 30},
    {u"Масло моторное 5W-40 синтетическое", u"л", 350, 1200, 900},
    {u"Антифриз G12 красный", u"кг", 180, 700, 1050},
    {u"Пыльник ШРУСа наружного", u"компл", 150, 1200, 220},
    {u"Трос ручного тормоза", u"шт", 250, 1900, 500},
}};

const std::array<const char16_t*, 16> kVehicles = {
    u"ВАЗ 2108-2115",   u"ВАЗ 2110-2112",    u"Лада Гранта",      u"Лада Веста",
    u"Нива 4x4",        u"ГАЗ 3302 Газель",  u"УАЗ Патриот",      u"КАМАЗ 5320",
    u"Renault Logan",   u"Hyundai Solaris",  u"Kia Rio III",      u"Ford Focus II",
    u"Volkswagen Polo", u"Skoda Octavia A5", u"Toyota Camry V40", u"Chevrolet Niva",
};

// Invented makers, so that the demo names no real firm.
const std::array<const char16_t*, 14> kProducers = {
    u"АВТОПРОМ", u"ДЕТАЛЬ-М",  u"ТЕХНОРЕСУРС", u"СТАРТВОЛЬТ", u"ВОЛГАПАРТ", u"Nordline", u"Drivex",
    u"Partona",  u"Kraftmann", u"Ferrox",      u"Velmar",     u"Autoline",  u"Tesuro",   u"Mekano",
};

const std::array<const char16_t*, 9> kCountries = {
    u"Россия", u"Германия", u"Китай", u"Корея", u"Япония", u"Польша", u"Турция", u"Беларусь", u"Италия",
};

const std::array<const char16_t*, 8> kCodePrefixes = {u"AT", u"DX", u"PN", u"KM", u"FR", u"VL", u"NL", u"ТР"};

// What real Russian catalogues put into names: quotes «», №, dashes, no-break spaces, degrees and other
// characters of the bytes 0x80-0xBF. {n} is replaced by a small number.
const std::array<const char16_t*, 16> kNameMarks = {
    u" «Стандарт»",
    u" «Премиум»",
    u" №{n}",
    u" — оригинал",
    u" — аналог",
    u" 2008–2015\u00A0г.в.",
    u" -40…+120\u00A0°C",
    u" ±5%",
    u" Drivex®",
    u" Nordline™",
    u" „Экспорт“",
    u" (Україна)",
    u" {n}\u00A0шт.",
    u" 12\u00A0В, {n}\u00A0А",
    u" ‘Б/у’ — уценка",
    u" · Ў/Ї/Є/Ґ",
};
const std::array<const char16_t*, 4> kNameFronts = {u"«Лидер» ", u"№{n} ", u"Ґарант — ", u"“Сервис” "};

QString Mark(const char16_t* pattern, Random& random) {
    return QString::fromUtf16(pattern).replace(u"{n}"_s, QString::number(1 + random.Below(40)));
}

// About a third of the names get such marks. They come from a stream of their own, so that every other
// field stays what it was.
void MarkName(QString& name, int number) {
    Random random(quint64(number) * 0x2545F4914F6CDD1Dull + 11);
    if (!random.Chance(33)) return;
    if (random.Chance(20)) name.prepend(Mark(random.Pick(kNameFronts), random));
    name += Mark(random.Pick(kNameMarks), random);
    if (random.Chance(25)) name += Mark(random.Pick(kNameMarks), random);
}

QString Kopecks7(qint64 kopecks) {
    return u"%1.%2"_s.arg(kopecks / 100).arg((kopecks % 100) * 100000, 7, 10, QLatin1Char('0'));
}

QString Grams7(int grams) {
    return u"%1.%2"_s.arg(grams / 1000).arg((grams % 1000) * 10000, 7, 10, QLatin1Char('0'));
}

Article MakeArticle(Random& random, int number) {
    const PartKind& part = random.Pick(kParts);
    Article a;
    a.Code = u"%1%2"_s.arg(random.Pick(kCodePrefixes))
                 .arg(100000 + number * 7 + random.Below(7), 7, 10, QLatin1Char('0'));
    a.Name = u"%1 %2"_s.arg(part.Name, random.Pick(kVehicles));
    if (random.Chance(15)) a.Name += u" (усиленный)"_s;
    MarkName(a.Name, number);
    a.Producer = QString::fromUtf16(random.Pick(kProducers));
    a.Unit = QString::fromUtf16(part.Unit);
    const int rubles = part.MinRub + random.Below(part.MaxRub - part.MinRub + 1);
    a.PriceKopecks = qint64(rubles) * 100 + (random.Chance(60) ? random.Below(100) : 0);
    a.Presence = random.Chance(70) ? u"+"_s : u"-"_s;
    static const std::array<int, 6> packs = {1, 1, 1, 2, 4, 10};
    a.PackQuantity = random.Pick(packs);
    a.WeightGrams = part.Grams + random.Below(part.Grams / 4 + 1);
    a.CatNumber = u"%1-%2-%3"_s.arg(21000 + random.Below(9000))
                      .arg(random.Below(9999999), 7, 10, QLatin1Char('0'))
                      .arg(random.Below(100), 2, 10, QLatin1Char('0'));
    a.CertCode = random.Chance(80)
                     ? u"РОСС RU.АЯ%1.В%2"_s.arg(10 + random.Below(90)).arg(10000 + random.Below(90000))
                     : QString();
    a.Country = QString::fromUtf16(random.Pick(kCountries));
    static const std::array<const char16_t*, 8> flags = {u"", u"", u"", u"", u"", u"N", u"D", u"U"};
    a.Flag = QString::fromUtf16(random.Pick(flags));
    return a;
}

void WriteInfo(TImpExpWriter& file, int articles) {
    file.OpenSection(u"ИНФ_О_ПРАЙСЕ");
    file.AddFields({u"ПАРАМЕТР"_s, u"ЗНАЧЕНИЕ"_s});
    const std::pair<QString, QString> info[] = {
        {u"Поставщик"_s, u"ООО «Автодеталь-Опт» (демонстрационный прайс-лист)"_s},
        {u"Дата прайс-листа"_s, u"01.12.2026"_s},
        {u"Количество позиций"_s, QString::number(articles)},
        {u"Валюта"_s, u"руб."_s},
        {u"Цены"_s, u"с учётом НДС"_s},
    };
    for (const auto& [parameter, value] : info) {
        file.FieldByName(u"ПАРАМЕТР").Value = parameter;
        file.FieldByName(u"ЗНАЧЕНИЕ").Value = value;
        file.AppendRecord();
    }
}

void WriteDiscounts(TImpExpWriter& file) {
    file.OpenSection(u"СИСТЕМА_СКИДОК");
    file.AddFields({u"СУММА"_s, u"СКИДКА"_s});
    for (const auto& [sum, discount] : {std::pair{5000, 3}, std::pair{15000, 5}, std::pair{50000, 7}}) {
        file.FieldByName(u"СУММА").Value = sum;
        file.FieldByName(u"СКИДКА").Value = discount;
        file.AppendRecord();
    }
}

void WriteArticles(TImpExpWriter& file, const std::vector<Article>& articles, bool withFlags) {
    file.OpenSection(u"ПРАЙС_ЛИСТ");
    QStringList fields = {u"КОД"_s,         u"НАИМЕНОВАНИЕ"_s, u"ПРОИЗВОДИТЕЛЬ"_s,   u"ЕД_ИЗМ"_s,
                          u"ЦЕНА"_s,        u"ЦЕНА_ФЛАГ"_s,    u"НАЛИЧИЕ"_s,         u"КОЛ_В_УПАКОВКЕ"_s,
                          u"ВЕС_ЕДЕНИЦЫ"_s, u"КАТАЛ_НОМЕР"_s,  u"КОД_СЕРТИФИКАТА"_s, u"СТРАНА"_s};
    if (!withFlags) fields.removeOne(u"ЦЕНА_ФЛАГ"_s);
    file.AddFields(fields);
    TFieldValue& code = file.FieldByName(u"КОД");
    TFieldValue& name = file.FieldByName(u"НАИМЕНОВАНИЕ");
    TFieldValue& producer = file.FieldByName(u"ПРОИЗВОДИТЕЛЬ");
    TFieldValue& unit = file.FieldByName(u"ЕД_ИЗМ");
    TFieldValue& price = file.FieldByName(u"ЦЕНА");
    TFieldValue& flag = file.FieldByName(u"ЦЕНА_ФЛАГ");
    TFieldValue& presence = file.FieldByName(u"НАЛИЧИЕ");
    TFieldValue& pack = file.FieldByName(u"КОЛ_В_УПАКОВКЕ");
    TFieldValue& weight = file.FieldByName(u"ВЕС_ЕДЕНИЦЫ");
    TFieldValue& catNumber = file.FieldByName(u"КАТАЛ_НОМЕР");
    TFieldValue& cert = file.FieldByName(u"КОД_СЕРТИФИКАТА");
    TFieldValue& country = file.FieldByName(u"СТРАНА");
    for (const Article& a : articles) {
        code.Value = a.Code;
        name.Value = a.Name;
        producer.Value = a.Producer;
        unit.Value = a.Unit;
        price.Value = Kopecks7(a.PriceKopecks);
        flag.Value = a.Flag;
        presence.Value = a.Presence;
        pack.Value = a.PackQuantity;
        weight.Value = Grams7(a.WeightGrams);
        catNumber.Value = a.CatNumber;
        cert.Value = a.CertCode;
        country.Value = a.Country;
        file.AppendRecord();
    }
}

void WriteVersion(TImpExpWriter& file, QStringView section) {
    file.OpenSection(section);
    file.AddFields({u"ВЕРСИЯ"_s});
    file.FieldByName(u"ВЕРСИЯ").Value = FileVersion::Current.toString();
    file.AppendRecord();
}

} // namespace

std::vector<Article> MakeArticles(const Options& options) {
    Random random(options.Seed);
    std::vector<Article> articles;
    articles.reserve(size_t(options.Articles));
    for (int i = 0; i < options.Articles; ++i)
        articles.push_back(MakeArticle(random, i));
    return articles;
}

std::vector<Article> MakeUpdate(const std::vector<Article>& current, const Options& options) {
    Random random(options.Seed * 31 + 7);
    std::vector<Article> next;
    next.reserve(current.size() + current.size() / 20);
    int added = int(current.size());
    for (const Article& old : current) {
        if (random.Chance(3)) continue; // dropped
        Article a = old;
        a.Flag.clear();
        const int roll = random.Below(100);
        if (roll < 5)
            a.PriceKopecks = std::max<qint64>(100, a.PriceKopecks * (90 + random.Below(9)) / 100);
        else if (roll < 11)
            a.PriceKopecks = a.PriceKopecks * (102 + random.Below(15)) / 100;
        if (random.Chance(1)) a.Code = a.Code.toLower(); // the same article, its code in other case
        if (random.Chance(4)) a.Presence = a.Presence == u"+"_s ? u"-"_s : u"+"_s;
        next.push_back(a);
        if (random.Chance(3)) next.push_back(MakeArticle(random, added++)); // new
    }
    for (Article& a : next)
        a.Flag.clear();
    return next;
}

void WritePriceList(const QString& path, const std::vector<Article>& articles) {
    TImpExpWriter file(path);
    WriteVersion(file, u"СИСТЕМНЫЕ_ДАННЫЕ");
    WriteInfo(file, int(articles.size()));
    WriteDiscounts(file);
    WriteArticles(file, articles, true);
    file.Commit();
}

void WriteUpdatePackage(const QString& path, const std::vector<Article>& articles) {
    TImpExpWriter file(path);
    WriteVersion(file, u"ДАННЫЕ_ОБНОВЛЕНИЯ");
    WriteInfo(file, int(articles.size()));
    WriteDiscounts(file);
    WriteArticles(file, articles, false);
    file.Commit();
}

void ZipUpdatePackage(const QString& uprPath, const QString& zipPath) {
    QFile upr(uprPath);
    if (!upr.open(QIODevice::ReadOnly)) throw TException(u"Невозможно открыть файл "_s + uprPath);
    const QByteArray content = upr.readAll();
    QFile::remove(zipPath);
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) throw TException(u"Невозможно создать архив "_s + zipPath);
    zip_source_t* source = zip_source_buffer(archive, content.constData(), zip_uint64_t(content.size()), 0);
    const zip_int64_t index = source ? zip_file_add(archive, "upgrade.upr", source, ZIP_FL_OVERWRITE) : -1;
    if (index < 0) {
        if (source) zip_source_free(source);
        zip_discard(archive);
        throw TException(u"Невозможно создать архив "_s + zipPath);
    }
    zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 6);
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw TException(u"Невозможно создать архив "_s + zipPath);
    }
}

void WriteDemoDirectory(const QString& folder, const Options& options) {
    const QDir dir(folder);
    const std::vector<Article> articles = MakeArticles(options);
    WritePriceList(dir.filePath(u"data.iop"_s), articles);
    WriteUpdatePackage(dir.filePath(u"upgrade.upr"_s), MakeUpdate(articles, options));
    ZipUpdatePackage(dir.filePath(u"upgrade.upr"_s), dir.filePath(u"upgrade.zip"_s));
}

} // namespace Demo
