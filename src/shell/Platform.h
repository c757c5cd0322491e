#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What the program asks of the operating system. One implementation per system, chosen by CMake.
namespace Platform {

// The desktop's name for the program: its desktop entry (<id>.desktop), AppStream component and
// shared-mime-info package.
inline const QString DesktopId = QStringLiteral("example.developer.Tevlar");
inline const QString OrderMimeType = QStringLiteral("application/x-tevlar-order");

// Keeps the blocks of a few megabytes that sorting, filtering and reading a big price list take and give
// back in the program's heap, rather than mapped anew and faulted in for every use.
void TuneAllocator();

// True when the program file runs from an installed package, whose desktop entry and order file type
// serve every user: the entry lies in ../share/applications beside the program's folder.
bool IsInstalled(const QString& executableDir);

// Makes order files ("*.zkz", "Файл заказа") open in the program at programPath, for the current user;
// the open command carries TEVLAR_HOME=home when home is not empty, so that it finds the same program
// folder. Files are rewritten and the desktop's caches rebuilt only when their contents change. False
// when something could not be written.
bool RegisterOrderFileType(const QString& programPath, const QString& home);

// How a hand-off to another program ended. Done: the program took it over. Cancelled: the user
// declined it there. Failed: it could not happen; Reason says why, in Russian.
struct THandOff {
    enum Kind { Done, Cancelled, Failed } Result = Done;
    QString Reason;
};
using THandOffDone = std::function<void(const THandOff&)>;

struct TMailMessage {
    QStringList Recipients; // one per entry, "Name" <address> or a bare address
    QString Subject;
    QString Body;            // lines ended by LF
    QStringList Attachments; // absolute paths
};

// Hands one message to the user's mail program, which shows it for editing and sending: through the
// desktop portal when one answers on the session bus, else through xdg-email. Returns at once; done
// is called once, later, with the outcome.
void SendMail(const TMailMessage& message, const THandOffDone& done);

// Opens a file, or a web address given with or without a scheme, in the program the desktop
// associates with it; done as for SendMail.
void OpenDocument(const QString& pathOrUrl, const THandOffDone& done);

// Opens a tab-separated Windows-1251 text file (an export) in the desktop's program for its
// extension; LibreOffice is told how to read it.
void OpenTabText(const QString& path, const THandOffDone& done);

} // namespace Platform
