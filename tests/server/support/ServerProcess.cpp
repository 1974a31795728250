#include "ServerProcess.h"

#include <signal.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace vendorcenter::server::testing {

ServerProcess::ServerProcess(const std::string &binary, const std::vector<std::string> &arguments,
    const std::string &stderrPath, const std::string &standardInput)
{
    QStringList list;
    for (const std::string &argument : arguments)
        list << QString::fromStdString(argument);
    process_.setStandardErrorFile(QString::fromStdString(stderrPath));
    process_.start(QString::fromStdString(binary), list);
    if (!process_.waitForStarted(10000))
        return;
    process_.write(standardInput.data(), static_cast<qint64>(standardInput.size()));
    process_.closeWriteChannel();
}

std::optional<std::string> ServerProcess::firstLine(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!process_.canReadLine() && std::chrono::steady_clock::now() < deadline
        && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(50);
    }
    if (!process_.canReadLine() && process_.bytesAvailable() == 0)
        return std::nullopt;
    return process_.readLine().trimmed().toStdString();
}

int ServerProcess::listeningPort(std::chrono::milliseconds limit)
{
    std::smatch match;
    const std::string line = firstLine(limit).value_or("");
    return std::regex_match(line, match, std::regex(R"(listening on http://127\.0\.0\.1:(\d+))")) ? std::stoi(match[1])
                                                                                                  : 0;
}

std::optional<int> ServerProcess::exitCode(std::chrono::milliseconds limit)
{
    if (process_.state() != QProcess::NotRunning && !process_.waitForFinished(static_cast<int>(limit.count())))
        return std::nullopt;
    // QProcess keeps the signal that ended a crashed child in exitCode().
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : 128 + process_.exitCode();
}

void ServerProcess::signal(int number) const
{
    if (process_.processId() > 0)
        kill(static_cast<pid_t>(process_.processId()), number);
}

void ServerProcess::killHard()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

std::string contentsOf(const std::string &path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

} // namespace vendorcenter::server::testing
