#include "PriceList.h"

#include "tablefile/FileVersion.h"

#include "framework/MemTable.h"
#include "tablefile/ImpExpStream.h"
#include "TableViewLogic.h"
#include "text/Cp1251.h"
#include "text/TException.h"
#include "text/TextForms.h"

#include <array>
#include <chrono>
#include <deque>
#include <future>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct TPriceField {
    const char16_t* Name;
    TFieldType Type;
    const char16_t* Source; // the field of the price section
};

const std::array<TPriceField, 12> kFields = {{
    {u"Price_flag", TFieldType::String, u"ЦЕНА_ФЛАГ"},
    {u"Code", TFieldType::String, u"КОД"},
    {u"Name", TFieldType::String, u"НАИМЕНОВАНИЕ"},
    {u"Producer", TFieldType::String, u"ПРОИЗВОДИТЕЛЬ"},
    {u"Price", TFieldType::Float, u"ЦЕНА"},
    {u"Presence", TFieldType::String, u"НАЛИЧИЕ"},
    {u"Col_upak", TFieldType::Float, u"КОЛ_В_УПАКОВКЕ"},
    {u"Ed_izm", TFieldType::String, u"ЕД_ИЗМ"},
    {u"Weight", TFieldType::Float, u"ВЕС_ЕДЕНИЦЫ"},
    {u"Cat_number", TFieldType::String, u"КАТАЛ_НОМЕР"},
    {u"Code_sert", TFieldType::String, u"КОД_СЕРТИФИКАТА"},
    {u"Country", TFieldType::String, u"СТРАНА"},
}};

constexpr int kTextSize = 255;

// The sections the price list is read from, in the order they are added to the stream.
enum TSection { kSystem, kInfo, kScale, kPrices };

constexpr size_t kPieceRecords = 4096; // fewer are made into rows on the calling thread

// A piece of the price section's records as table rows: the texts stay Windows-1251 bytes, the numbers
// are read from their file form.
std::unique_ptr<TRowBatch> MakeRows(const TImpExpRecords& records,
                                    const std::array<int, kFields.size()>& sources, const TMemTable& table) {
    auto rows = std::make_unique<TRowBatch>(table);
    std::vector<TRowBatch::TCell> cells(kFields.size());
    rows->Reserve(int(records.Count));
    for (size_t r = 0; r < records.Count; ++r) {
        for (size_t i = 0; i < kFields.size(); ++i) {
            const QByteArrayView value = records.Value(r, sources[i]);
            if (kFields[i].Type == TFieldType::String)
                cells[i].Text = value;
            else
                cells[i].Number = FileText::ToFloat(value);
        }
        rows->Add(cells);
    }
    rows->Finish();
    return rows;
}

// The rows of the price section, made on the other core while the calling thread reads the file on. At
// most two pieces wait, so that the file's text never piles up in memory.
class TRowPipeline {
public:
    TRowPipeline(const TMemTable& table, std::function<void()> pump)
        : m_table(table), m_pump(std::move(pump)) {}

    void Add(TImpExpRecords& records, const std::array<int, kFields.size()>& sources) {
        const bool small = records.Count < kPieceRecords;
        while (m_pending.size() >= (small ? 1 : 2))
            Collect();
        if (small) {
            m_rows.push_back(MakeRows(records, sources, m_table));
            return;
        }
        m_pending.push_back(std::async(std::launch::async, [this, piece = std::move(records), sources] {
            return MakeRows(piece, sources, m_table);
        }));
    }

    // Every piece's rows, in file order.
    std::vector<TRowBatch*> Rows() {
        while (!m_pending.empty())
            Collect();
        std::vector<TRowBatch*> rows;
        for (const auto& piece : m_rows)
            rows.push_back(piece.get());
        return rows;
    }

private:
    void Collect() {
        while (m_pending.front().wait_for(std::chrono::milliseconds(30)) == std::future_status::timeout)
            m_pump();
        m_rows.push_back(m_pending.front().get());
        m_pending.pop_front();
    }

    const TMemTable& m_table;
    std::function<void()> m_pump;
    std::deque<std::future<std::unique_ptr<TRowBatch>>> m_pending;
    std::vector<std::unique_ptr<TRowBatch>> m_rows;
};

} // namespace

