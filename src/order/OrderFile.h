#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <functional>
#include <vector>

struct OrderHeader {
    QString OrderNumber;
    QDate OrderDate;
    QString OrderComment;
    QString OrgName;
    QString Adress;
    QString Phone;
    QString ContactPerson;
    double DiscountPercent = 0;

    bool operator==(const OrderHeader&) const = default;
};

struct OrderLine {
    QString Code;
    QString Name;
    double Count = 0;
    double Price = 0;
    double Summa = 0;
    QString Comment;
    // Count, Price and Summa as the file wrote them; null for a line that was not read. A number whose
    // value is unchanged is written back with this text: the file's fixed form truncates to seven
    // decimals, so 753.06 read back and written anew would drop at every save (753.0599999, ...).
    std::array<QByteArray, 3> FileTexts;
};

struct OrderDocument {
    OrderHeader Header;
    std::vector<OrderLine> Lines;
};

// The order file (.zkz): a table text file with the sections "ДАННЫЕ_ЗАКАЗА", "ЗАКАЗ" and
// "СОСТАВ_ЗАКАЗА". Failures raise TException with the message the user sees.
namespace OrderFile {

// pump, when given, is called once per line read so that the window stays alive.
OrderDocument Read(const QString& fileName, const std::function<void()>& pump = {});
// Writes the whole file anew and replaces the old one only when everything was written.
void Write(const QString& fileName, const OrderHeader& header, const std::vector<OrderLine>& lines);

} // namespace OrderFile
