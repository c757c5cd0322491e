#include "ExternalProgram.h"

#include <QProcess>
#include <QStandardPaths>

void RunExternal(const QString& program, const QStringList& arguments,
                 const std::function<void(int exitCode)>& finished) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        finished(-1);
        return;
    }
    // No parent: deleting a running QProcess kills its program, so one still running at exit is left
    // to live on.
    auto* process = new QProcess;
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
