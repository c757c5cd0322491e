// Tevlar, the ordering client of an auto-parts wholesaler. The one argument is an order file to open.
//
// Two environment variables serve runs without a person at the screen:
//   TEVLAR_SCREENSHOT=<file.png>  saves a picture of the main window once it shows the price list,
//                                 then ends the program (exit code 0 when the picture was written);
//   TEVLAR_TEST_ANSWER_OK=1       answers every message box with OK instead of waiting for a click
//                                 and writes the boxes' texts to standard error at exit.
#include "app/MainFormUnit.h"
#include "app/Program.h"
#include "framework/MessageBox.h"
#include "shell/Application.h"

#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Enough for any start-up; a box beyond them shows and waits, which a test sees as a hang.
constexpr int kAnsweredBoxes = 16;
// Time for the window to be laid out and painted before it is grabbed.
constexpr int kScreenshotDelayMs = 1500;

struct TAnsweredBoxes {
    const bool On = qEnvironmentVariableIsSet("TEVLAR_TEST_ANSWER_OK");
    TAnsweredBoxes() {
        for (int i = 0; On && i < kAnsweredBoxes; ++i)
            TMessageBox::SetNextAnswer(TMessageBox::Ok);
    }
    ~TAnsweredBoxes() {
        if (!On) return;
        for (const QString& text : TMessageBox::ShownTexts())
            std::fprintf(stderr, "tevlar: message box: %s\n", qUtf8Printable(text));
    }
};

void ScreenshotAndQuit(QWidget& window, const QString& fileName) {
    // A display without a window manager maximizes nothing.
    if (QScreen* screen = window.screen()) window.setGeometry(screen->availableGeometry());
    QTimer::singleShot(kScreenshotDelayMs, &window, [&window, fileName] {
        QScreen* screen = window.screen();
        const QPixmap picture = screen ? screen->grabWindow(window.winId()) : QPixmap();
        const bool saved = !picture.isNull() && picture.save(fileName, "PNG");
        if (!saved) std::fprintf(stderr, "tevlar: no screenshot written to %s\n", qUtf8Printable(fileName));
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

int Start(TApplication& app) {
    const TProgram program(app.arguments());
    if (TApplication::Terminated()) return TApplication::Run();
    TMainForm& mainForm = program.MainForm();
    mainForm.show();
    if (const QString shot = qEnvironmentVariable("TEVLAR_SCREENSHOT"); !shot.isEmpty())
        ScreenshotAndQuit(mainForm, shot);
    return TApplication::Run();
}

} // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    const TAnsweredBoxes answeredBoxes;
    try {
        return Start(app);
    } catch (...) {
        // A start-up that failed outside any handler: the error is shown and the program ends.
        ApplicationEventsException(std::current_exception());
        return 1;
    }
}
