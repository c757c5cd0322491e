#pragma once

class TAboutForm;
class TAutorForm;
class TContactForm;
class TEMAILForm;
class TEditForm;
class TFilterForm;
class TSettingForm;
class TUpgradeForm;

// The dialogs the main window's commands open. The start-up makes them after the window, because
// they are built on its price view, price list and stored values.
struct TMainDialogs {
    TFilterForm* FilterForm = nullptr;
    TUpgradeForm* UpgradeForm = nullptr;
    TAboutForm* AboutForm = nullptr;
    TAutorForm* AutorForm = nullptr;
    TEditForm* EditForm = nullptr;
    TContactForm* ContactForm = nullptr;
    TSettingForm* SettingForm = nullptr;
    TEMAILForm* EMAILForm = nullptr;
};
