#include "cli/ProgramOutput.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace lumiq::cli {

std::string FindProgram(const std::string& program) {
    const QString name = QString::fromStdString(program);
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path.toStdString();
}

ProgramOutput RunProgramForOutput(const std::string& program, const std::vector<std::string>& arguments,
                                  int limitMs) {
    ProgramOutput output;
    const std::string path = program.find('/') != std::string::npos ? program : FindProgram(program);
    if (path.empty())
        return output;
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString::fromStdString(path), list);
    if (!process.waitForStarted(limitMs))
        return output;
    output.found = true;
    if (!process.waitForFinished(limitMs)) {
        process.kill();
        process.waitForFinished(limitMs);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        output.exitStatus = process.exitCode();
    }
    output.out = process.readAllStandardOutput().toStdString();
    output.err = process.readAllStandardError().toStdString();
    return output;
}

} // namespace lumiq::cli
