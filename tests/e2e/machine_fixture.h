// End-to-end scenarios: a fresh machine directory per test and the built programs run on it
// as a user would run them.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

struct RunResult {
    int status; // the exit status, or -1 when the program could not be run or was killed
    std::string out;
    std::string err;
};

// Where the build put a target: a path below the build tree, e.g. "tools/hostreg/hostreg".
std::string BuiltProgram(const std::string& relative_path);

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The machine directory of this test.
    const std::string& Machine() const { return machine_; }

    // A host path inside the machine directory, e.g. "drive_c/WINDOWS".
    std::string HostPath(const std::string& relative) const;

    // Writes a file (creating its directories) and returns its host path.
    std::string WriteFile(const std::string& relative, const std::string& content) const;

    // Reads a whole file; empty when it does not exist.
    static std::string ReadFile(const std::string& host_path);
    static bool FileExists(const std::string& host_path);

    // Runs a program with HOSTWIN_MACHINE set to this machine and the extra environment.
    RunResult Run(const std::string& program, const std::vector<std::string>& args,
                  const std::vector<std::pair<std::string, std::string>>& env = {},
                  const std::string& stdin_text = "") const;

    // Starts a program in the background on this machine, as a running system has it; one
    // still running at the end of the test is killed.
    pid_t Start(const std::string& program, const std::vector<std::string>& args = {});

    // The exit status of a started program, or -1 when it is still running after the timeout.
    int WaitForExit(pid_t pid, int timeout_ms = 10000);

    static void Pause(int milliseconds);

    // The lines of the machine's UI log, ui.jsonl, oldest first.
    std::vector<std::string> UiLogLines() const;

    // The host directory in which later runs start; the test's own when empty.
    void SetWorkingDirectory(const std::string& host_path) { working_directory_ = host_path; }

    // Runs the built hostreg tool with the arguments.
    RunResult Reg(const std::vector<std::string>& args) const;

  private:
    // The environment of a program run here: ours without HOSTWIN_ settings, then the
    // machine and the extra settings.
    std::vector<std::string>
    Environment(const std::vector<std::pair<std::string, std::string>>& extra) const;

    std::string machine_;
    std::vector<pid_t> started_;
    std::string working_directory_;
};
