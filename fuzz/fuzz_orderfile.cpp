// The order file reader on any bytes: a file it takes is written back by the order writer and reads back
// the same, numbers of the lines with the very text they had (a value that spells a marker line loses its
// TABs).
#include "FuzzSupport.h"
#include "FuzzTableFile.h"

#include "order/OrderFile.h"
#include "text/TextForms.h"

#include <cmath>

namespace {

// The discount is written in the file's fixed form, its fraction cut to seven digits; the screen shows
// it computed anew, so only that cut may change it.
bool SameDiscount(double read, double reread) {
    if (!(std::fabs(read) < 9223372036854775808.0)) return reread == 0; // no integer part to write
    return std::fabs(reread) <= std::fabs(read) && std::fabs(read - reread) <= 1e-7 + std::fabs(read) * 1e-15;
}

void CheckSame(const OrderDocument& a, const OrderDocument& b) {
    const OrderHeader &x = a.Header, &y = b.Header;
    FUZZ_CHECK(Harmless(x.OrderNumber) == y.OrderNumber && x.OrderDate == y.OrderDate);
    FUZZ_CHECK(Harmless(x.OrderComment) == y.OrderComment && Harmless(x.OrgName) == y.OrgName);
    FUZZ_CHECK(Harmless(x.Adress) == y.Adress && Harmless(x.Phone) == y.Phone);
    FUZZ_CHECK(Harmless(x.ContactPerson) == y.ContactPerson &&
               SameDiscount(x.DiscountPercent, y.DiscountPercent));
    FUZZ_CHECK(a.Lines.size() == b.Lines.size());
    for (size_t i = 0; i < a.Lines.size(); ++i) {
        const OrderLine &p = a.Lines[i], &q = b.Lines[i];
        FUZZ_CHECK(Harmless(p.Code) == q.Code && Harmless(p.Name) == q.Name &&
                   Harmless(p.Comment) == q.Comment);
        FUZZ_CHECK(p.Count == q.Count && p.Price == q.Price && p.Summa == q.Summa);
        for (size_t k = 0; k < p.FileTexts.size(); ++k)
            FUZZ_CHECK(Harmless(p.FileTexts[k]) == q.FileTexts[k]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFuzzFolder& folder = TFuzzFolder::Get();
    const QString input = folder.Write(QStringLiteral("input.zkz"), FuzzInput(data, size));
    OrderDocument order;
    if (Refused([&] { order = OrderFile::Read(input); })) return 0;
    // What the reader gives, the numbers included, is what their texts say.
    for (const OrderLine& line : order.Lines) {
        FUZZ_CHECK(line.Count == FileText::ToFloat(line.FileTexts[0]));
        FUZZ_CHECK(line.Price == FileText::ToFloat(line.FileTexts[1]));
        FUZZ_CHECK(line.Summa == FileText::ToFloat(line.FileTexts[2]));
    }

    const QString saved = folder.Path(QStringLiteral("saved.zkz"));
    OrderFile::Write(saved, order.Header, order.Lines);
    const OrderDocument reread = OrderFile::Read(saved);
    CheckSame(order, reread);

    // Saved again untouched, the file stays byte for byte what it was.
    const QByteArray once = TFuzzFolder::Read(saved);
    OrderFile::Write(saved, reread.Header, reread.Lines);
    const OrderDocument third = OrderFile::Read(saved);
    CheckSame(reread, third);
    if (reread.Header.DiscountPercent == third.Header.DiscountPercent)
        FUZZ_CHECK(TFuzzFolder::Read(saved) == once);
    return 0;
}
