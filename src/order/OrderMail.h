#pragma once

#include "OrderFile.h"

#include <QString>

// The texts an order goes out with by e-mail.
namespace OrderMail {

// "Заказ №7 от 05.03.2004": the order number and its date in the user's short date form. The mail's
// subject and the first line of the order's export.
QString Title(const OrderHeader& header);
// The greeting and the customer's contact data, lines ended by CR LF, signed by the contact person.
QString Body(const OrderHeader& header);

} // namespace OrderMail
