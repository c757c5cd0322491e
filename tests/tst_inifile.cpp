#include "framework/IniFile.h"
#include "text/Cp1251.h"
#include "text/TException.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include "TestFiles.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TstIniFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString Path(const QString& name = u"system.ini"_s) const { return m_dir.filePath(name); }


private Q_SLOTS:
    void init() { QFile::remove(Path()); }

    void missingFileReadsEmptyAndIsNotCreatedUntilWritten() {
        TIniFile ini(Path());
        QCOMPARE(ini.ReadString(u"SYSTEM", u"FOrgName"), QString());
        QCOMPARE(ini.ReadString(u"SYSTEM", u"FOrgName", u"def"_s), u"def"_s);
        QVERIFY(!ini.SectionExists(u"SYSTEM"));
        ini.UpdateFile();
        QVERIFY(!QFile::exists(Path()));

        ini.WriteString(u"SYSTEM", u"FOrgName", u"ООО \"Ромашка\""_s);
        ini.UpdateFile();
        QCOMPARE(ReadBytes(Path()), "[SYSTEM]\r\nFOrgName=" + Cp1251::Encode(u"ООО \"Ромашка\"") + "\r\n");
    }

    void valuesAreRawWindows1251BothWays() {
        // Quotes, semicolons, '=' and blanks around the value are part of it: nothing is unquoted.
        const QByteArray value = Cp1251::Encode(u" \"Ёлка\"; a=b\\c ");
        WriteBytes(Path(), "[SYSTEM]\r\nFAdress=" + value + "\r\n");
        TIniFile ini(Path());
        QCOMPARE(ini.ReadString(u"SYSTEM", u"FAdress"), u" \"Ёлка\"; a=b\\c "_s);

        ini.WriteString(u"SYSTEM", u"FPhone", u"№ 5 «x»"_s);
        ini.UpdateFile();
        QCOMPARE(ReadBytes(Path()),
                 "[SYSTEM]\r\nFAdress=" + value + "\r\nFPhone=" + Cp1251::Encode(u"№ 5 «x»") + "\r\n");
        QCOMPARE(TIniFile(Path()).ReadString(u"SYSTEM", u"FPhone"), u"№ 5 «x»"_s);
    }

    void sectionsAndKeysMatchIgnoringCaseUnderWindows1251() {
        WriteBytes(Path(), Cp1251::Encode(u"[Раздел\\Сетка]\nКлюч.Поле=1\n[system]\nfurl=host\n"));
        TIniFile ini(Path());
        QCOMPARE(ini.ReadString(u"РАЗДЕЛ\\СЕТКА", u"ключ.поле"), u"1"_s);
        QCOMPARE(ini.ReadString(u"SYSTEM", u"FURL"), u"host"_s);
        QVERIFY(!ini.SectionExists(u"РАЗДЕЛ"));

        // Writing through another spelling replaces the value, it does not add a second line.
        ini.WriteString(u"System", u"FUrl", u"other");
        ini.UpdateFile();
        QCOMPARE(ReadBytes(Path()),
                 Cp1251::Encode(u"[Раздел\\Сетка]\r\nКлюч.Поле=1\r\n[system]\r\nfurl=other\r\n"));
    }

    void backslashSectionsAreSeparateFromTheirPrefix() {
        TIniFile ini(Path());
        ini.WriteString(u"SYSTEM", u"FURL", u"a");
        ini.WriteString(u"SYSTEM\\Price_DataTableViewGrid", u"TableViewGrid.Name", u"1,120");
        ini.WriteString(u"SYSTEM", u"FProxi", u"b");
        ini.UpdateFile();
        QCOMPARE(ReadBytes(Path()), QByteArray("[SYSTEM]\r\nFURL=a\r\nFProxi=b\r\n"
                                               "[SYSTEM\\Price_DataTableViewGrid]\r\n"
                                               "TableViewGrid.Name=1,120\r\n"));
        TIniFile again(Path());
        QCOMPARE(again.ReadSectionValues(u"system\\price_datatableviewgrid"),
                 (QList<std::pair<QString, QString>>{{u"TableViewGrid.Name"_s, u"1,120"_s}}));
    }

    void unknownLinesAreKept() {
        const QByteArray original = Cp1251::Encode(u"; заголовок без раздела\r\n"
                                                   u"мусор\x01\r\n"
                                                   u"[SYSTEM]\r\n"
                                                   u"# комментарий\r\n"
                                                   u"строка без знака равенства\r\n"
                                                   u"=без ключа\r\n"
                                                   u"FOrgName=old\r\n"
                                                   u"\r\n"
                                                   u"[broken\r\n"
                                                   u"[OTHER]\r\n"
                                                   u"x=1\r\n");
        WriteBytes(Path(), original);
        TIniFile ini(Path());
        ini.WriteString(u"SYSTEM", u"FOrgName", u"new");
        ini.WriteString(u"SYSTEM", u"FPhone", u"2");
        ini.UpdateFile();
        // The new key goes after the section's last entry, before its trailing blank line.
        QByteArray expected = original;
        expected.replace("FOrgName=old\r\n\r\n[broken\r\n", "FOrgName=new\r\n\r\n[broken\r\nFPhone=2\r\n");
        QCOMPARE(ReadBytes(Path()), expected);
    }

    void newKeyGoesBeforeTheBlankLinesOfItsSection() {
        WriteBytes(Path(), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
        TIniFile ini(Path());
        ini.WriteString(u"A", u"z", u"3");
        ini.UpdateFile();
        QCOMPARE(ReadBytes(Path()), QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"));
    }

    void lineBreaksInAValueCannotInjectLines() {
        TIniFile ini(Path());
        ini.WriteString(u"SYSTEM", u"FOrgName", u"a\r\n[EVIL]\nb=c");
        ini.UpdateFile();
        TIniFile again(Path());
        QVERIFY(!again.SectionExists(u"EVIL"));
        QCOMPARE(again.ReadString(u"SYSTEM", u"FOrgName"), u"a  [EVIL] b=c"_s);
    }

    void eraseSectionRemovesEveryCopyAndKeepsTheRest() {
        WriteBytes(Path(), "[G]\r\na=1\r\n[S]\r\nk=v\r\n[g]\r\nb=2\r\n");
        TIniFile ini(Path());
        QCOMPARE(ini.ReadString(u"G", u"b"), QString()); // the first copy wins, as on Windows
        ini.EraseSection(u"G");
        ini.DeleteKey(u"S", u"K");
        ini.UpdateFile();
        QCOMPARE(ReadBytes(Path()), QByteArray("[S]\r\n"));
    }

    void duplicateKeysReadTheFirst() {
        WriteBytes(Path(), "[S]\nk=1\nK=2\nother=3\n");
        TIniFile ini(Path());
        QCOMPARE(ini.ReadString(u"S", u"k"), u"1"_s);
        QCOMPARE(ini.ReadSectionValues(u"S").size(), 2);
    }

    void unchangedFileIsNotRewritten() {
        WriteBytes(Path(), "[S]\nk=1\n"); // LF only: a rewrite would turn it into CR LF
        TIniFile ini(Path());
        ini.WriteString(u"S", u"K", u"1");
        QVERIFY(!ini.Modified());
        ini.UpdateFile();
        QCOMPARE(ReadBytes(Path()), QByteArray("[S]\nk=1\n"));
    }

    void failedWritesReportAndLoseNothing() {
        // The folder is missing: a Russian message, nothing half written.
        TIniFile nowhere(m_dir.filePath(u"missing/system.ini"_s));
        nowhere.WriteString(u"S", u"k", u"v");
        try {
            nowhere.UpdateFile();
            QFAIL("no exception");
        } catch (const TException& e) {
            QVERIFY2(e.Message().startsWith(u"Не удалось записать файл"), qPrintable(e.Message()));
        }

        // A path that exists but cannot be read is never overwritten by what little was understood.
        const QString folder = Path(u"folder.ini"_s);
        QVERIFY(QDir().mkpath(folder));
        TIniFile unreadable(folder);
        QCOMPARE(unreadable.ReadString(u"S", u"k"), QString());
        unreadable.WriteString(u"S", u"k", u"v");
        QVERIFY_THROWS_EXCEPTION(TException, unreadable.UpdateFile());
        QVERIFY(QFileInfo(folder).isDir());
    }
};

QTEST_GUILESS_MAIN(TstIniFile)
#include "tst_inifile.moc"
