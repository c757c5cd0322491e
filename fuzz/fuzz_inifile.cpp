// The INI store on any file and any sequence of writes and deletions (after a "\n@@\n" line, one per line:
// "Wsection|key|value", "Dsection|key", "Esection"): every value written reads back as written (line breaks
// as blanks) until it is deleted, from the store and from the file it saves, and a file saved and read
// again is saved the same, byte for byte.
#include "FuzzSupport.h"

#include "framework/IniFile.h"
#include "text/Cp1251.h"

#include <QBuffer>

#include <map>

using namespace Qt::StringLiterals;

namespace {

// A section or key name the program could use: no character that the file's syntax gives a meaning to,
// no blanks around it.
QString Name(QByteArrayView bytes) {
    QByteArray name;
    for (char c : bytes)
        if (!QByteArrayView("[]=;#\r\n\0", 8).contains(c)) name += c;
    return Cp1251::Decode(name).trimmed().remove(u'\t');
}

QString OneLine(QByteArrayView value) {
    return Cp1251::Decode(value).replace(u'\r', u' ').replace(u'\n', u' ');
}

using TKey = std::pair<QByteArray, QByteArray>; // section and key in lower case

TKey KeyOf(const QString& section, const QString& key) {
    return {AnsiLowerCase(Cp1251::Encode(section)), AnsiLowerCase(Cp1251::Encode(key))};
}

// What the store must give back: the values written and not deleted since, and the sections named.
struct TExpected {
    std::map<TKey, QString> Values;
    std::map<QByteArray, QString> Sections; // by lower case name: a name as written

    void Check(const TIniFile& ini) const {
        for (const auto& [key, value] : Values) {
            const QString section = Sections.at(key.first);
            const QString name = Cp1251::Decode(key.second);
            FUZZ_CHECK(ini.ValueExists(section, name) && ini.ReadString(section, name, u"-"_s) == value);
            FUZZ_CHECK(ini.SectionExists(section));
        }
    }
};

void Run(TIniFile& ini, QByteArrayView operation, TExpected& expected) {
    if (operation.isEmpty()) return;
    const std::vector<QByteArrayView> words = SplitInput(operation.sliced(1), "|", 3);
    const QString section = Name(words[0]);
    if (section.isEmpty()) return;
    expected.Sections.emplace(KeyOf(section, {}).first, section);
    switch (operation.front()) {
    case 'E':
        ini.EraseSection(section);
        FUZZ_CHECK(!ini.SectionExists(section));
        std::erase_if(expected.Values,
                      [&](const auto& v) { return v.first.first == KeyOf(section, {}).first; });
        return;
    case 'W':
    case 'D': {
        const QString key = words.size() > 1 ? Name(words[1]) : QString();
        if (key.isEmpty()) return;
        if (operation.front() == 'D') {
            ini.DeleteKey(section, key);
            expected.Values.erase(KeyOf(section, key));
            return;
        }
        const QByteArrayView value = words.size() > 2 ? words[2] : QByteArrayView();
        ini.WriteString(section, key, Cp1251::Decode(value));
        expected.Values[KeyOf(section, key)] = OneLine(value);
        FUZZ_CHECK(ini.ReadString(section, key) == OneLine(value));
        return;
    }
    default:
        return;
    }
}

QByteArray Saved(const TIniFile& ini) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    FUZZ_CHECK(ini.WriteTo(buffer));
    return buffer.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzFolder& folder = TFuzzFolder::Get();
    const std::vector<QByteArrayView> parts = SplitInput(FuzzInput(data, size), "\n@@\n", 2);
    const QString file = folder.Write(u"system.ini"_s, parts[0]);

    TIniFile ini(file);
    // A file read and saved is saved the same once read again.
    const QByteArray untouched = Saved(ini);
    FUZZ_CHECK(Saved(TIniFile(folder.Write(u"untouched.ini"_s, untouched))) == untouched);

    TExpected expected;
    if (parts.size() > 1)
        for (QByteArrayView operation : SplitInput(parts[1], "\n", 256))
            Run(ini, operation, expected);
    expected.Check(ini);

    const bool modified = ini.Modified();
    ini.UpdateFile();
    FUZZ_CHECK(!ini.Modified());
    // Unchanged, the file is not even written.
    FUZZ_CHECK(TFuzzFolder::Read(file) == (modified ? Saved(ini) : parts[0].toByteArray()));

    const TIniFile reread(file);
    expected.Check(reread);
    FUZZ_CHECK(Saved(reread) == Saved(ini));
    for (const auto& [lower, section] : expected.Sections) {
        FUZZ_CHECK(reread.SectionExists(section) == ini.SectionExists(section));
        FUZZ_CHECK(reread.ReadSectionValues(section) == ini.ReadSectionValues(section));
    }
    return 0;
}
