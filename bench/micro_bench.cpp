// Microbenchmarks: where the time of a log line and of the purge rule goes.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include <benchmark/benchmark.h>

#include <prinit.h>

#include "platform/path_join.h"
#include "platform/platform.h"
#include "tracelog/log_purge.h"
#include "tracelog/trace_log.h"

static std::string BenchDir()
{
    char pattern[] = "/tmp/tralvinex-bench-XXXXXX";
    return mkdtemp(pattern);
}

static void FormatOneLogLine(benchmark::State &state)
{
    PRExplodedTime now;
    char line[kLogLineSize];

    GetLocalTimeMs(&now);
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatLogLine(&now, "Enumerating host entry...", line, sizeof line));
}
BENCHMARK(FormatOneLogLine);

static void BuildOneLogPath(benchmark::State &state)
{
    char path[kPathSize];

    for (auto _ : state)
        benchmark::DoNotOptimize(JoinPath("/var/log/tralvinex", "Tralvinex123456.log", path, sizeof path));
}
BENCHMARK(BuildOneLogPath);

static void ReadLocalTime(benchmark::State &state)
{
    PRExplodedTime now;

    for (auto _ : state) {
        GetLocalTimeMs(&now);
        benchmark::DoNotOptimize(now);
    }
}
BENCHMARK(ReadLocalTime);

static void WriteOneLogLine(benchmark::State &state)
{
    std::string dir = BenchDir();

    for (auto _ : state)
        WriteLogLine(dir.c_str(), "Enumerating host entry...");
    std::string log = dir + "/Tralvinex" + std::to_string(GetThreadId()) + ".log";
    unlink(log.c_str());
    rmdir(dir.c_str());
}
BENCHMARK(WriteOneLogLine);

static void MatchOneName(benchmark::State &state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(IsTraceLogName("Tralvinex1234567.log"));
        benchmark::DoNotOptimize(IsTraceLogName("Tralvinex1234567.log.bak"));
    }
}
BENCHMARK(MatchOneName);

// The rule on one file that stays: the cost every kept log pays per run.
static void PurgeOneKeptFile(benchmark::State &state)
{
    std::string dir = BenchDir();
    std::string path = dir + "/Tralvinex1.log";

    close(open(path.c_str(), O_WRONLY | O_CREAT, 0644));
    for (auto _ : state)
        PurgeLogFile(dir.c_str(), "Tralvinex1.log", kLogMaxAgeSeconds, kLogMaxSizeBytes);
    unlink(path.c_str());
    rmdir(dir.c_str());
}
BENCHMARK(PurgeOneKeptFile);

int main(int argc, char **argv)
{
    PR_Init(PR_USER_THREAD, PR_PRIORITY_NORMAL, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PR_Cleanup();
    return 0;
}
