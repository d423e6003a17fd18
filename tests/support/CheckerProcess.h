// scanlark-check as a child process: arguments as bytes, standard input
// from a string, output and errors captured in files, a working folder of
// the test's choosing; it may be signalled while it runs.
#pragma once

#include "TempFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

struct CheckerResult {
    int status = -1;  // the exit status, or 1000 + the signal that ended it
    std::string out;
    std::string err;
};

class CheckerProcess {
public:
    // Starts SCANLARK_CHECK_PATH with args in folder (empty: the test's own).
    explicit CheckerProcess(const std::vector<std::string>& args, const std::string& input = {},
                            const std::string& folder = {})
        : CheckerProcess(SCANLARK_CHECK_PATH, args, input, folder)
    {
    }
    // Another program (found on PATH when program has no "/").
    CheckerProcess(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                   const std::string& folder)
        : scratch_(std::make_unique<TempFolder>())
    {
        const std::string inPath = scratch_->write("in", std::vector<uint8_t>(input.begin(), input.end()));
        pid_ = ::fork();
        if (pid_ == 0) {
            const int in = ::open(inPath.c_str(), O_RDONLY);
            const int out = ::open((scratch_->path() + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open((scratch_->path() + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::close_range(3, ~0U, 0);
            ::alarm(60);
            if (!folder.empty() && ::chdir(folder.c_str()) != 0)
                ::_exit(126);
            std::vector<char*> argv = {const_cast<char*>(program.c_str())};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execvp(program.c_str(), argv.data());
            ::_exit(127);
        }
        if (pid_ < 0)
            throw std::runtime_error("fork");
    }
    ~CheckerProcess()
    {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    CheckerProcess(const CheckerProcess&) = delete;
    CheckerProcess& operator=(const CheckerProcess&) = delete;

    void signal(int number) { ::kill(pid_, number); }
    CheckerResult wait()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status), read("out"), read("err")};
    }

private:
    std::string read(const char* name) const
    {
        std::ifstream in(scratch_->path() + "/" + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::unique_ptr<TempFolder> scratch_;
    pid_t pid_ = -1;
    bool waited_ = false;
};

inline CheckerResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::string& input = {}, const std::string& folder = {})
{
    return CheckerProcess(program, args, input, folder).wait();
}

inline CheckerResult RunChecker(const std::vector<std::string>& args, const std::string& input = {},
                                const std::string& folder = {})
{
    return CheckerProcess(args, input, folder).wait();
}
