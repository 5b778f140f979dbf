// coldrun: times whole programs as a user meets them, each run a fresh process, and compares
// them with the first one given:
//
//   coldrun [--runs N] -- LABEL PROGRAM ARGS... [-- LABEL PROGRAM ARGS...]...
//
// After one untimed round the programs run in turn, round after round, the order reversed every
// other round, so that a change of the machine's load falls on all of them alike. Each run is
// timed from fork to exit (elapsed), and by the processor time (user + system) and the peak
// resident size the kernel reports for the child. Standard output and error go to /dev/null; a
// run that does not exit with 0 stops the measurement.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Program {
    std::string label;
    std::vector<std::string> argv;
    std::vector<double> elapsed;   // seconds
    std::vector<double> processor; // seconds
    std::vector<double> peakMiB;
};

struct Run {
    double elapsed = 0;
    double processor = 0;
    double peakMiB = 0;
    bool ok = false;
};

Run RunOnce(const Program& program) {
    std::vector<char*> argv;
    for (const std::string& argument : program.argv) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Run run;
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child) {
        return run;
    }
    run.elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    run.processor = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The value at fraction q of the sorted values (nearest rank).
double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
    return values[rank];
}

void PrintRow(const char* label, const std::vector<double>& values, const char* unit,
              double scale) {
    std::printf("  %-22s median %8.3f %s  (min %.3f, quartiles %.3f-%.3f, max %.3f)\n", label,
                Quantile(values, 0.5) * scale, unit, Quantile(values, 0.0) * scale,
                Quantile(values, 0.25) * scale, Quantile(values, 0.75) * scale,
                Quantile(values, 1.0) * scale);
}

std::vector<double> Ratios(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ratios.push_back(a[i] / b[i]);
    }
    return ratios;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 21;
    std::vector<Program> programs;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--" && i + 2 < argc) {
            Program program;
            program.label = argv[++i];
            while (i + 1 < argc && std::string(argv[i + 1]) != "--") {
                program.argv.emplace_back(argv[++i]);
            }
            programs.push_back(std::move(program));
        } else {
            std::fputs("usage: coldrun [--runs N] -- LABEL PROGRAM ARGS... [-- LABEL ...]\n",
                       stderr);
            return 2;
        }
    }
    if (programs.empty()) {
        std::fputs("coldrun: no program given\n", stderr);
        return 2;
    }
    for (int round = -1; round < runs; ++round) {
        std::vector<Program*> order;
        for (Program& program : programs) {
            order.push_back(&program);
        }
        if (round % 2 != 0) {
            std::reverse(order.begin(), order.end());
        }
        for (Program* program : order) {
            const Run run = RunOnce(*program);
            if (!run.ok) {
                std::fprintf(stderr, "coldrun: %s failed\n", program->argv[0].c_str());
                return 1;
            }
            if (round >= 0) {
                program->elapsed.push_back(run.elapsed);
                program->processor.push_back(run.processor);
                program->peakMiB.push_back(run.peakMiB);
            }
        }
    }
    std::printf(
        "whole-process cold runs, %d rounds interleaved (order reversed every other round)\n",
        runs);
    const Program& base = programs.front();
    for (const Program& program : programs) {
        std::printf("%s:\n", program.label.c_str());
        PrintRow("elapsed", program.elapsed, "s", 1.0);
        PrintRow("processor", program.processor, "s", 1.0);
        PrintRow("peak resident", program.peakMiB, "MiB", 1.0);
        if (&program != &base) {
            const std::string over = "/ " + base.label;
            std::printf("  ratio %s, per round:\n", over.c_str());
            PrintRow("elapsed", Ratios(program.elapsed, base.elapsed), "x", 1.0);
            PrintRow("processor", Ratios(program.processor, base.processor), "x", 1.0);
        }
    }
    return 0;
}
