// The whole program as a process, beside a bare Qt main window with one
// 200 ms timer (bench_floor_window):
//  4. idle cost on the simulator with 8 devices: CPU time per wall second;
//  5. start-up to the initialise request and to the window shown, on the
//     bench library; peak resident memory with 0, 8 and 32 panels.
#include "BenchStats.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace Bench;
using namespace std::chrono_literals;

struct TProcess {
    pid_t Pid = -1;
    TClock::time_point Started;
};

TProcess Spawn(const char *program, const std::vector<std::pair<std::string, std::string>> &env)
{
    TProcess p;
    p.Started = TClock::now();
    p.Pid = fork();
    if (p.Pid == 0) {
        freopen("/dev/null", "w", stderr); // Qt's platform chatter
        for (const auto &[name, value] : env)
            setenv(name.c_str(), value.c_str(), 1);
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    return p;
}

void Stop(const TProcess &p)
{
    kill(p.Pid, SIGKILL);
    waitpid(p.Pid, nullptr, 0);
}

// The CPU time of every thread of the process so far.
double CpuSeconds(const TProcess &p)
{
    clockid_t clock;
    timespec t{};
    if (clock_getcpuclockid(p.Pid, &clock) != 0 || clock_gettime(clock, &t) != 0)
        return 0;
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

long PeakRssKiB(const TProcess &p)
{
    std::ifstream status("/proc/" + std::to_string(p.Pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:"))
            return std::stol(line.substr(6));
    return -1;
}

// The events the bench library wrote: the first time of each, and how many.
struct TEvents {
    std::map<std::string, TClock::time_point> First;
    std::map<std::string, int> Count;
};

TEvents ReadEvents(const std::string &path)
{
    TEvents events;
    std::ifstream file(path);
    std::string name;
    long long ns = 0;
    while (file >> name >> ns) {
        events.First.try_emplace(name, TClock::time_point(std::chrono::nanoseconds(ns)));
        ++events.Count[name];
    }
    return events;
}

// Waits until `done` holds for the events file, at most 20 s.
template <typename TDone>
TEvents WaitForEvents(const std::string &path, TDone done)
{
    const auto deadline = TClock::now() + 20s;
    for (;;) {
        TEvents events = ReadEvents(path);
        if (done(events) || TClock::now() > deadline)
            return events;
        std::this_thread::sleep_for(1ms);
    }
}

std::string Platform()
{
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    return platform && *platform ? platform : "offscreen";
}

void IdleCost()
{
    const TProcess program = Spawn(PROGRAM, {{"QT_QPA_PLATFORM", Platform()},
                                             {"PXV57_SIM_SCENARIO", EIGHT_DEVICES_SCENARIO}});
    const TProcess floor = Spawn(FLOOR_PROGRAM, {{"QT_QPA_PLATFORM", Platform()}});
    std::this_thread::sleep_for(5s); // start-up is not idle
    std::vector<double> programLoad, floorLoad;
    double programCpu = CpuSeconds(program), floorCpu = CpuSeconds(floor);
    const double programStart = programCpu, floorStart = floorCpu;
    auto last = TClock::now();
    const auto first = last;
    for (int second = 0; second < 60; ++second) {
        std::this_thread::sleep_until(last + 1s);
        const double p = CpuSeconds(program), f = CpuSeconds(floor);
        const auto now = TClock::now();
        const double wall = Ms(now - last) / 1000;
        programLoad.push_back(100 * (p - programCpu) / wall);
        floorLoad.push_back(100 * (f - floorCpu) / wall);
        programCpu = p;
        floorCpu = f;
        last = now;
    }
    const double wall = Ms(last - first) / 1000;
    const double programMean = 100 * (programCpu - programStart) / wall;
    const double floorMean = 100 * (floorCpu - floorStart) / wall;
    Stop(program);
    Stop(floor);
    Row("4. Idle CPU, 8 devices on the simulator, per second of 60 s", "% of a core",
        Summarise(programLoad), Summarise(floorLoad), "-", "-");
    Row("4. Idle CPU over 60 s: program / floor (" + Figure(programMean) + " % / " +
            Figure(floorMean) + " %)",
        "ratio", {programMean / floorMean, programMean / floorMean, 1}, {}, "<= 3 and < 1 %",
        Verdict(programMean <= 3 * floorMean && programMean < 1.0));
}

// One start of the program (or the floor) on the bench library with
// `devices` devices, until `done` holds for its events.
template <typename TDone>
std::pair<TProcess, TEvents> Start(const char *program, int devices, const std::string &events,
                                   TDone done)
{
    std::remove(events.c_str());
    const TProcess p = Spawn(program, {{"QT_QPA_PLATFORM", Platform()},
                                       {"LD_LIBRARY_PATH", BENCH_LIBRARY_DIR},
                                       {"PXV57_BENCH_DEVICES", std::to_string(devices)},
                                       {"PXV57_BENCH_EVENTS", events}});
    return {p, WaitForEvents(events, done)};
}

void StartUp(const std::string &events)
{
    const auto shown = [](const TEvents &e) { return e.First.contains("shown") && e.First.contains("initialise"); };
    std::vector<double> init, show, floorInit, floorShow;
    for (int i = -2; i < 20; ++i) {
        for (const bool isFloor : {false, true}) {
            const auto [p, e] = Start(isFloor ? FLOOR_PROGRAM : PROGRAM, 0, events, shown);
            Stop(p);
            if (i < 0 || !shown(e))
                continue;
            (isFloor ? floorInit : init).push_back(Ms(e.First.at("initialise") - p.Started));
            (isFloor ? floorShow : show).push_back(Ms(e.First.at("shown") - p.Started));
        }
    }
    const TStats s = Summarise(show), fs = Summarise(floorShow);
    Row("5. Start-up: process start to initialise request", "ms", Summarise(init), Summarise(floorInit),
        "-", "-");
    Row("5. Start-up: process start to window shown (ratio to floor " + Figure(s.Median / fs.Median) + ")",
        "ms", s, fs, "<= 2x floor", Verdict(s.Median <= 2 * fs.Median));
}

void Memory(const std::string &events)
{
    // The second poll goes out 200 ms after the first completion was handled:
    // the panels exist and have been drawn by then.
    const auto polled = [](const TEvents &e) { return e.Count.contains("update") && e.Count.at("update") >= 2; };
    const auto shown = [](const TEvents &e) { return e.First.contains("shown"); };
    const auto peak = [&](bool isFloor, int devices) {
        std::vector<double> samples;
        for (int i = 0; i < 5; ++i) {
            const auto [p, e] = isFloor ? Start(FLOOR_PROGRAM, 0, events, shown)
                                        : Start(PROGRAM, devices, events, polled);
            std::this_thread::sleep_for(300ms);
            samples.push_back(double(PeakRssKiB(p)) / 1024);
            Stop(p);
        }
        return Summarise(samples);
    };
    const TStats floor = peak(true, 0);
    std::map<int, TStats> program;
    for (const int devices : {0, 8, 32}) {
        program[devices] = peak(false, devices);
        Row("5. Peak RSS, " + std::to_string(devices) + " panels (ratio to floor " +
                Figure(program[devices].Median / floor.Median) + ")",
            "MiB", program[devices], floor, "-", "-");
    }
    for (const int devices : {8, 32}) {
        const double perPanel = (program[devices].Median - program[0].Median) / devices;
        Row("5. Peak RSS per panel, " + std::to_string(devices) + " panels over 0", "MiB",
            {perPanel, perPanel, 1}, {}, "< 1", Verdict(perPanel < 1.0));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // "--header" prints the table's header; "start", "memory" or "idle" runs
    // one part alone.
    const std::string only = argc > 1 ? argv[1] : "";
    if (only == "--header") {
        Header();
        return 0;
    }
    char dir[] = "/tmp/pellix-bench-XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    const std::string events = std::string(dir) + "/events";
    if (only.empty() || only == "start")
        StartUp(events);
    if (only.empty() || only == "memory")
        Memory(events);
    if (only.empty() || only == "idle")
        IdleCost();
    std::remove(events.c_str());
    rmdir(dir);
    return 0;
}
