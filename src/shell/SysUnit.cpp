#include "SysUnit.h"

#include "MailAddress.h"
#include "Platform.h"
#include "ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
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

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(u":/%1x%1/tevlar.png"_s.arg(size), QSize(size, size));
    return icon;
}

void CenterOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // The client area is placed, not the frame: the frame is unknown before the first showing, and a
    // frame position then would put the window lower at every later showing.
    QRect client(QPoint(), window.size());
    client.moveCenter(screen->availableGeometry().center());
    window.setGeometry(client);
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
    return ProgramFolder::Resolve(ProgramFolder::CurrentPlaces());
}

void PrepareProgramDir() {
    const ProgramFolder::TPlaces places = ProgramFolder::CurrentPlaces();
    if (ProgramFolder::IsPerUser(places))
        ProgramFolder::Seed(ProgramFolder::Resolve(places), ProgramFolder::ShippedDir(places.ExecutableDir));
}

QString TempDir() {
    return ProgramDir() + u"/Temp"_s;
}

QString HelpFile() {
    return ProgramDir() + u"/Help/Tevlar.html"_s;
}

void RegisterOrderFileType() {
    if (Platform::IsInstalled(QCoreApplication::applicationDirPath())) return;
    const QString home = qEnvironmentVariable("TEVLAR_HOME");
    Platform::RegisterOrderFileType(QCoreApplication::applicationFilePath(),
                                    home.isEmpty() ? home : ProgramDir());
}

void SendMail(const QString& recipients, const QString& subject, const QString& body,
              const QString& attachments) {
    Platform::TMailMessage message;
    message.Recipients = MailAddress::Split(recipients);
    message.Subject = subject;
    // The mail programs make their own line ends of LF; a CR would double every break.
    message.Body = QString(body).replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    for (const QString& line : attachments.split(u'\n'))
        if (!line.trimmed().isEmpty())
            message.Attachments.append(QFileInfo(line.trimmed()).absoluteFilePath());
    Platform::SendMail(message, [message](const Platform::THandOff& outcome) {
        if (outcome.Result != Platform::THandOff::Failed) return;
        QString text = u"Письмо не передано почтовой программе: "_s + outcome.Reason + u'.';
        for (const QString& path : message.Attachments)
            text += u"\rЗаказ сохранён в файле "_s + QDir::toNativeSeparators(path) +
                    u"\rПриложите этот файл к письму вручную."_s;
        if (message.Attachments.isEmpty() && !message.Recipients.isEmpty())
            text += u"\rАдрес для письма: "_s + message.Recipients.join(u", "_s);
        ShowError(text);
    });
}

void ShellOpen(const QString& pathOrUrl, const QString& failure) {
    Platform::OpenDocument(pathOrUrl, [failure](const Platform::THandOff& outcome) {
        if (outcome.Result == Platform::THandOff::Failed) ShowError(failure + u": "_s + outcome.Reason);
    });
}

void OpenExport(const QString& path) {
    Platform::OpenTabText(path, [path](const Platform::THandOff& outcome) {
        if (outcome.Result == Platform::THandOff::Failed)
            ShowError(u"Не удалось открыть файл "_s + QDir::toNativeSeparators(path) + u": "_s +
                      outcome.Reason);
    });
}

void InitShell(const QStringList& arguments, const std::function<void(const QString&)>& openOrder) {
    RegisterOrderFileType();
    // A folder that cannot be made shows up later, when an update needs it, with its own message.
    QDir().mkpath(TempDir());
    // Absolute, so that the tab and later saves name the file wherever the program runs from.
    if (arguments.size() > 1 && QFileInfo(arguments[1]).isFile())
        openOrder(QFileInfo(arguments[1]).absoluteFilePath());
}
