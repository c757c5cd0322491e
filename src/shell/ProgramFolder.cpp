#include "ProgramFolder.h"

#include "tablefile/ImpExp.h"
#include "text/TException.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

const QString kPriceList = u"data.iop"_s;
const QString kHelpFile = u"Help/Tevlar.html"_s;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TException(u"Невозможно прочитать файл "_s + QDir::toNativeSeparators(path) + u": "_s +
                         file.errorString());
    return file.readAll();
}

// Through a temporary file renamed into place: a failure leaves the older file whole.
void CopyOver(const QString& from, const QString& to) {
    const QByteArray content = ReadAll(from);
    QSaveFile file(to);
    if (!QDir().mkpath(QFileInfo(to).path()) || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(content) != content.size() || !file.commit())
        throw TException(u"Невозможно записать файл "_s + QDir::toNativeSeparators(to) + u": "_s +
                         file.errorString());
}

bool ShippedPriceListIsNewer(const QString& shipped, const QString& own) {
    const QDate shippedDate = ProgramFolder::PriceListDate(shipped);
    const QDate ownDate = ProgramFolder::PriceListDate(own);
    return shippedDate.isValid() && ownDate.isValid() && shippedDate > ownDate;
}

} // namespace

namespace ProgramFolder {

TPlaces CurrentPlaces() {
    TPlaces places;
    places.TevlarHome = qEnvironmentVariable("TEVLAR_HOME");
    places.ExecutableDir = QCoreApplication::applicationDirPath();
    places.DataHome = qEnvironmentVariable("XDG_DATA_HOME");
    // The base directory rules ignore a relative value.
    if (!QDir::isAbsolutePath(places.DataHome)) places.DataHome = QDir::homePath() + u"/.local/share"_s;
    return places;
}

bool IsPerUser(const TPlaces& places) {
    if (!places.TevlarHome.isEmpty()) return false;
    const QFileInfo folder(places.ExecutableDir);
    return !(QFileInfo::exists(places.ExecutableDir + u'/' + kPriceList) && folder.isWritable());
}

QString Resolve(const TPlaces& places) {
    if (!places.TevlarHome.isEmpty()) return QDir::cleanPath(QDir(places.TevlarHome).absolutePath());
    if (!IsPerUser(places)) return QDir::cleanPath(places.ExecutableDir);
    return QDir::cleanPath(places.DataHome + u"/tevlar"_s);
}

QString ShippedDir(const QString& executableDir) {
    return QDir::cleanPath(executableDir + u"/../share/tevlar"_s);
}

void Seed(const QString& folder, const QString& shippedDir) {
    if (!QDir().mkpath(folder))
        throw TException(u"Невозможно создать папку программы "_s + QDir::toNativeSeparators(folder));
    const QString shippedPrice = shippedDir + u'/' + kPriceList;
    const QString ownPrice = folder + u'/' + kPriceList;
    if (QFileInfo::exists(shippedPrice) &&
        (!QFileInfo::exists(ownPrice) || ShippedPriceListIsNewer(shippedPrice, ownPrice)))
        CopyOver(shippedPrice, ownPrice);

    // The help belongs to the program, not to the user: it follows the installed version.
    const QString shippedHelp = shippedDir + u'/' + kHelpFile;
    const QString ownHelp = folder + u'/' + kHelpFile;
    if (QFileInfo::exists(shippedHelp) &&
        (!QFileInfo::exists(ownHelp) || ReadAll(shippedHelp) != ReadAll(ownHelp)))
        CopyOver(shippedHelp, ownHelp);
}

QDate PriceListDate(const QString& dataFile) {
    try {
        TImpExpFile file(dataFile, false);
        file.OpenSection(u"ИНФ_О_ПРАЙСЕ");
        const TFieldValue& parameter = file.FieldByName(u"ПАРАМЕТР");
        const TFieldValue& value = file.FieldByName(u"ЗНАЧЕНИЕ");
        for (file.First(); file.HasRecord(); file.Next()) {
            if (!parameter.AsString().trimmed().startsWith(u"Дата"_s, Qt::CaseInsensitive)) continue;
            // Dates written by the table file carry blanks before one-digit days and months.
            const QString text = value.AsString().remove(u' ');
            return QDate::fromString(text, u"d.M.yyyy"_s);
        }
    } catch (const TException&) {
        // A file that cannot be read has no date; the caller keeps what is there.
    }
    return {};
}

} // namespace ProgramFolder
