#include "tev_process.hpp"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tev::cli::test {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    ::unlink(path.c_str());
    return text.str();
}

std::string TempFile(const char* what) {
    std::string pattern = "/tmp/tev-cli-" + std::string(what) + "-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0)
        ::close(fd);
    return pattern;
}

} // namespace

TevRun RunTev(const std::vector<std::string>& args, int interruptAfterMs) {
    const std::string outPath = TempFile("out");
    const std::string errPath = TempFile("err");
    std::vector<char*> argv{const_cast<char*>(TEV_PROGRAM)};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // gone with the test, however it ends
        const int out = ::open(outPath.c_str(), O_WRONLY | O_TRUNC);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_TRUNC);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execv(TEV_PROGRAM, argv.data());
        ::_exit(127);
    }
    TevRun run;
    if (child > 0 && interruptAfterMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
        ::kill(child, SIGINT);
    }
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    run.out = Slurp(outPath);
    run.err = Slurp(errPath);
    return run;
}

} // namespace tev::cli::test
