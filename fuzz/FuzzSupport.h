#pragma once

// What the fuzz targets share. A property that does not hold aborts, so that libFuzzer keeps the input
// as a crash like any sanitizer finding.

#include "text/TException.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

[[noreturn]] inline void FuzzFailed(const char* property, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, property);
    std::abort();
}

#define FUZZ_CHECK(property) ((property) ? void() : FuzzFailed(#property, __FILE__, __LINE__))

inline QByteArrayView FuzzInput(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), qsizetype(size)};
}

// Run once before the first input (FuzzSupport.cpp's LLVMFuzzerInitialize), after the program's own
// setting: numbers and texts as a Russian user sees them. A target that needs fixed files defines it;
// the others get the empty one.
void FuzzPrepare();

// A private folder for the files the code under test reads and writes; it lives as long as the process.
class TFuzzFolder {
public:
    static TFuzzFolder& Get() {
        static TFuzzFolder folder;
        return folder;
    }

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QString Write(const QString& name, QByteArrayView bytes) const {
        const QString path = Path(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes.data(), bytes.size()) != bytes.size())
            FuzzFailed("the fuzz folder takes a file", __FILE__, __LINE__);
        return path;
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Every file of the folder but the given ones is removed: each input starts from the same state.
    void Clean(const QStringList& keep = {}) const {
        for (const QString& name :
             QDir(m_dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
            if (!keep.contains(name)) {
                QFileInfo info(Path(name));
                if (info.isDir() && !info.isSymLink())
                    QDir(info.filePath()).removeRecursively();
                else
                    QFile::remove(info.filePath());
            }
    }

    QStringList Entries() const {
        return QDir(m_dir.path())
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }

private:
    // The working folder too: a file written under a relative name lands where a target sees it.
    TFuzzFolder() { FUZZ_CHECK(m_dir.isValid() && QDir::setCurrent(m_dir.path())); }
    // In memory where there is such a folder: every input writes files, and saving syncs them.
    static QString Base() {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        return (shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath()) +
               QStringLiteral("/tevlar-fuzz-XXXXXX");
    }
    QTemporaryDir m_dir{Base()};
};

// The parts of an input separated by a marker line, so that seeds stay readable: at most maxParts, the
// last one taking the rest.
inline std::vector<QByteArrayView> SplitInput(QByteArrayView input, QByteArrayView separator,
                                              size_t maxParts) {
    std::vector<QByteArrayView> parts;
    while (parts.size() + 1 < maxParts) {
        const qsizetype at = input.indexOf(separator);
        if (at < 0) break;
        parts.push_back(input.first(at));
        input = input.sliced(at + separator.size());
    }
    parts.push_back(input);
    return parts;
}

// Runs the code under test; bad input may only end in the program's own exception with a message.
template <typename F> bool Refused(F&& run) {
    try {
        run();
        return false;
    } catch (const TException& e) {
        FUZZ_CHECK(!e.Message().isEmpty());
        return true;
    }
}
