#pragma once
// Running a command line and a process that has ended, for tests on Linux and on Windows.

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

// Runs the command through the system's shell (sh; cmd on Windows) once and returns its exit
// status (-1 when it did not exit), with its standard output, byte for byte, in output.
inline int RunCommandOnce(const std::string& command, std::string& output) {
#ifdef _WIN32
  std::FILE* pipe = ::_popen(command.c_str(), "rb");
#else
  std::FILE* pipe = ::popen(command.c_str(), "r");
#endif
  output.clear();
  if (pipe == nullptr) return -1;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
#ifdef _WIN32
  return ::_pclose(pipe);
#else
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// RunCommandOnce for a command line that starts a program of the build.
inline int RunCommand(const std::string& command, std::string& output) {
#ifdef _WIN32
  // Under Wine a start now and then fails: cmd says "not recognized" (9009) for a program that
  // exists, or the pipe itself is not made (-1). The build's programs exit 0, 1 or 2, so either
  // status means the program never ran, and the command is tried again.
  constexpr int kNotRecognized = 9009;
  const auto not_started = [](int status) { return status == kNotRecognized || status == -1; };
  int status = -1;
  for (int attempt = 0; attempt < 4 && not_started(status); ++attempt)
    status = RunCommandOnce(command, output);
  return status;
#else
  return RunCommandOnce(command, output);
#endif
}

// A process that has run and ended: its id names no running process (on Windows, none at all
// while this object keeps its handle).
class EndedProcess {
 public:
  EndedProcess() {
#ifdef _WIN32
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    wchar_t command[] = L"cmd.exe /c exit 0";
    if (CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &process)) {
      WaitForSingleObject(process.hProcess, INFINITE);
      CloseHandle(process.hThread);
      handle_ = process.hProcess;
      id_ = static_cast<long>(process.dwProcessId);
    }
#else
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    id_ = child;
#endif
  }
  ~EndedProcess() {
#ifdef _WIN32
    if (handle_ != nullptr) CloseHandle(handle_);
#endif
  }
  EndedProcess(const EndedProcess&) = delete;
  EndedProcess& operator=(const EndedProcess&) = delete;
  long id() const {
    return id_;
  }

 private:
  long id_ = 0;
#ifdef _WIN32
  HANDLE handle_ = nullptr;
#endif
};
