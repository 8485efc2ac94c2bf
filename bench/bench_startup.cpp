// Start-up to the first window painted: rouvel on a sample database against a minimal Qt Widgets
// program showing a line of text (the target) and against a bare window (for reference), each a
// fresh process, interleaved in the same run. The time runs from just before the
// process is spawned until the probe library preloaded into it reports the first top-level
// window painted; both programs carry the same probe, and rouvel nothing of its own.
//
// usage: bench_startup [RUNS] [--program ROUVEL]   (RUNS: at least 5, 11 by default)
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr double TargetRatio = 1.30;
constexpr int DefaultRuns = 11;
constexpr int MinimumRuns = 5;
constexpr int WarmUpRuns = 2;
constexpr int TimeoutMs = 30000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Program
{
    const char *label;
    std::vector<std::string> arguments; // the program first
};

struct Run
{
    double ms = 0; // wall clock, spawn to first paint
    double cpuMs = 0; // the process's own user and system time, which other loads disturb less
    std::string platform;
};

// The environment of this process with the probe preloaded and told where to report.
std::vector<std::string> probeEnvironment(int reportFd)
{
    std::vector<std::string> variables;
    std::string preload = ROUVEL_STARTUP_PROBE;
    for (char **entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        if (variable.rfind("LD_PRELOAD=", 0) == 0)
            preload += ' ' + variable.substr(std::strlen("LD_PRELOAD="));
        else if (variable.rfind("ROUVEL_STARTUP_PROBE_FD=", 0) != 0)
            variables.push_back(variable);
    }
    variables.push_back("LD_PRELOAD=" + preload);
    variables.push_back("ROUVEL_STARTUP_PROBE_FD=" + std::to_string(reportFd));
    return variables;
}

// One start of the program until its first window is painted; nothing when it failed.
std::optional<Run> startOnce(const Program &program, const QString &errorFile)
{
    int report[2];
    if (::pipe(report) != 0)
        return std::nullopt;
    ::fcntl(report[0], F_SETFD, FD_CLOEXEC);

    std::vector<std::string> environment = probeEnvironment(report[1]);
    std::vector<char *> envp;
    for (std::string &variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<std::string> arguments = program.arguments;
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const QByteArray errorPath = QFile::encodeName(errorFile);
    posix_spawn_file_actions_addopen(
        &actions, STDERR_FILENO, errorPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(report[1]);
    if (spawned != 0) {
        ::close(report[0]);
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(spawned));
        return std::nullopt;
    }

    Run run;
    char buffer[64];
    pollfd ready {report[0], POLLIN, 0};
    int polled = 0;
    do
        polled = ::poll(&ready, 1, TimeoutMs);
    while (polled < 0 && errno == EINTR);
    const ssize_t got = polled > 0 ? ::read(report[0], buffer, sizeof buffer) : -1;
    const auto painted = std::chrono::steady_clock::now();
    ::close(report[0]);
    if (got <= 0)
        ::kill(child, SIGKILL);
    int status = 0;
    rusage usage {};
    ::wait4(child, &status, 0, &usage);
    if (got <= 0) {
        QFile errors(errorFile);
        const QByteArray text = errors.open(QIODevice::ReadOnly) ? errors.readAll() : QByteArray();
        std::fprintf(stderr, "%s painted no window%s:\n%s\n", program.label,
            polled == 0 ? " in time" : "", text.constData());
        return std::nullopt;
    }
    run.ms = std::chrono::duration<double, std::milli>(painted - start).count();
    const auto ms = [](const timeval &time) { return time.tv_sec * 1e3 + time.tv_usec / 1e3; };
    run.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    run.platform.assign(buffer, size_t(got));
    while (!run.platform.empty() && run.platform.back() == '\n')
        run.platform.pop_back();
    return run;
}

bool makeSampleDatabase(const QString &rouvel, const QString &path)
{
    QProcess init;
    init.start(
        rouvel, {QStringLiteral("init"), QStringLiteral("--db"), path, QStringLiteral("--sample")});
    if (init.waitForFinished(60000) && init.exitStatus() == QProcess::NormalExit
        && init.exitCode() == 0)
        return true;
    std::fprintf(stderr, "rouvel init failed: %s\n", init.readAllStandardError().constData());
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = DefaultRuns;
    QString rouvel = QStringLiteral(ROUVEL_PROGRAM);
    const QStringList arguments = app.arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool number = false;
        const int value = arguments[i].toInt(&number);
        if (number && value >= MinimumRuns) {
            runs = value;
        } else if (arguments[i] == u"--program" && i + 1 < arguments.size()) {
            rouvel = arguments[++i];
        } else {
            std::fprintf(stderr, "usage: bench_startup [RUNS, at least %d] [--program ROUVEL]\n",
                MinimumRuns);
            return 2;
        }
    }

    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("rouvel.rvl"));
    if (!dir.isValid() || !makeSampleDatabase(rouvel, db))
        return 2;
    const QString errorFile = dir.filePath(QStringLiteral("stderr.txt"));

    const QString peerProgram = QStringLiteral(ROUVEL_STARTUP_PEER);
    const std::vector<Program> programs = {
        {"rouvel", {rouvel.toStdString(), "--db", QFile::encodeName(db).toStdString()}},
        {"minimal Qt Widgets window with text", {peerProgram.toStdString()}},
        {"bare Qt Widgets window, no text", {peerProgram.toStdString(), "--no-text"}},
    };
    std::vector<std::vector<double>> times(programs.size());
    std::vector<std::vector<double>> cpuTimes(programs.size());
    std::string platform;
    for (int round = -WarmUpRuns; round < runs; ++round) {
        for (size_t p = 0; p < programs.size(); ++p) {
            const std::optional<Run> run = startOnce(programs[p], errorFile);
            if (!run)
                return 2;
            platform = run->platform;
            if (round >= 0) {
                times[p].push_back(run->ms);
                cpuTimes[p].push_back(run->cpuMs);
            }
        }
    }

    std::printf(
        "start-up to the first window painted, platform %s, median of %d interleaved runs\n",
        platform.c_str(), runs);
    std::printf("                                            wall    (CPU of the process)\n");
    for (size_t p = 0; p < programs.size(); ++p) {
        std::printf("  %-40s %7.1f ms (%5.1f ms)\n", programs[p].label, median(times[p]),
            median(cpuTimes[p]));
    }
    const double project = median(times[0]);
    const double ratio = project / median(times[1]);
    std::printf("  ratio to the window with text %.2f (target <= %.2f) %s; CPU ratio %.2f\n", ratio,
        TargetRatio, ratio <= TargetRatio ? "ok" : "MISSED",
        median(cpuTimes[0]) / median(cpuTimes[1]));
    std::printf("  ratio to the bare window %.2f; CPU ratio %.2f (for reference)\n",
        project / median(times[2]), median(cpuTimes[0]) / median(cpuTimes[2]));
    return ratio <= TargetRatio ? 0 : 1;
}
