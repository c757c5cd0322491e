#pragma once

#include <QDate>
#include <QString>

// Where the program keeps data.iop, system.ini, Temp and Help, so that every way of starting it (from
// the menu, from a file manager, from a shell) finds the same folder.
namespace ProgramFolder {

struct TPlaces {
    QString TevlarHome;    // the environment variable TEVLAR_HOME; empty when unset
    QString ExecutableDir; // the folder of the running program file
    QString DataHome;      // $XDG_DATA_HOME, by default ~/.local/share
};
TPlaces CurrentPlaces();

// TEVLAR_HOME when set; else the executable's folder when it holds data.iop and is writable (a
// portable copy); else the per-user folder <data home>/tevlar. Absolute, without a trailing slash.
QString Resolve(const TPlaces& places);
bool IsPerUser(const TPlaces& places);

// What an installed package put beside the program file: <executable>/../share/tevlar.
QString ShippedDir(const QString& executableDir);

// Fills a per-user folder from the shipped files: creates it, copies the price list when the folder
// has none, or when the shipped one is newer and the user has not updated since (its price list date
// is later), and the help file when it is missing or differs. Nothing else is touched. Throws a
// TException when the folder or a file cannot be written.
void Seed(const QString& folder, const QString& shippedDir);

// The date of a price list: the value of the first entry of its price information whose parameter
// begins with "Дата", read as day.month.year; null when there is none or the file cannot be read.
QDate PriceListDate(const QString& dataFile);

} // namespace ProgramFolder
