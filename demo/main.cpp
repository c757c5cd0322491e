// Writes the demo program data: tevlar-demo <folder> [articles] [seed]
#include "DemoData.h"

#include "text/TException.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tevlar-demo <folder> [articles] [seed]\n");
        return 2;
    }
    Demo::Options options;
    if (args.size() > 2) options.Articles = args[2].toInt();
    if (args.size() > 3) options.Seed = args[3].toULongLong();
    try {
        QDir().mkpath(args[1]);
        Demo::WriteDemoDirectory(args[1], options);
    } catch (const TException& e) {
        std::fprintf(stderr, "tevlar-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
