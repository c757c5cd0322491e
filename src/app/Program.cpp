#include "Program.h"

#include "AboutFormUnit.h"
#include "AutorFormUnit.h"
#include "MainDialogs.h"
#include "MainFormUnit.h"
#include "order/ContactFormUnit.h"
#include "order/EditFormUnit.h"
#include "order/EMAILFormUnit.h"
#include "price/FilterFormUnit.h"
#include "price/TableViewUnit.h"
#include "SelectFormUnit.h"
#include "SettingFormUnit.h"
#include "shell/Application.h"
#include "shell/FlashForm.h"
#include "shell/SysUnit.h"
#include "update/UpgradeFormUnit.h"

using namespace Qt::StringLiterals;

// The order matters: the main window's creation already uses the selection and wait windows, and the
// dialogs are built on the main window's price view, price list and stored values.
TProgram::TProgram(const QStringList& arguments) {
    LoadQtTranslation();
    m_selectForm = std::make_unique<TSelectForm>();
    m_flash = std::make_unique<TFlash>();
    QGuiApplication::setApplicationDisplayName(u"Тевлар"_s);
    m_mainForm = std::make_unique<TMainForm>(*m_selectForm);
    TMainForm* main = m_mainForm.get();
    m_filterForm = std::make_unique<TFilterForm>(*main->Price_Data, *m_selectForm,
                                                 *m_selectForm->Select_Table, main);
    m_upgradeForm = std::make_unique<TUpgradeForm>(main->UpgradeEnvironment(), main);
    m_aboutForm = std::make_unique<TAboutForm>(main->PriceList, main->CopyRecordinStringGrid, main->InfAutor, main);
    m_autorForm = std::make_unique<TAutorForm>(main);
    m_editForm = std::make_unique<TEditForm>(main);
    m_contactForm = std::make_unique<TContactForm>(main);
    m_settingForm = std::make_unique<TSettingForm>(main->FormStorage, main);
    m_emailForm = std::make_unique<TEMAILForm>(main->FormStorage, main);
    main->AttachDialogs({m_filterForm.get(), m_upgradeForm.get(), m_aboutForm.get(), m_autorForm.get(),
                         m_editForm.get(), m_contactForm.get(), m_settingForm.get(), m_emailForm.get()});
    InitShell(arguments, [main](const QString& fileName) { RunHandler([&] { main->OrderOpenFile(fileName); }); });
}

TProgram::~TProgram() = default;
