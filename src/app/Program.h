#pragma once

#include <QStringList>

#include <memory>

class TAboutForm;
class TAutorForm;
class TContactForm;
class TEMAILForm;
class TEditForm;
class TFilterForm;
class TFlash;
class TMainForm;
class TSelectForm;
class TSettingForm;
class TUpgradeForm;

// The program as a user starts it: every window in the start-up order, owned here and torn down in
// reverse. main() and the tests start the program through it.
class TProgram {
public:
    // Creates the windows, loads the price list and opens the order file named by the first argument
    // after the program's name. A failed load asks the application to end (TApplication::Terminated).
    explicit TProgram(const QStringList& arguments);
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    TSelectForm& SelectForm() const { return *m_selectForm; }
    TFlash& Flash() const { return *m_flash; }
    TMainForm& MainForm() const { return *m_mainForm; }
    TFilterForm& FilterForm() const { return *m_filterForm; }
    TUpgradeForm& UpgradeForm() const { return *m_upgradeForm; }
    TAboutForm& AboutForm() const { return *m_aboutForm; }
    TAutorForm& AutorForm() const { return *m_autorForm; }
    TEditForm& EditForm() const { return *m_editForm; }
    TContactForm& ContactForm() const { return *m_contactForm; }
    TSettingForm& SettingForm() const { return *m_settingForm; }
    TEMAILForm& EMAILForm() const { return *m_emailForm; }

private:
    // Declared in the order of creation: members are destroyed in reverse.
    std::unique_ptr<TSelectForm> m_selectForm;
    std::unique_ptr<TFlash> m_flash;
    std::unique_ptr<TMainForm> m_mainForm;
    std::unique_ptr<TFilterForm> m_filterForm;
    std::unique_ptr<TUpgradeForm> m_upgradeForm;
    std::unique_ptr<TAboutForm> m_aboutForm;
    std::unique_ptr<TAutorForm> m_autorForm;
    std::unique_ptr<TEditForm> m_editForm;
    std::unique_ptr<TContactForm> m_contactForm;
    std::unique_ptr<TSettingForm> m_settingForm;
    std::unique_ptr<TEMAILForm> m_emailForm;
};
