#pragma once

#include <QString>
#include <QStringView>

// The version of the data files this program reads and writes: the price list, orders and update
// packages all carry it.
namespace FileVersion {

inline constexpr QStringView Current = u"1020";

// Throws the version mismatch message unless found is Current. subject names the file ("файла
// заказа C:\a.zkz"); advice, when given, ends the message.
void Check(const QString& found, const QString& subject, const QString& advice = {});

} // namespace FileVersion
