// The table file reader on any bytes: every section, field and record is walked, the streaming reader
// reads the same records, the file is written back, and what was written reads back the same. A copy of a
// record appended to a section reads back with the values it was given.
#include "FuzzSupport.h"
#include "FuzzTableFile.h"
#include "tablefile/ImpExpStream.h"

#include <QBuffer>

namespace {

using Kind = TImpExpFile::LineKind;

// A value as the reader gives it; a missing value and an empty one differ.
struct TValueSeen {
    bool Null = true;
    QByteArray Bytes;
    friend bool operator==(const TValueSeen&, const TValueSeen&) = default;
};

TValueSeen Seen(const TFieldValue& field) {
    const QByteArrayView bytes = field.AsBytes();
    // Every form of a value is read from the same bytes; none may fail.
    FUZZ_CHECK(field.AsString() == Cp1251::Decode(bytes));
    (void)field.AsFloat();
    (void)field.AsDate().Date();
    return {bytes.isNull(), bytes.toByteArray()};
}

struct TRecordSeen {
    std::vector<TValueSeen> Main, Detail;
    friend bool operator==(const TRecordSeen&, const TRecordSeen&) = default;
};

struct TSectionSeen {
    QByteArray Name;
    std::vector<QByteArray> MainFields, DetailFields;
    std::vector<TRecordSeen> Records;
    friend bool operator==(const TSectionSeen&, const TSectionSeen&) = default;
};

// The names of the file's sections, each once, in file order.
std::vector<QByteArray> SectionNames(const TImpExpFile& file) {
    std::vector<QByteArray> names;
    for (int i = 0; i + 1 < file.LineCount(); ++i)
        if (file.KindOf(i) == Kind::Section &&
            std::find(names.begin(), names.end(), file.Line(i + 1)) == names.end())
            names.push_back(file.Line(i + 1));
    return names;
}

TSectionSeen WalkSection(TImpExpFile& file, const QByteArray& name) {
    file.OpenSection(Cp1251::Decode(name));
    TSectionSeen seen{name, {}, {}, {}};
    for (const auto& f : file.MainFields())
        seen.MainFields.push_back(f->NameBytes());
    for (const auto& f : file.DetailFields())
        seen.DetailFields.push_back(f->NameBytes());
    // A field is found by its name, ignoring letter case; of two alike the last one.
    for (size_t k = 0; k < file.MainFields().size(); ++k) {
        const int found = file.FieldIndex(file.MainFields()[k]->Name());
        FUZZ_CHECK(found >= int(k) &&
                   SameText(file.MainFields()[size_t(found)]->NameBytes(), seen.MainFields[k]));
    }

    for (file.First(); file.HasRecord(); file.Next()) {
        TRecordSeen record;
        for (const auto& f : file.MainFields())
            record.Main.push_back(Seen(*f));
        for (const auto& f : file.DetailFields())
            record.Detail.push_back(Seen(*f));
        seen.Records.push_back(std::move(record));
    }
    file.Last();
    FUZZ_CHECK(file.HasRecord() == !seen.Records.empty());
    for (size_t k = 0; file.HasRecord() && k < file.MainFields().size(); ++k)
        FUZZ_CHECK(Seen(*file.MainFields()[k]) == seen.Records.back().Main[k]);
    return seen;
}

std::vector<TSectionSeen> Walk(TImpExpFile& file) {
    std::vector<TSectionSeen> sections;
    for (const QByteArray& name : SectionNames(file))
        sections.push_back(WalkSection(file, name));
    return sections;
}

QByteArray Written(const TImpExpFile& file) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    FUZZ_CHECK(file.WriteTo(buffer));
    return buffer.data();
}

void CheckSameLines(const TImpExpFile& a, const TImpExpFile& b) {
    FUZZ_CHECK(a.LineCount() == b.LineCount());
    for (int i = 0; i < a.LineCount(); ++i)
        FUZZ_CHECK(a.Line(i) == b.Line(i) && a.KindOf(i) == b.KindOf(i));
}

bool IsMarker(const QByteArray& line) {
    for (const Kind kind :
         {Kind::Section, Kind::MainFields, Kind::DetailFields, Kind::MainRecord, Kind::DetailRecord})
        if (line == TImpExpFile::MarkerText(kind)) return true;
    return false;
}