QList<TGridColumn> PriceColumns() {
    const auto column = [](const char16_t* field, const char16_t* title, int width, Qt::Alignment alignment) {
        return TGridColumn{.FieldName = QString::fromUtf16(field),
                           .Title = QString::fromUtf16(title),
                           .Width = width,
                           .Alignment = alignment};
    };
    TGridColumn presence = column(u"Presence", u"Наличие", 50, Qt::AlignHCenter);
    presence.FontFamily = u"Arial Black"_s;
    presence.FontPointSize = 8;
    presence.FontBold = true;
    return {
        column(u"Code", u"Код", 40, Qt::AlignLeft),
        column(u"Name", u"Наименование", 350, Qt::AlignLeft),
        column(u"Producer", u"Производитель", 90, Qt::AlignLeft),
        column(u"Price", u"Цена", 75, Qt::AlignRight),
        presence,
        column(u"Col_upak", u"Кол. в упак.", 70, Qt::AlignRight),
        column(u"Ed_izm", u"Ед.изм.", 50, Qt::AlignLeft),
        column(u"Weight", u"Вес еденицы", 75, Qt::AlignRight),
        column(u"Cat_number", u"Кат. номер", 90, Qt::AlignLeft),
        column(u"Code_sert", u"Код серт.", 60, Qt::AlignLeft),
        column(u"Country", u"Страна", 80, Qt::AlignLeft),
    };
}

void DefinePriceFields(TMemTable& table) {
    table.Close();
    table.ClearFields();
    const QList<TGridColumn> columns = PriceColumns();
    for (const TPriceField& f : kFields) {
        TField& field = table.AddField(QString::fromUtf16(f.Name), f.Type, kTextSize);
        for (const TGridColumn& c : columns)
            if (c.FieldName == field.FieldName()) field.Alignment = c.Alignment;
    }
}

void TPriceList::Load(const QString& fileName, TTableViewLogic& priceView, TMemTable& selectTable,
                      const QString& storedSort, const QString& storedFilter,
                      const std::function<void()>& processMessages) {
    const auto pump = [&processMessages] {
        if (processMessages) processMessages();
    };
    TImpExpStream file(fileName);
    for (const char16_t* section : {u"СИСТЕМНЫЕ_ДАННЫЕ", u"ИНФ_О_ПРАЙСЕ", u"СИСТЕМА_СКИДОК", u"ПРАЙС_ЛИСТ"})
        file.AddSection(section);
    QString version;
    QList<TPriceInfoEntry> priceInfo;
    QList<TDiscountEntry> discountScale;
    TMemTable& table = *priceView.Table;
    TRowPipeline rows(table, pump);
    std::optional<std::array<int, kFields.size()>> sources;
    file.Read(true, [&](TImpExpRecords& records) {
        if (records.Section != kSystem)
            for (size_t r = 0; r < records.Count; ++r)
                pump();
        const auto field = [&](const char16_t* name) { return file.FieldIndex(records.Section, name); };
        switch (TSection(records.Section)) {
        case kSystem: // the last record counts
            version = Cp1251::Decode(records.Value(records.Count - 1, field(u"ВЕРСИЯ")));
            break;
        case kInfo:
            for (size_t r = 0; r < records.Count; ++r)
                priceInfo.append({Cp1251::Decode(records.Value(r, field(u"ПАРАМЕТР"))),
                                  Cp1251::Decode(records.Value(r, field(u"ЗНАЧЕНИЕ")))});
            break;
        case kScale:
            for (size_t r = 0; r < records.Count; ++r)
                discountScale.append({FileText::ToFloat(records.Value(r, field(u"СУММА"))),
                                      FileText::ToFloat(records.Value(r, field(u"СКИДКА")))});
            break;
        case kPrices:
            if (!sources) {
                sources.emplace();
                for (size_t i = 0; i < kFields.size(); ++i)
                    (*sources)[i] = field(kFields[i].Source);
            }
            rows.Add(records, *sources);
            break;
        }
    });
    const std::vector<TRowBatch*> pieces = rows.Rows();
    FileVersion::Check(version, u"файла данных data.iop"_s);
    PriceInfo = std::move(priceInfo);
    DiscountScale = std::move(discountScale);

    priceView.DataSource->SetDataSet(nullptr);
    table.Open();
    priceView.SetViewState(QString(), QString());
    table.EmptyTable();
    table.AppendRows(pieces);
    table.First();

    selectTable.CopyFrom(table); // no filter is on yet: every record
    priceView.SetViewState(storedSort, storedFilter);
    priceView.DataSource->SetDataSet(&table);
}
