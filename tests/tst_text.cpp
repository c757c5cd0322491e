#include <QtTest>
class TstText : public QObject { Q_OBJECT };
QTEST_MAIN(TstText)
#include "tst_text.moc"
