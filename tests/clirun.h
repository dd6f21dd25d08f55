#pragma once

// Running tarnix-cli from a test.

#include <QProcess>
#include <QStringList>

struct CliOutcome
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// VARIABLE=value settings are added to the environment; a Slurm array index from outside is not.
inline CliOutcome runCli(const QStringList &arguments, const QStringList &environment = {})
{
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.remove(QStringLiteral("SLURM_ARRAY_TASK_ID"));
    for (const QString &setting : environment)
        variables.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(variables);
    process.start(QStringLiteral(TARNIX_CLI_PATH), arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}
