#include "app/MainFormUnit.h"
#include "app/SelectFormUnit.h"
#include "demo/DemoData.h"
#include "framework/FileDialog.h"
#include "framework/MemTable.h"
#include "framework/MessageBox.h"
#include "HttpTestServer.h"
#include "ModalHelper.h"
#include "price/TableViewUnit.h"
#include "ProgramFixture.h"
#include "shell/FlashForm.h"
#include "update/PackageSignature.h"
#include "update/UpdateSignature.h"
#include "update/UpgradeFormUnit.h"

#include "TestFiles.h"
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using TReply = THttpTestServer::TReply;
using TKind = TSignatureError::TKind;

const QString kErrorPrefix = u"Ошибка!\rТекст ошибки: "_s;
const QString kComment = u"Прайс-лист от 01.03.2024"_s;

// A key pair made by the real minisign program, its secret key without a password.
class Minisign {
public:
    Minisign(const QString& folder, const QString& name)
        : m_public(folder + u'/' + name + u".pub"_s), m_secret(folder + u'/' + name + u".key"_s) {
        m_ok = Run({u"-G"_s, u"-f"_s, u"-W"_s, u"-p"_s, m_public, u"-s"_s, m_secret});
    }
    bool Ok() const { return m_ok; }
    QString PublicFile() const { return m_public; }
    // The line the vendor pins: the second of minisign.pub.
    QString KeyLine() const { return QString::fromLatin1(ReadBytes(m_public).split('\n').value(1)); }
    // Writes <file>.minisig; prehashed unless legacy.
    bool Sign(const QString& file, bool legacy = false, const QString& comment = kComment) const {
        QStringList arguments{u"-S"_s, u"-s"_s, m_secret, u"-t"_s, comment, u"-m"_s, file};
        if (legacy) arguments << u"-l"_s;
        return Run(arguments);
    }

private:
    static bool Run(const QStringList& arguments) {
        QProcess minisign;
        minisign.start(u"minisign"_s, arguments);
        minisign.closeWriteChannel();
        return minisign.waitForFinished(30000) && minisign.exitStatus() == QProcess::NormalExit &&
               minisign.exitCode() == 0;
    }

    QString m_public, m_secret;
    bool m_ok = false;
};

QByteArray Line(const QByteArray& file, int index) {
    return file.split('\n').value(index);
}

QByteArray ReplaceLine(const QByteArray& file, int index, const QByteArray& line) {
    QList<QByteArray> lines = file.split('\n');
    lines[index] = line;
    return lines.join('\n');
}

// The signature line with `bytes` written over its decoded form at `at`.
QByteArray PatchSignatureLine(const QByteArray& file, qsizetype at, const QByteArray& bytes) {
    QByteArray decoded = QByteArray::fromBase64(Line(file, 1));
    decoded.replace(at, bytes.size(), bytes);
    return ReplaceLine(file, 1, decoded.toBase64());
}

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
}

// Every file of the folder with its bytes.
QMap<QString, QByteArray> Contents(const QString& folder) {
    QMap<QString, QByteArray> contents;
    for (const QString& name : Files(folder))
        contents[name] = ReadBytes(folder + u'/' + name);
    return contents;
}

} // namespace

class TstSignature : public QObject, TProgramFixture {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<Minisign> m_vendor, m_stranger;
    std::vector<Demo::Article> m_articles, m_update;

    QString Home(const QString& name) const { return m_home.filePath(name); }
    QString Temp() const { return Home(u"Temp"_s); }
    QString Zip() const { return Home(u"upgrade.zip"_s); }
    QString Signature() const { return SignatureFileOf(Zip()); }

    int PriceCount() const { return m_main->Price_Data->Table->TotalRecordCount(); }
    bool Restored() const {
        return !m_program->Flash().isVisible() && m_main->isEnabled() &&
               !m_program->UpgradeForm().isVisible() && !QApplication::overrideCursor();
    }

    // Presses Continue on the update dialog; the signature line it showed, empty when hidden.
    static std::shared_ptr<ModalOutcome> Continue(QString& signatureShown) {
        return OnNextModal([&signatureShown](QWidget* dialog) {
            QCOMPARE(dialog->objectName(), u"UpgradeForm"_s);
            const auto* label = dialog->findChild<QLabel*>(u"SignatureInfo"_s);
            signatureShown = label->isVisible() ? label->text() : QString();
            dialog->findChild<QPushButton*>(u"Button_Continue"_s)->click();
        });
    }

