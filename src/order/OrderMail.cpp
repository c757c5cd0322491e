#include "OrderMail.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace OrderMail {

QString Title(const OrderHeader& header) {
    return u"Заказ №"_s + header.OrderNumber + u" от "_s +
           QLocale().toString(header.OrderDate, QLocale::ShortFormat);
}

QString Body(const OrderHeader& header) {
    return u"Здравствуйте.\r\n\r\nКонтактная информация.\r\nОрганизация: "_s + header.OrgName +
           u"\r\nТелефон: "_s + header.Phone + u"\r\nАдрес: "_s + header.Adress +
           u"\r\n\r\nС уважением,\r\n   "_s + header.ContactPerson;
}

} // namespace OrderMail
