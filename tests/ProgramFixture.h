#pragma once

#include "app/MainFormUnit.h"
#include "app/Program.h"

#include <QtTest>

#include <memory>

// The whole program started the way a user starts it, on the program folder that TEVLAR_HOME names.
class TProgramFixture {
protected:
    std::unique_ptr<TProgram> m_program;
    // Program folder and desktop files of the run; the user's own stay untouched.
    static void UseProgramFolder(const QString& home) {
        qputenv("TEVLAR_HOME", QFile::encodeName(home));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/xdg")));
    }

    TMainForm* m_main = nullptr;

    // Windows created, price list loaded, the order file of the arguments opened; not yet shown.
    void StartProgram(const QStringList& arguments = {}) {
        m_program = std::make_unique<TProgram>(QStringList{QStringLiteral("tevlar")} + arguments);
        m_main = &m_program->MainForm();
    }
    void ShowProgram() {
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
    }
    void StartAndShowProgram(const QStringList& arguments = {}) {
        StartProgram(arguments);
        ShowProgram();
    }
    void StopProgram() {
        m_main = nullptr;
        m_program.reset();
    }
};
