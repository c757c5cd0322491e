#include "SysUnit.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

void ShowError(const QString& message) {
    TMessageBox::Show(TMessageBox::Error, u"Ошибка"_s, u"Ошибка!\rТекст ошибки: "_s + message,
                      TMessageBox::Ok, TMessageBox::Ok);
}

void ShowInformation(const QString& text) {
    TMessageBox::Show(TMessageBox::Information, QGuiApplication::applicationDisplayName(), text,
                      TMessageBox::Ok, TMessageBox::Ok);
}

bool ShowConfirmation(const QString& text) {
    return TMessageBox::Show(TMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                             TMessageBox::Ok | TMessageBox::Cancel, TMessageBox::Ok) == TMessageBox::Ok;
}

TMessageBox::Button ShowYesNoCancel(const QString& text) {
    return TMessageBox::Show(TMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                             TMessageBox::Yes | TMessageBox::No | TMessageBox::Cancel, TMessageBox::Yes);
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
