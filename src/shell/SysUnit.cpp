#include "SysUnit.h"

#include "Platform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <QWidget>

using namespace Qt::StringLiterals;

QString ApplicationTitle() {
    return u"Тевлар"_s;
}

void ShowError(const QString& message) {
    TMessageBox::Show(TMessageBox::Error, u"Ошибка"_s, u"Ошибка!\rТекст ошибки: "_s + message,
                      TMessageBox::Ok, TMessageBox::Ok);
}

void ShowInformation(const QString& text) {
    TMessageBox::Show(TMessageBox::Information, ApplicationTitle(), text, TMessageBox::Ok, TMessageBox::Ok);
}

bool ShowConfirmation(const QString& text) {
    return TMessageBox::Show(TMessageBox::Question, ApplicationTitle(), text,
                             TMessageBox::Ok | TMessageBox::Cancel, TMessageBox::Ok) == TMessageBox::Ok;
}

TMessageBox::Button ShowYesNoCancel(const QString& text) {
    return TMessageBox::Show(TMessageBox::Question, ApplicationTitle(), text,
                             TMessageBox::Yes | TMessageBox::No | TMessageBox::Cancel, TMessageBox::Yes);
}

void CenterOnScreen(QWidget& window) {
    if (const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

bool LoadQtTranslation() {
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QLocale(QLocale::Russian), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString ProgramDir() {
    const QString home = qEnvironmentVariable("TEVLAR_HOME");
    if (!home.isEmpty()) return QDir::cleanPath(QDir(home).absolutePath());
    return QCoreApplication::applicationDirPath();
}

QString TempDir() {
    return ProgramDir() + u"/Temp"_s;
}

QString HelpFile() {
    return ProgramDir() + u"/Help/Tevlar.html"_s;
}

void RegisterOrderFileType() {
    Platform::RegisterOrderFileType(QCoreApplication::applicationFilePath());
}

void SendMail(const QString& recipients, const QString& subject, const QString& body,
              const QString& attachments) {
    Platform::SendMail(recipients, subject, body, attachments);
}

void InitShell(const QStringList& arguments, const std::function<void(const QString&)>& openOrder) {
    RegisterOrderFileType();
    // A folder that cannot be made shows up later, when an update needs it, with its own message.
    QDir().mkpath(TempDir());
    // Absolute, so that the tab and later saves name the file wherever the program runs from.
    if (arguments.size() > 1 && QFileInfo(arguments[1]).isFile())
        openOrder(QFileInfo(arguments[1]).absoluteFilePath());
}
