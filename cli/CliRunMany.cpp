// dorvel-adj-cli run with several radios: one run of the procedure per
// radio, each in a process of its own (its own port, tick and record), all
// at once. On a terminal one status line per radio is redrawn in place;
// otherwise every line a run prints goes out prefixed with its serial
// number. The status is the worst of the runs' (3 over 2 over 1 over 0).
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>

#include "cli/CliRun.h"

namespace {

struct Child {
    std::string serial;
    std::string device;
    pid_t pid = -1;
    int out = -1;
    std::string pending;
    std::string last;      // the last line it printed
    std::string verdict;   // its verdict line
    std::string record;    // its record's path
    int status = -1;
};

volatile std::sig_atomic_t stopAll = 0;

void onStop(int)
{
    stopAll = 1;
}

bool startChild(Child& c, const std::vector<std::string>& args)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    c.pid = fork();
    if (c.pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (c.pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0)
            dup2(null, STDIN_FILENO);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("dorvel-adj-cli"));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv("/proc/self/exe", argv.data());
        _exit(3);
    }
    close(fds[1]);
    c.out = fds[0];
    return true;
}

}  // namespace

int RunOnSeveralRadios(const std::vector<RadioJob>& radios, const std::vector<std::string>& common)
{
    const bool tty = isatty(STDOUT_FILENO) != 0;
    std::vector<Child> children(radios.size());
    // Ctrl-C reaches every run in the terminal's process group; each one
    // stops as its Abort does and prints its verdict, which is still read.
    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
    for (size_t i = 0; i < radios.size(); ++i) {
        Child& c = children[i];
        c.serial = radios[i].serial;
        c.device = radios[i].device;
        std::vector<std::string> args{"run", "--device", c.device, "--serial", c.serial};
        if (!radios[i].answers.empty())
            args.insert(args.end(), {"--answers", radios[i].answers});
        args.insert(args.end(), common.begin(), common.end());
        if (!startChild(c, args)) {
            c.verdict = "ERROR: could not start the run";
            c.status = 3;
        }
        if (tty)
            std::cout << c.serial << ": starting\n";
    }
    std::cout.flush();
    bool forwarded = false;
    for (;;) {
        std::vector<pollfd> fds;
        for (const Child& c : children)
            if (c.out >= 0)
                fds.push_back({c.out, POLLIN, 0});
        if (fds.empty())
            break;
        if (stopAll && !forwarded) {
            // A SIGTERM for this process alone goes on to the runs.
            for (const Child& c : children)
                if (c.pid > 0)
                    kill(c.pid, SIGINT);
            forwarded = true;
        }
        if (poll(fds.data(), fds.size(), 200) < 0)
            continue;
        bool changed = false;
        for (Child& c : children) {
            if (c.out < 0)
                continue;
            char buf[4096];
            const ssize_t n = read(c.out, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || (n < 0 && errno != EAGAIN)) {
                close(c.out);
                c.out = -1;
                continue;
            }
            if (n < 0)
                continue;
            c.pending.append(buf, static_cast<size_t>(n));
            for (size_t nl; (nl = c.pending.find('\n')) != std::string::npos;) {
                const std::string line = c.pending.substr(0, nl);
                c.pending.erase(0, nl + 1);
                for (const char* v : {"PASS", "FAIL", "ERROR", "ABORTED"})
                    if (line.rfind(v, 0) == 0)
                        c.verdict = line;
                if (line.rfind("record: ", 0) == 0)
                    c.record = line.substr(8);
                c.last = line;
                changed = true;
                if (!tty)
                    std::cout << c.serial << ": " << line << '\n';
            }
        }
        if (tty && changed) {
            // One line per radio, redrawn in place.
            std::cout << "\033[" << children.size() << "A";
            for (const Child& c : children)
                std::cout << "\r\033[K" << c.serial << ": " << c.last.substr(0, 110) << '\n';
        }
        std::cout.flush();
    }
    int worst = 0;
    for (Child& c : children) {
        if (c.pid > 0) {
            int st = 0;
            while (waitpid(c.pid, &st, 0) < 0 && errno == EINTR) {
            }
            c.status = WIFEXITED(st) ? WEXITSTATUS(st) : 3;
        }
        worst = std::max(worst, c.status);
    }
    for (const Child& c : children)
        std::cout << c.serial << " on " << c.device << ": " << (c.verdict.empty() ? "ERROR: no verdict" : c.verdict)
                  << (c.record.empty() ? "" : ", record " + c.record) << '\n';
    std::cout.flush();
    return worst;
}
