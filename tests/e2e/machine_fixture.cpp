#include "machine_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace fs = std::filesystem;

std::string BuiltProgram(const std::string& relative_path) {
    return std::string(E2E_BUILD_ROOT) + "/" + relative_path;
}

void MachineTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "machine-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    machine_ = buffer.data();
    fs::create_directories(HostPath("drive_c/WINDOWS/system32"));
    fs::create_directories(HostPath("devices"));
}

void MachineTest::TearDown() {
    for (pid_t pid : started_) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    started_.clear();
    if (!machine_.empty() && getenv("E2E_KEEP_MACHINE") == nullptr)
        fs::remove_all(machine_);
}

std::string MachineTest::HostPath(const std::string& relative) const {
    return machine_ + "/" + relative;
}

std::string MachineTest::WriteFile(const std::string& relative, const std::string& content) const {
    std::string path = HostPath(relative);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string MachineTest::ReadFile(const std::string& host_path) {
    std::ifstream in(host_path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool MachineTest::FileExists(const std::string& host_path) {
    return fs::exists(host_path);
}

std::vector<std::string>
MachineTest::Environment(const std::vector<std::pair<std::string, std::string>>& extra) const {
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        if (entry.rfind("HOSTWIN_", 0) != 0)
            environment.push_back(entry);
    }
    environment.push_back("HOSTWIN_MACHINE=" + machine_);
    for (const auto& [name, value] : extra)
        environment.push_back(name + "=" + value);
    return environment;
}

pid_t MachineTest::Start(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> environment = Environment({});
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0)
        << program;
    if (pid > 0)
        started_.push_back(pid);
    return pid;
}

int MachineTest::WaitForExit(pid_t pid, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 10) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            started_.erase(std::remove(started_.begin(), started_.end(), pid), started_.end());
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        Pause(10);
    }
    return -1;
}

std::vector<std::string> MachineTest::UiLogLines() const {
    std::vector<std::string> lines;
    std::string text = ReadFile(HostPath("ui.jsonl"));
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

void MachineTest::Pause(int milliseconds) {
    timespec t{0, milliseconds * 1000000L};
    nanosleep(&t, nullptr);
}

RunResult MachineTest::Run(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& env,
                           const std::string& stdin_text) const {
    RunResult result{-1, "", ""};
    std::vector<std::string> environment = Environment(env);

    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    // Output goes to files, so a chatty program cannot block on a full pipe.
    std::string out_path = machine_ + "/.stdout", err_path = machine_ + "/.stderr",
                in_path = machine_ + "/.stdin";
    std::ofstream(in_path, std::ios::binary) << stdin_text;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
    if (!working_directory_.empty())
        posix_spawn_file_actions_addchdir_np(&actions, working_directory_.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return result;
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(out_path);
    result.err = ReadFile(err_path);
    fs::remove(out_path);
    fs::remove(err_path);
    fs::remove(in_path);
    return result;
}

RunResult MachineTest::Reg(const std::vector<std::string>& args) const {
    return Run(BuiltProgram("tools/hostreg/hostreg"), args);
}