    QString Refused(const QString& message) const { return kErrorPrefix + message; }

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(m_home.isValid());
        UseProgramFolder(m_home.path());
        qunsetenv("http_proxy");
        qunsetenv("HTTP_PROXY");
        m_vendor = std::make_unique<Minisign>(m_home.path(), u"vendor"_s);
        m_stranger = std::make_unique<Minisign>(m_home.path(), u"stranger"_s);
        QVERIFY2(m_vendor->Ok() && m_stranger->Ok(), "minisign could not make the keys");
        m_articles = Demo::MakeArticles({.Articles = 60, .Seed = 7});
        m_update = Demo::MakeUpdate(m_articles, {.Articles = 60, .Seed = 7});
        Demo::WriteUpdatePackage(Home(u"upgrade.upr"_s), m_update);
    }

    void init() {
        QDir(Temp()).removeRecursively();
        QVERIFY(QDir().mkpath(Temp()));
        Demo::WritePriceList(Home(u"data.iop"_s), m_articles);
        Demo::ZipUpdatePackage(Home(u"upgrade.upr"_s), Zip());
        QFile::remove(Signature()); // it may be a link to an endless device
        QVERIFY(m_vendor->Sign(Zip()));
        QFile::remove(Home(u"system.ini"_s));
        SetPinnedUpdateKey(m_vendor->KeyLine());
        TMessageBox::Reset();
        TFileDialog::Reset();
    }

    void cleanup() { StopProgram(); }
    void cleanupTestCase() { SetPinnedUpdateKey({}); }

    // The verifier against minisign's own files

    void signedPackagePasses_data() {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<QString>("change"); // what may change without harm
        QTest::newRow("prehashed") << false << QString();
        QTest::newRow("legacy") << true << QString();
        QTest::newRow("untrusted comment changed") << false << u"untrusted"_s;
        QTest::newRow("Windows line breaks") << true << u"crlf"_s;
    }
    void signedPackagePasses() {
        QFETCH(bool, legacy);
        QFETCH(QString, change);
        QVERIFY(m_vendor->Sign(Zip(), legacy));
        QByteArray signature = ReadBytes(Signature());
        QCOMPARE(QByteArray::fromBase64(Line(signature, 1)).left(2), legacy ? "Ed" : "ED");
        if (change == u"untrusted"_s) signature = ReplaceLine(signature, 0, "untrusted comment: anything");
        if (change == u"crlf"_s) signature.replace("\n", "\r\n");
        WriteBytes(Signature(), signature);
        const TMinisignKey key = TPackageSignature::PinnedKey(m_vendor->KeyLine());
        int pumped = 0;
        QCOMPARE(TPackageSignature::Verify(Zip(), Signature(), key, [&pumped] { ++pumped; }), kComment);
        QCOMPARE(pumped > 0, !legacy);
    }

    void keyLines() {
        const QByteArray pub = ReadBytes(m_vendor->PublicFile());
        const auto key = TMinisignKey::Parse(Line(pub, 1));
        QVERIFY(key);
        QCOMPARE(key->Key.size(), TMinisignKey::kKeySize);
        // The id as minisign names it in the file's comment.
        QCOMPARE(Line(pub, 0),
                 "untrusted comment: minisign public key " + TMinisignKey::KeyIdText(key->KeyId).toLatin1());
        const auto whole = TMinisignKey::Parse(pub);
        QVERIFY(whole && whole->Key == key->Key && whole->KeyId == key->KeyId);
        const QByteArray signatureLine = Line(ReadBytes(Signature()), 1);
        for (const QByteArray& bad : {QByteArray(), QByteArray("RWQ"), Line(pub, 1).chopped(4), signatureLine,
                                      "untrusted comment: x\n" + signatureLine,
                                      Line(pub, 1) + "\n" + Line(pub, 1), Line(pub, 1) + "A"})
            QVERIFY2(!TMinisignKey::Parse(bad), bad.constData());
    }

    // Only the one text that encodes the bytes: the base64 decoder alone takes a stray last character or
    // a line cut in its padding.
    void base64IsStrict() {
        const QByteArray signature = ReadBytes(Signature());
        QVERIFY(TMinisignSignature::Parse(signature));
        for (int line : {1, 3}) {
            QVERIFY(!TMinisignSignature::Parse(ReplaceLine(signature, line, Line(signature, line) + "A")));
            QVERIFY(
                !TMinisignSignature::Parse(ReplaceLine(signature, line, Line(signature, line).chopped(1))));
        }
    }

    // The manual update with a pinned key

    void manualUpdateShowsTheCheckedSignature_data() {
        QTest::addColumn<bool>("legacy");
        QTest::newRow("prehashed") << false;
        QTest::newRow("legacy") << true;
    }
    void manualUpdateShowsTheCheckedSignature() {
        QFETCH(bool, legacy);
        QVERIFY(m_vendor->Sign(Zip(), legacy, kComment + u"\tfile:upgrade.zip"_s));
        StartProgram();
        TFileDialog::SetNextFileName(Zip());
        QString shown;
        auto dialog = Continue(shown);
        m_main->PriceUpdateManual->trigger();
        QVERIFY(dialog->Ok());
        QCOMPARE(shown, u"Подпись поставщика проверена. Комментарий поставщика: "_s + kComment +
                            u"  file:upgrade.zip"_s);
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QCOMPARE(PriceCount(), int(m_update.size()));
        QVERIFY(!m_program->UpgradeForm().SignatureComment);
        QVERIFY(Restored());
    }

    void refusedPackageChangesNothing_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        const QString zip = m_home.filePath(u"upgrade.zip"_s);
        const QString signature = SignatureFileOf(zip);
        const QString refused = u" Обновление не применено."_s;
        const QString packageChanged = u"Файл обновления "_s + zip +
                                       u" не соответствует подписи поставщика: он изменён или повреждён "
                                       u"после подписания."_s +
                                       refused;
        const QString signatureChanged =
            u"Файл подписи "_s + signature +
            u" изменён или повреждён: его подписанный комментарий не подтверждён ключом поставщика."_s +
            refused;
        const QString malformed =
            u"Файл подписи "_s + signature + u" повреждён или не является подписью minisign."_s + refused;
        QTest::newRow("package byte, prehashed") << u"package"_s << int(TKind::Mismatch) << packageChanged;
        QTest::newRow("package byte, legacy")
            << u"package legacy"_s << int(TKind::Mismatch) << packageChanged;
        QTest::newRow("signature byte") << u"signature"_s << int(TKind::Mismatch) << signatureChanged;
        // The global signature does not cover the algorithm: the package check refuses it.
        QTest::newRow("legacy made prehashed") << u"algorithm"_s << int(TKind::Mismatch) << packageChanged;
        QTest::newRow("trusted comment") << u"comment"_s << int(TKind::Mismatch) << signatureChanged;
        QTest::newRow("other key")
            << u"stranger"_s << int(TKind::WrongKey)
            << u"Файл обновления "_s + zip +
                   u" подписан не ключом поставщика (ключ подписи %1, ключ поставщика %2): "
                   u"файл мог быть подменён."_s +
                   refused;
        QTest::newRow("other key under the vendor's id")
            << u"forged id"_s << int(TKind::Mismatch) << signatureChanged;
        QTest::newRow("missing") << u"missing"_s << int(TKind::Missing)
                                 << u"Файл обновления "_s + zip +
                                        u" не подписан поставщиком: рядом с ним нет файла подписи "_s +
                                        signature + u"."_s + refused;
        QTest::newRow("truncated") << u"truncated"_s << int(TKind::Malformed) << malformed;
        QTest::newRow("empty") << u"empty"_s << int(TKind::Malformed) << malformed;
        QTest::newRow("10 MB") << u"10 MB"_s << int(TKind::Malformed) << malformed;
        QTest::newRow("endless") << u"endless"_s << int(TKind::Malformed) << malformed;
        QTest::newRow("pinned key unreadable")
            << u"key"_s << int(TKind::Malformed)
            << u"Ключ поставщика для проверки подписей обновлений задан неверно: обратитесь к поставщику "
               u"программы."_s +
                   refused;
    }
    void refusedPackageChangesNothing() {
        QFETCH(QString, damage);
        QFETCH(int, kind);
        QFETCH(QString, message);
        const QByteArray signature = ReadBytes(Signature());
        if (damage == u"package"_s || damage == u"package legacy"_s) {
            if (damage.endsWith(u"legacy"_s)) QVERIFY(m_vendor->Sign(Zip(), true));
            QByteArray zip = ReadBytes(Zip());
            zip[zip.size() / 2] = char(zip[zip.size() / 2] ^ 1);
            WriteBytes(Zip(), zip);
        } else if (damage == u"signature"_s) {
            const char byte = QByteArray::fromBase64(Line(signature, 1)).at(40);
            WriteBytes(Signature(), PatchSignatureLine(signature, 40, QByteArray(1, char(byte ^ 0x10))));
        } else if (damage == u"algorithm"_s) {
            QVERIFY(m_vendor->Sign(Zip(), true));
            WriteBytes(Signature(), PatchSignatureLine(ReadBytes(Signature()), 0, "ED"));
        } else if (damage == u"comment"_s) {
            WriteBytes(Signature(), ReplaceLine(signature, 2, "trusted comment: Прайс-лист от 01.04.2024"));
        } else if (damage == u"stranger"_s || damage == u"forged id"_s) {
            QVERIFY(m_stranger->Sign(Zip()));
            const QByteArray vendorId = QByteArray::fromBase64(m_vendor->KeyLine().toLatin1()).mid(2, 8);
            const QByteArray strangerId = QByteArray::fromBase64(m_stranger->KeyLine().toLatin1()).mid(2, 8);
            if (damage == u"forged id"_s)
                WriteBytes(Signature(), PatchSignatureLine(ReadBytes(Signature()), 2, vendorId));
            else
                message = message.arg(TMinisignKey::KeyIdText(strangerId), TMinisignKey::KeyIdText(vendorId));
        } else if (damage == u"missing"_s) {
            QFile::remove(Signature());
        } else if (damage == u"truncated"_s) {
            WriteBytes(Signature(), signature.left(signature.size() - 30));
        } else if (damage == u"empty"_s) {
            WriteBytes(Signature(), {});
        } else if (damage == u"10 MB"_s) {
            WriteBytes(Signature(), signature + QByteArray(10 * 1024 * 1024, 'A'));
        } else if (damage == u"endless"_s) {
            // A reader that wanted the whole file would never come back.
            QFile::remove(Signature());
            QVERIFY(QFile::link(u"/dev/zero"_s, Signature()));
        } else if (damage == u"key"_s) {
            SetPinnedUpdateKey(m_vendor->KeyLine().chopped(2));
        }

        try {
            CheckUpdateSignature(Zip());
            QFAIL("the package was accepted");
        } catch (const TSignatureError& e) {
            QCOMPARE(e.Message(), message);
            QCOMPARE(int(e.Kind()), kind);
        }

        // The same through the command: nothing unpacked, nothing applied, no dialog.
        StartProgram();
        WriteBytes(Temp() + u"/upgrade.upr"_s, "an older package");
        const QMap<QString, QByteArray> temp = Contents(Temp());
        const QByteArray data = ReadBytes(Home(u"data.iop"_s));
        TFileDialog::SetNextFileName(Zip());
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        m_main->PriceUpdateManual->trigger();
        QCOMPARE(TMessageBox::ShownTexts(), QStringList{Refused(message)});
        QCOMPARE(ReadBytes(Home(u"data.iop"_s)), data);
        QCOMPARE(Contents(Temp()), temp);
        QCOMPARE(PriceCount(), int(m_articles.size()));
        QVERIFY(Restored());
    }

    void withoutAKeyNothingIsAsked() {
        SetPinnedUpdateKey(u""_s);
        WriteBytes(Signature(), "not a signature");
        QVERIFY(!CheckUpdateSignature(Zip()));
        QFile::remove(Signature());
        StartProgram();
        TFileDialog::SetNextFileName(Zip());
        QString shown = u"?"_s;
        auto dialog = Continue(shown);
        m_main->PriceUpdateManual->trigger();
        QVERIFY(dialog->Ok());
        QCOMPARE(shown, QString());
        QVERIFY(TMessageBox::ShownTexts().isEmpty());
        QCOMPARE(PriceCount(), int(m_update.size()));
    }

    // The automatic update with a pinned key

    void downloadFetchesAndChecksTheSignature_data() {
        QTest::addColumn<bool>("proxy");
        QTest::newRow("direct") << false;
        QTest::newRow("through a proxy") << true;
    }
    void downloadFetchesAndChecksTheSignature() {
        QFETCH(bool, proxy);
        const QByteArray package = ReadBytes(Zip()), signature = ReadBytes(Signature());
        THttpTestServer server([&](const QByteArray& request) {
            const QByteArray target = request.split(' ').value(1);
            const QByteArray& body = target.contains(".minisig") ? signature : package;
            return TReply{THttpTestServer::Response("200 OK",
                                                    {"Content-Length: " + QByteArray::number(body.size())},
                                                    THttpTestServer::IsHead(request) ? QByteArray() : body)};
        });
        StartProgram();
        const QString host = proxy ? u"updates.velstron.example"_s : QString::fromLatin1(server.HostPort());
        m_main->FormStorage.SetStoredValue(TStoredValue::FURL, host + u"/upload/upgrade.zip?v=2"_s);
        if (proxy) {
            m_main->FormStorage.SetStoredValue(TStoredValue::FProxi, u"127.0.0.1"_s);
            m_main->FormStorage.SetStoredValue(TStoredValue::FProxiPort, QString::number(server.Port()));
        }
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        QString shown;
        auto dialog = Continue(shown);
        m_main->PriceUpdateAuto->trigger();
        QVERIFY(dialog->Ok());
        QCOMPARE(shown, u"Подпись поставщика проверена. Комментарий поставщика: "_s + kComment);
        const QByteArray origin = proxy ? "http://updates.velstron.example" : QByteArray();
        QList<QByteArray> lines;
        for (const QByteArray& request : server.Requests())
            lines << request.left(request.indexOf("\r\n"));
        QCOMPARE(lines, (QList<QByteArray>{"HEAD " + origin + "/upload/upgrade.zip?v=2 HTTP/1.0",
                                           "GET " + origin + "/upload/upgrade.zip?v=2 HTTP/1.0",
                                           "GET " + origin + "/upload/upgrade.zip.minisig?v=2 HTTP/1.0"}));
        QCOMPARE(Files(Temp()), (QStringList{u"upgrade.zip"_s, u"upgrade.zip.minisig"_s}));
        QCOMPARE(ReadBytes(Temp() + u"/upgrade.zip.minisig"_s), signature);
        QCOMPARE(PriceCount(), int(m_update.size()));
        QVERIFY(Restored());
    }

    void refusedDownloadLeavesTempAsItWas_data() {
        QTest::addColumn<QByteArray>("status"); // of the signature
        QTest::addColumn<bool>("stranger");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("message");
        QTest::newRow("signature missing")
            << QByteArray("404 Not Found") << false << false
            << u"Не удалось загрузить подпись файла обновления %1: 404 Not Found."_s;
        QTest::newRow("signature cancelled")
            << QByteArray("200 OK") << false << true
            << u"Не удалось загрузить подпись файла обновления %1: 404 Connection aborted on request."_s;
        QTest::newRow("other key") << QByteArray("200 OK") << true << false << QString();
        QTest::newRow("signature of 10 MB")
            << QByteArray("200 OK") << false << false
            << u"Не удалось загрузить подпись файла обновления %1: Загрузка остановлена: документ больше "
               u"допустимого размера (8193 байт)."_s;
    }
    void refusedDownloadLeavesTempAsItWas() {
        QFETCH(QByteArray, status);
        QFETCH(bool, stranger);
        QFETCH(bool, cancel);
        QFETCH(QString, message);
        if (stranger) QVERIFY(m_stranger->Sign(Zip()));
        const QByteArray package = ReadBytes(Zip());
        QByteArray signature = ReadBytes(Signature());
        if (QByteArray(QTest::currentDataTag()).contains("10 MB")) signature += QByteArray(10 << 20, 'A');
        THttpTestServer server([&](const QByteArray& request) {
            if (!request.contains(".minisig"))
                return TReply{THttpTestServer::Response(
                    "200 OK", {}, THttpTestServer::IsHead(request) ? QByteArray() : package)};
            // A cancelled signature is held open after its first bytes.
            const qsizetype length = cancel ? 10000 : signature.size();
            return TReply{THttpTestServer::Response(status, {"Content-Length: " + QByteArray::number(length)},
                                                    signature),
                          cancel};
        });
        StartProgram();
        const QString url = QString::fromLatin1(server.HostPort()) + u"/upgrade.zip"_s;
        m_main->FormStorage.SetStoredValue(TStoredValue::FURL, url);
        WriteBytes(Temp() + u"/upgrade.zip"_s, "an older package");
        const QMap<QString, QByteArray> temp = Contents(Temp());
        const QByteArray data = ReadBytes(Home(u"data.iop"_s));
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (m_program->Flash()
                    .findChild<QLabel*>(u"FlashLabel"_s)
                    ->text()
                    .contains(u".minisig\nЗакачано"_s))
                m_program->Flash().findChild<QPushButton*>(u"CancelButton"_s)->click();
        });
        if (cancel) watch.start(5);
        TMessageBox::SetNextAnswer(TMessageBox::Ok);
        m_main->PriceUpdateAuto->trigger();
        if (stranger)
            QVERIFY(TMessageBox::ShownTexts().value(0).contains(u" подписан не ключом поставщика"_s));
        else
            QCOMPARE(TMessageBox::ShownTexts(),
                     QStringList{Refused(message.arg(u"http://"_s + url + u".minisig"_s) +
                                         u" Обновление не применено."_s)});
        QCOMPARE(Contents(Temp()), temp);
        QCOMPARE(ReadBytes(Home(u"data.iop"_s)), data);
        QVERIFY(Restored());
    }
};

QTEST_MAIN(TstSignature)
#include "tst_signature.moc"
