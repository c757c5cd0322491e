#pragma once

#include <QString>

// What the program asks of the operating system. One implementation per system, chosen by CMake.
// None of these reports a failure to the user: the desktop's own programs do that, if anyone.
namespace Platform {

// Makes order files ("*.zkz", "Файл заказа") open in the program at programPath. Written anew at
// every start; false when something could not be written.
bool RegisterOrderFileType(const QString& programPath);

// Hands one message to the user's mail client, which shows it for editing and sending; does not
// wait for it. Recipients and attachments hold one entry per line; a recipient may read
// "\"Name\" <address>". False when no mail client could be started.
bool SendMail(const QString& recipients, const QString& subject, const QString& body,
              const QString& attachments);

// Opens a file, or a web address given with or without a scheme, in the program the desktop
// associates with it.
bool OpenDocument(const QString& pathOrUrl);

} // namespace Platform
