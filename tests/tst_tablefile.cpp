#include <QtTest>
class TstTableFile : public QObject { Q_OBJECT };
QTEST_MAIN(TstTableFile)
#include "tst_tablefile.moc"
