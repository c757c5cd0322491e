#include "ExternalProgram.h"

#include <QProcess>
#include <QSet>
#include <QStandardPaths>

namespace {

// Every process object until it is deleted. Deleting a running QProcess kills its program, so one still
// running when this program ends is left to live on: held here, never destroyed, its object is not lost.
QSet<QProcess*>& Started() {
    static auto* started = new QSet<QProcess*>;
    return *started;
}

} // namespace

void RunExternal(const QString& program, const QStringList& arguments,
                 const std::function<void(int exitCode)>& finished) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        finished(-1);
        return;
    }
    auto* process = new QProcess;
    Started().insert(process);
    QObject::connect(process, &QObject::destroyed, [process] { Started().remove(process); });
    process->setProgram(path);
    process->setArguments(arguments);
    // Its complaints go where this program's go.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, finished](int exitCode, QProcess::ExitStatus status) {
                         finished(status == QProcess::NormalExit ? exitCode : -1);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, finished](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         finished(-1);
                         process->deleteLater();
                     });
    process->start();
}

QString QueryExternal(const QString& program, const QStringList& arguments, int timeoutMs) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return {};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(path, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}