// The streaming reader gives each section's records as the cursor reads them in the file as it was read.
// A section named by a marker is damage the two read differently, and no price list has one.
void CheckStreamed(const QString& input, const std::vector<QByteArray>& names) {
    QStringList sections;
    for (const QByteArray& name : names)
        if (!IsMarker(name) && !sections.contains(Cp1251::Decode(name)))
            sections.append(Cp1251::Decode(name));
    TImpExpStream stream(input);
    for (const QString& name : sections)
        stream.AddSection(name);
    std::vector<std::vector<std::vector<TValueSeen>>> streamed(size_t(sections.size()));
    stream.Read(false, [&](TImpExpRecords& records) {
        for (size_t r = 0; r < records.Count; ++r) {
            std::vector<TValueSeen> values;
            for (size_t k = 0; k < records.FieldCount; ++k) {
                const QByteArrayView value = records.Value(r, int(k));
                values.push_back({value.isNull(), value.toByteArray()});
            }
            streamed[size_t(records.Section)].push_back(std::move(values));
        }
    });
    for (qsizetype s = 0; s < sections.size(); ++s) {
        TImpExpFile file(input, false);
        file.OpenSection(sections[s]);
        std::vector<std::vector<TValueSeen>> cursor;
        for (file.First(); file.HasRecord(); file.Next()) {
            cursor.emplace_back();
            for (const auto& f : file.MainFields())
                cursor.back().push_back(Seen(*f));
        }
        FUZZ_CHECK(cursor == streamed[size_t(s)]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzFolder& folder = TFuzzFolder::Get();
    const QString input = folder.Write(QStringLiteral("input.iop"), FuzzInput(data, size));
    std::unique_ptr<TImpExpFile> file;
    if (Refused([&] { file = std::make_unique<TImpExpFile>(input, false); })) return 0;
    CheckStreamed(input, SectionNames(*file));

    // Walking opens only sections that are there, but it gives a section without a field list an empty
    // one (whatever field names follow it are then read only from the next opening on), and such a
    // marker can itself name a section: after a few walks the file stays as it is.
    std::vector<TSectionSeen> sections;
    for (int walks = 0, lines = -1; lines != file->LineCount(); ++walks) {
        FUZZ_CHECK(walks < 8);
        lines = file->LineCount();
        sections = Walk(*file);
    }
    const QByteArray written = Written(*file);
    const QString copy = QStringLiteral("copy.iop");
    file->SaveToFile(folder.Path(copy));
    FUZZ_CHECK(TFuzzFolder::Read(folder.Path(copy)) == written);

    TImpExpFile reread(folder.Path(copy), false);
    CheckSameLines(*file, reread);
    FUZZ_CHECK(Walk(reread) == sections);
    CheckSameLines(*file, reread);
    FUZZ_CHECK(Written(reread) == written);

    // A copy of the first record of the first section that has one, appended, reads back as given.
    const auto withRecord = std::find_if(sections.begin(), sections.end(),
                                         [](const TSectionSeen& s) { return !s.Records.empty(); });
    if (withRecord == sections.end() || withRecord->MainFields.empty()) return 0;
    // A section named by a section marker has the next section inside it: their records are the same lines.
    if (std::any_of(sections.begin(), sections.end(),
                    [](const TSectionSeen& s) { return s.Name == TImpExpFile::MarkerText(Kind::Section); }))
        return 0;
    const TRecordSeen& record = withRecord->Records.front();
    reread.OpenSection(Cp1251::Decode(withRecord->Name));
    reread.ClearValues();
    for (size_t k = 0; k < record.Main.size(); ++k)
        if (!record.Main[k].Null) reread.MainFields()[k]->Value = TValue::FromBytes(record.Main[k].Bytes);
    reread.AppendRecord();
    reread.SaveToFile(folder.Path(copy));

    TImpExpFile appended(folder.Path(copy), false);
    std::vector<TSectionSeen> expected = sections;
    for (TSectionSeen& s : expected) {
        if (s.Name != withRecord->Name) continue;
        TRecordSeen copied{{}, std::vector<TValueSeen>(s.DetailFields.size())};
        for (const TValueSeen& value : record.Main)
            copied.Main.push_back({false, Harmless(value.Bytes)});
        s.Records.push_back(std::move(copied));
    }
    FUZZ_CHECK(Walk(appended) == expected);
    return 0;
}
